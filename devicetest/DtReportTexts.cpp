#include "devicetest/DtReportTexts.h"
#include "platform/NumberText.h"

#include <QRegularExpression>
#include <array>
#include <cmath>

namespace korvanta {

namespace {

struct NamedId {
    const char* id;
    Words name;
};

// Whole ids first, then the prefixes whose suffix is a number (harmonic or
// frequency), longest first so "h" does not swallow the others.
const std::array<NamedId, 19> kNames{{
    {dtid::ResponseLow, {"Frequenzgang unter 1 kHz", "Response below 1 kHz"}},
    {dtid::ResponseHigh, {"Frequenzgang über 1 kHz", "Response above 1 kHz"}},
    {dtid::Minus3Low, {"Untere −3-dB-Grenze", "Lower −3 dB point"}},
    {dtid::Minus3High, {"Obere −3-dB-Grenze", "Upper −3 dB point"}},
    {dtid::Noise, {"Rauschpegel", "Noise level"}},
    {dtid::NoiseA, {"Rauschpegel A-bewertet", "Noise level A-weighted"}},
    {dtid::HumLevel, {"Größte Störlinie", "Largest spurious line"}},
    {dtid::HumFrequency, {"Frequenz der Störlinie", "Frequency of the spurious line"}},
    {dtid::DynamicRange, {"Dynamikumfang", "Dynamic range"}},
    {dtid::DynamicRangeA, {"Dynamikumfang A-bewertet", "Dynamic range A-weighted"}},
    {dtid::ThdPercent, {"THD", "THD"}},
    {dtid::ThdDb, {"THD", "THD"}},
    {dtid::ThdnPercent, {"THD+N", "THD+N"}},
    {dtid::ThdnDb, {"THD+N", "THD+N"}},
    {dtid::ImdSmpte, {"IMD SMPTE", "IMD SMPTE"}},
    {dtid::ImdCcifD2, {"IMD CCIF d2", "IMD CCIF d2"}},
    {dtid::ImdCcifD3, {"IMD CCIF d3", "IMD CCIF d3"}},
    {dtid::MaxLevel, {"Maximalpegel am Ausgang (1 % THD+N)", "Maximum level at the output (1 % THD+N)"}},
    {dtid::MaxLevelInput, {"Maximalpegel am Eingang (1 % THD+N)", "Maximum level at the input (1 % THD+N)"}},
}};

// The steps whose level at the input is a figure (dtid::InputLevel), by
// the id's suffix; crosstalk and match carry their frequency after it.
const std::array<NamedId, 9> kLevelSteps{{
    {"loop_gain", {"Schleifenverstärkung", "loop gain"}},
    {"response", {"Frequenzgang", "frequency response"}},
    {"dynamic_range", {"Dynamikumfang", "dynamic range"}},
    {"thd", {"THD", "THD"}},
    {"imd_smpte", {"IMD SMPTE", "IMD SMPTE"}},
    {"imd_ccif", {"IMD CCIF", "IMD CCIF"}},
    {"crosstalk", {"Übersprechen", "crosstalk"}},
    {"match", {"Kanalgleichheit", "channel match"}},
    {"max_level", {"Maximalpegel", "maximum level"}},
}};
constexpr Words kLevelAtInput{"Pegel am Eingang", "Level at the input"};

const std::array<NamedId, 4> kPrefixed{{
    {dtid::Crosstalk, {"Übersprechen", "Crosstalk"}},
    {dtid::MatchGain, {"Pegelgleichheit", "Channel match, gain"}},
    {dtid::MatchPhase, {"Phasengleichheit", "Channel match, phase"}},
    {dtid::Harmonic, {"H", "H"}},
}};

constexpr double kHzPerKhz = 1000.0;
constexpr double kFineHzBelow = 100.0;
constexpr int kDbDecimals = 2;
constexpr int kSignificant = 3;

QString FrequencyWords(const QString& hz)
{
    bool ok = false;
    const double f = hz.toDouble(&ok);
    if (!ok)
        return hz;
    return f >= kHzPerKhz ? QString::number(f / kHzPerKhz) + QStringLiteral(" kHz") : QString::number(f) + QStringLiteral(" Hz");
}

// The input's width, and where its samples held finer steps than that
// width, that the path carries more: a float path's noise may lie far
// below what the width allows, and the dynamic range with it.
QString InputWidthText(const DtHeader& h, char letter)
{
    if (h.inputBits <= 0)
        return Pick(letter, dtwords::kUnknown);
    const QString bits = QString::number(h.inputBits) + QStringLiteral(" bit");
    if (!h.inputFinerThanBits)
        return bits;
    return bits + QStringLiteral(" (") + Pick(letter, dtwords::kFinerThanBits).arg(h.inputBits) + QLatin1Char(')');
}

// "Level at the input, THD", "…, crosstalk 1 kHz".
QString LevelStepName(const QString& step, char letter)
{
    for (const NamedId& n : kLevelSteps) {
        const QLatin1String name(n.id);
        if (step == name)
            return Pick(letter, n.name);
        if (step.startsWith(name + QLatin1Char('_')))
            return Pick(letter, n.name) + QLatin1Char(' ') + FrequencyWords(step.mid(name.size() + 1));
    }
    return step;
}

} // namespace

QString DtFigureName(const QString& id, char letter)
{
    for (const NamedId& n : kNames)
        if (id == QLatin1String(n.id))
            return Pick(letter, n.name);
    if (const QLatin1String level(dtid::InputLevel); id.startsWith(level) && id.size() > level.size())
        return Pick(letter, kLevelAtInput) + QStringLiteral(", ") + LevelStepName(id.mid(level.size()), letter);
    for (const NamedId& n : kPrefixed) {
        const QLatin1String prefix(n.id);
        if (!id.startsWith(prefix) || id.size() == prefix.size())
            continue;
        const QString rest = id.mid(prefix.size());
        if (prefix == QLatin1String(dtid::Harmonic))
            return QStringLiteral("H") + rest.section(QLatin1Char('_'), 0, 0);
        return Pick(letter, n.name) + QLatin1Char(' ') + FrequencyWords(rest);
    }
    return id;
}

QString DtChannelName(DtChannel channel, char letter)
{
    switch (channel) {
    case DtChannel::Left: return Pick(letter, {"Links", "Left"});
    case DtChannel::Right: return Pick(letter, {"Rechts", "Right"});
    case DtChannel::LeftToRight: return Pick(letter, {"Links → Rechts", "Left → Right"});
    case DtChannel::RightToLeft: return Pick(letter, {"Rechts → Links", "Right → Left"});
    case DtChannel::Both: return Pick(letter, {"Links gegen Rechts", "Left against Right"});
    }
    return {};
}

QStringList DtConventionLines(const DtHeader& h, char letter)
{
    // The band's edges as set (20, 21600), not in a measured frequency's digits.
    const QString band = QStringLiteral("%1 Hz – %2 Hz").arg(QString::number(h.bandLowHz), QString::number(h.bandHighHz));
    if (letter == 'E')
        return {QStringLiteral("Levels in dBFS relative to a full-scale sine (AES17)."),
                QStringLiteral("A fixed measurement band of %1, whatever the analyzer's band is.").arg(band),
                QStringLiteral("Noise as noise-bandwidth-correct power summed over the band's bins."),
                QStringLiteral("THD and IMD at %1 dBFS at the input.").arg(DtNumberText(h.referenceLevelDbfs, QStringLiteral("dB")))};
    return {QStringLiteral("Pegel in dBFS bezogen auf einen Vollaussteuerungs-Sinus (AES17)."),
            QStringLiteral("Ein fester Messbereich von %1, unabhängig vom Bereich des Analysators.").arg(band),
            QStringLiteral("Rauschen als rauschbandbreiten-richtige Leistung, summiert über die Linien des Bereichs."),
            QStringLiteral("THD und IMD bei %1 dBFS am Eingang.").arg(DtNumberText(h.referenceLevelDbfs, QStringLiteral("dB")))};
}

QList<QPair<QString, QString>> DtHeaderRows(const DtHeader& h, char letter)
{
    using namespace dtwords;
    const QString unknown = Pick(letter, kUnknown);
    // A rate or width of 0 was never set; a volume of 0 % is a setting.
    auto known = [&](int v, const QString& unit) { return v <= 0 ? unknown : QString::number(v) + unit; };
    auto volume = [&](int v) { return v < 0 ? unknown : QString::number(v) + QStringLiteral(" %"); };
    const QString mixer = h.inputVolumePercent < 0 && h.outputVolumePercent < 0
                              ? unknown
                              : QStringLiteral("%1 / %2").arg(volume(h.inputVolumePercent), volume(h.outputVolumePercent));
    return {
        {Pick(letter, kKind), Pick(letter, h.selfTest ? kSelfTest : kDeviceRun)},
        {Pick(letter, kNote), h.note},
        {Pick(letter, kInput), h.inputDevice},
        {Pick(letter, kOutput), h.outputDevice},
        {Pick(letter, kRate), known(h.rate, QStringLiteral(" Hz"))},
        {Pick(letter, kWidth), QStringLiteral("%1 / %2").arg(InputWidthText(h, letter),
                                                            known(h.outputBits, QStringLiteral(" bit")))},
        {Pick(letter, kMixer), mixer},
        {Pick(letter, kCalibration), h.calibration.isEmpty() ? unknown : DtCalibrationShown(h.calibration, letter)},
        {Pick(letter, kDate), h.date},
        {Pick(letter, kVersion), h.programVersion},
    };
}

QString DtNumberText(double value, const QString& unit)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? QString() : (value > 0 ? QStringLiteral("∞") : QStringLiteral("−∞"));
    if (unit == QLatin1String("%"))
        return SignificantText(value, kSignificant);
    if (unit == QLatin1String("Hz"))
        return QString::number(value, 'f', std::fabs(value) < kFineHzBelow ? 1 : 0);
    // Rounded first, so a value just below zero does not print as "-0.00".
    const double scale = std::pow(10.0, kDbDecimals);
    const double rounded = std::round(value * scale) / scale;
    return QString::number(rounded == 0.0 ? 0.0 : rounded, 'f', kDbDecimals);
}

