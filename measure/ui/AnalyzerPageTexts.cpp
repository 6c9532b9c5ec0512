// The analyzer page's texts that follow the language or the state of other
// windows: captions, channel colours, the correction status.

#include "measure/ui/AnalyzerPage.h"
#include "platform/LanguageTexts.h"

#include "app/Audconst.h"
#include "measure/ui/RadioGroup.h"

#include <QCheckBox>
#include <QColor>
#include <QLabel>

namespace korvanta {

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
    Label2->setToolTip(letter == 'E' ? QStringLiteral("possible overload") : QStringLiteral("evtl. Übersteuerung"));
    InputSamples->setTitle(Pick(letter, words::kInputSamples));
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
