// The analyzer page's texts that follow the language or the state of other
// windows: captions, channel colours, the correction status.

#include "measure/ui/AnalyzerPage.h"
#include "platform/LanguageTexts.h"

#include "app/Audconst.h"
#include "measure/ui/RadioGroup.h"

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <iterator>

namespace korvanta {

namespace {
// What each window does to a spectrum, in the order of the window items:
// the highest side lobe (how far a strong tone leaks) and what the window
// is for.
constexpr Words kWindowTips[] = {
    {"kein Fenster: Nebenmaxima bei -13 dB; nur für Töne, die genau auf eine Linie fallen",
     "no window: side lobes at -13 dB; only for tones that fall exactly on a bin"},
    {"Nebenmaxima bei -43 dB, schmale Spitze", "side lobes at -43 dB, narrow peak"},
    {"Nebenmaxima bei -31 dB, die schnell abfallen: für Töne und Rauschen",
     "side lobes at -31 dB that fall off fast: for tones and noise"},
    {"Nebenmaxima bei -58 dB", "side lobes at -58 dB"},
    {"Nebenmaxima unter -92 dB: für Klirrfaktor und Störabstand",
     "side lobes below -92 dB: for distortion and noise floor"},
    {"genauer Pegel auch zwischen zwei Linien (Fehler unter 0.01 dB), breite Spitze: zum Kalibrieren",
     "exact level between two bins too (error below 0.01 dB), wide peak: for calibrating"},
    {"Nebenmaxima bei -47 dB, die sehr schnell abfallen", "side lobes at -47 dB that fall off very fast"},
    {"Nebenmaxima bei -61 dB, die sehr schnell abfallen", "side lobes at -61 dB that fall off very fast"},
    {"Nebenmaxima bei -75 dB, die sehr schnell abfallen: für sehr kleine Töne neben großen",
     "side lobes at -75 dB that fall off very fast: for very small tones beside large ones"},
};
constexpr Words kStartTip{"Messung starten (F5)", "start measuring (F5)"};
constexpr Words kStopTip{"Messung beenden (F5)", "stop measuring (F5)"};
constexpr Words kInParaTip{"Abtastrate, Auflösung, Kanalreihenfolge und Polarität des Eingangs",
                           "the input's sample rate, bit depth, channel order and polarity"};
} // namespace

void TAnalyzerPage::SetLanguage(char letter)
{
    const auto texts = MainTextsFor(letter);
    if (!texts)
        return;
    FFTpointsgroup->setTitle(texts->fftPointsGroup);
    RunningGroup->setTitle(texts->runningGroup);
    RunningGroup->setItems(texts->runningItems);
    MeasureLeft->setText(texts->measureLeft);
    MeasureRight->setText(texts->measureRight);
    Label6->setText(texts->averages);
    FFTwinGroup->setTitle(Pick(letter, words::kFftWindow));
    // The first window is none at all; the others are named after people.
    QStringList windows = FFTwinGroup->items();
    windows[0] = letter == 'E' ? QStringLiteral("None") : QStringLiteral("Ohne");
    FFTwinGroup->setItems(windows);
    for (int i = 0; i < FFTwinGroup->count() && i < int(std::size(kWindowTips)); ++i)
        FFTwinGroup->button(i)->setToolTip(Pick(letter, kWindowTips[i]));
    StartButton->setToolTip(Pick(letter, kStartTip));
    StopButton->setToolTip(Pick(letter, kStopTip));
    Binpopt->setToolTip(Pick(letter, kInParaTip));
    Label2->setToolTip(letter == 'E' ? QStringLiteral("possible overload") : QStringLiteral("evtl. Übersteuerung"));
    InputSamples->setTitle(Pick(letter, words::kInputSamples));
    showOutputVolume(letter);
}

void TAnalyzerPage::ShowChannelColours(const QColor& left, const QColor& right)
{
    MeasureLeft->setStyleSheet(QStringLiteral("color: %1;").arg(left.name()));
    MeasureRight->setStyleSheet(QStringLiteral("color: %1;").arg(right.name()));
}

void TAnalyzerPage::ShowCorrectionStatus(bool active)
{
    coract->setText(active ? Messages().correctionActive : QStringLiteral("."));
}

} // namespace korvanta