QString DtVoltsText(double volts)
{
    struct Prefix {
        double scale;
        const char* unit;
    };
    static constexpr std::array<Prefix, 4> kPrefixes{{{1.0, " V"}, {1e-3, " mV"}, {1e-6, " µV"}, {1e-9, " nV"}}};
    if (!std::isfinite(volts))
        return {};
    for (const Prefix& p : kPrefixes)
        if (std::fabs(volts) >= p.scale || p.scale == kPrefixes.back().scale)
            return SignificantText(volts / p.scale, kSignificant) + QString::fromUtf8(p.unit);
    return {};
}

QString DtValueText(const DtFigure& f, char letter)
{
    if (!f.Measured())
        return Pick(letter, dtwords::kNotMeasured);
    return DtNumberText(f.value, f.unit) + QLatin1Char(' ') + f.unit;
}

QString DtRemarkText(const DtFigure& f, char letter)
{
    QStringList parts;
    if (f.limitedByCard)
        parts << Pick(letter, dtwords::kLimitedByCard);
    if (!f.note.isEmpty())
        parts << f.note;
    return parts.join(QStringLiteral("; "));
}

QString DtCalibrationShown(const QString& stored, char letter)
{
    if (letter == 'E')
        return stored;
    if (stored == QLatin1String("none"))
        return QStringLiteral("keine");
    static const QRegularExpression form(QStringLiteral(
        R"(^input full scale (\S+) mV RMS at input volume (\S+) %( \(input volume now (\S+) %: not valid\))?$)"));
    const QRegularExpressionMatch m = form.match(stored);
    if (!m.hasMatch())
        return stored;
    // The numbers keep the point the file wrote them with.
    QString text = QStringLiteral("Eingang Vollaussteuerung %1 mV eff. bei Eingangslautstärke %2 %")
                       .arg(m.captured(1), m.captured(2));
    if (m.capturedLength(3) > 0)
        text += QStringLiteral(" (Eingangslautstärke jetzt %1 %: nicht gültig)").arg(m.captured(4));
    return text;
}

} // namespace korvanta
