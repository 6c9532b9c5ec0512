// The analyzer page's input caption and volume bar, kept in step with the
// mixer by the main window's mixer part, and the button that asks for the
// input's parameters.

#include "measure/ui/AnalyzerPage.h"
#include "platform/ui/WhyGrey.h"
#include "app/Audconst.h"

#include "measure/ui/VolumeBar.h"
#include "platform/LanguageTexts.h"
#include "platform/TypedLevel.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace korvanta {

namespace {
constexpr Words kOutVolume{"Ausgang %1% (%2)", "Output %1% (%2)"};
constexpr Words kOutVolumeTip{
    "Ausgangslautstärke: jeder Generatorpegel kommt um so viel leiser aus der Karte (bei 20% = -14.0dB wird ein "
    "Sinus mit -6 dBFS mit -20 dBFS gemessen). Einstellen mit Out auf der Seite Frequenzgenerator.",
    "Output volume: every generator level leaves the card this much lower (at 20% = -14.0dB a sine played at "
    "-6 dBFS is measured at -20 dBFS). Set it with Out on the Frequency Generator page."};
} // namespace

void TAnalyzerPage::connectLevelControls()
{
    connect(ScrollBar3, &QScrollBar::valueChanged, this, &TAnalyzerPage::inputVolumeMoved);
    connect(Binpopt, &QPushButton::clicked, this, &TAnalyzerPage::inputParametersClicked);
}

void TAnalyzerPage::ShowInputCaption(const QString& title) { GroupBox1->setTitle(title); }

void TAnalyzerPage::ShowInputVolume(int percent) { ShowVolume(ScrollBar3, percent, Label3, percent); }

void TAnalyzerPage::ShowOutputVolume(int percent)
{
    outputVolume_ = percent;
    showOutputVolume(CurrentLanguage());
}

void TAnalyzerPage::showOutputVolume(char letter)
{
    OutVolume->setText(Pick(letter, kOutVolume).arg(outputVolume_).arg(PercentAsDb(outputVolume_)));
    OutVolume->setToolTip(Pick(letter, kOutVolumeTip));
}

void TAnalyzerPage::EnableInputVolume(bool on)
{
    SetUsable(ScrollBar3, on, words::kWhyMixerOff, CurrentLanguage());
    SetUsable(Label3, on, words::kWhyMixerOff, CurrentLanguage());
    SetUsable(Label3->Beside(), on, words::kWhyMixerOff, CurrentLanguage());
}

} // namespace korvanta
