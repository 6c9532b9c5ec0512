#include "devicetest/DtScreenRows.h"

#include "devicetest/DtReportTexts.h"
#include "platform/LanguageTexts.h"

#include <array>

namespace korvanta {

namespace {

constexpr std::array<Words, int(DtStepKind::MaxLevel) + 1> kKinds{{
    {"Schleifenverstärkung", "Loop gain"},
    {"Frequenzgang", "Frequency response"},
    {"Rauschen", "Noise"},
    {"Dynamikumfang", "Dynamic range"},
    {"THD", "THD"},
    {"IMD SMPTE", "IMD SMPTE"},
    {"IMD CCIF", "IMD CCIF"},
    {"Übersprechen", "Crosstalk"},
    {"Übersprechen, Ton aus", "Crosstalk, tone off"},
    {"Kanalgleichheit", "Channel match"},
    {"Maximalpegel", "Maximum level"},
}};

constexpr std::array<Words, int(DtColumn::Count)> kHeads{{
    dtwords::kFigure,
    dtwords::kChannel,
    dtwords::kValue,
    dtwords::kVolts,
    dtwords::kReference,
    {"Soundkarte begrenzt", "Card limits"},
    dtwords::kRemark,
}};

constexpr Words kTotal{"Gesamt", "Total"};
constexpr Words kTotalApprox{"Gesamt (ca.)", "Total (approx.)"};
constexpr Words kYes{"ja", "yes"};

QString frequencies(const DtStep& step)
{
    // "Sweep" in both languages, as the impulse response's texts say.
    if (step.sweep)
        return QStringLiteral("Sweep %1 – %2 Hz").arg(step.sweep->f1Hz, 0, 'f', 0).arg(step.sweep->f2Hz, 0, 'f', 0);
    QStringList hz;
    for (double f : step.frequencies)
        hz << QString::number(f, 'f', f < 100.0 ? 1 : 0);
    return hz.join(QStringLiteral(" + ")) + QStringLiteral(" Hz");
}

// The channel a one-sided step plays, as the reports name it; crosstalk
// names the direction it reads.
QString sideText(const DtStep& step, char letter)
{
    const bool crosstalk = step.kind == DtStepKind::Crosstalk || step.kind == DtStepKind::CrosstalkOff;
    switch (step.plays) {
    case DtPlays::LeftOnly:
        return DtChannelName(crosstalk ? DtChannel::LeftToRight : DtChannel::Left, letter);
    case DtPlays::RightOnly:
        return DtChannelName(crosstalk ? DtChannel::RightToLeft : DtChannel::Right, letter);
    case DtPlays::Both:
        break;
    }
    return QString();
}

} // namespace

QString DtStepText(const DtStep& step, char letter)
{
    QString text = Pick(letter, kKinds[size_t(step.kind)]);
    if (const QString side = sideText(step, letter); !side.isEmpty())
        text += QLatin1Char(' ') + side;
    if (!step.Silent())
        text += QLatin1Char(' ') + frequencies(step);
    return text;
}

QStringList DtPlanLines(const DtPlan& plan, const RunEstimate& estimate, char letter)
{
    QStringList lines;
    int total = 0;
    for (size_t i = 0; i < plan.steps.size(); ++i) {
        const int ms = i < estimate.stepMs.size() ? estimate.stepMs[i] : 0;
        total += ms;
        lines << QStringLiteral("%1. %2\t%3").arg(i + 1).arg(DtStepText(plan.steps[i], letter), DurationText(ms));
    }
    lines << Pick(letter, estimate.approximate ? kTotalApprox : kTotal) + QLatin1Char('\t') + DurationText(total);
    return lines;
}

QStringList DtFigureHeads(char letter)
{
    QStringList heads;
    for (const Words& w : kHeads)
        heads << Pick(letter, w);
    return heads;
}

QStringList DtFigureCells(const DtFigure& figure, char letter)
{
    QStringList cells;
    cells << DtFigureName(figure.id, letter) << DtChannelName(figure.channel, letter) << DtValueText(figure, letter);
    cells << (figure.volts ? DtVoltsText(*figure.volts) : QString());
    const QString reference = figure.reference ? DtNumberText(*figure.reference, figure.unit) : QString();
    cells << (reference.isEmpty() ? QString() : reference + QLatin1Char(' ') + figure.unit);
    cells << (figure.limitedByCard ? Pick(letter, kYes) : QString());
    cells << figure.note;
    return cells;
}

} // namespace korvanta
