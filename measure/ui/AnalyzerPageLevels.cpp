// The analyzer page's input caption and volume bar, kept in step with the
// mixer by the main window's mixer part, and the button that asks for the
// input's parameters.

#include "measure/ui/AnalyzerPage.h"
#include "platform/ui/WhyGrey.h"
#include "app/Audconst.h"

#include "measure/ui/VolumeBar.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace korvanta {

void TAnalyzerPage::connectLevelControls()
{
    connect(ScrollBar3, &QScrollBar::valueChanged, this, &TAnalyzerPage::inputVolumeMoved);
    connect(Binpopt, &QPushButton::clicked, this, &TAnalyzerPage::inputParametersClicked);
}

void TAnalyzerPage::ShowInputCaption(const QString& title) { GroupBox1->setTitle(title); }

void TAnalyzerPage::ShowInputVolume(int percent) { ShowVolume(ScrollBar3, percent, Label3, percent); }

void TAnalyzerPage::EnableInputVolume(bool on)
{
    SetUsable(ScrollBar3, on, words::kWhyMixerOff, CurrentLanguage());
    SetUsable(Label3, on, words::kWhyMixerOff, CurrentLanguage());
    SetUsable(Label3->Beside(), on, words::kWhyMixerOff, CurrentLanguage());
}

} // namespace korvanta
