// The sweep page's level group (input and output volume bars) and input
// caption, kept in step with the mixer by the main window's mixer part, and
// the button that asks for the output's parameters. The bars run upside
// down: the top is 100 %.

#include "generator/ui/GeneratorPage.h"
#include "platform/ui/WhyGrey.h"
#include "app/Audconst.h"

#include "measure/ui/VolumeBar.h"
#include "platform/ui/LevelField.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace korvanta {

namespace {
constexpr int kFullScale = 100;
}

void TGeneratorPage::connectLevelControls()
{
    connect(ScrollBar1, &QScrollBar::valueChanged, this,
            [this](int position) { emit inputVolumeMoved(kFullScale - position); });
    connect(ScrollBar2, &QScrollBar::valueChanged, this,
            [this](int position) { emit outputVolumeMoved(kFullScale - position); });
    connect(Button2, &QPushButton::clicked, this, &TGeneratorPage::outputParametersClicked);
}

void TGeneratorPage::ShowInputCaption(const QString& text) { Wobinptxt->setText(text); }

void TGeneratorPage::ShowInputVolume(int percent) { ShowVolume(ScrollBar1, kFullScale - percent, Label1, percent); }

void TGeneratorPage::ShowOutputVolume(int percent) { ShowVolume(ScrollBar2, kFullScale - percent, Label8, percent); }

void TGeneratorPage::EnableVolumes(bool on)
{
    for (QWidget* w : {static_cast<QWidget*>(ScrollBar1), static_cast<QWidget*>(Label1),
                       static_cast<QWidget*>(Label1->Beside()), static_cast<QWidget*>(ScrollBar2),
                       static_cast<QWidget*>(Label8), static_cast<QWidget*>(Label8->Beside())})
        SetUsable(w, on, words::kWhyMixerOff, CurrentLanguage());
    // The level group itself holds the bars and stays usable.
    Pegelbox->setEnabled(true);
    InOutLabel->setEnabled(true);
}

} // namespace korvanta
