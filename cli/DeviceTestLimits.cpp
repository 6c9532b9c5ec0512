#include "cli/DeviceTestLimits.h"

#include "cli/CommandLanguage.h"
#include "devicetest/DtConventions.h"
#include "devicetest/DtReportTexts.h"

#include <QJsonArray>
#include <array>
#include <cmath>

namespace korvanta {

namespace {

constexpr Words kNotMeasured{"%1 nicht gemessen%2, daher kann %3 nicht bestehen", "%1 not measured%2, so %3 cannot pass"};
constexpr Words kBelow{"%1 %2 unter der Grenze %3", "%1 %2 below the limit %3"};
constexpr Words kAbove{"%1 %2 über der Grenze %3", "%1 %2 above the limit %3"};
constexpr Words kNoCrosstalk{"%1: kein Übersprechen gemessen, daher kann --max-crosstalk nicht bestehen",
                             "%1: no crosstalk measured, so --max-crosstalk cannot pass"};
constexpr Words kNoMatch{"kein Kanalgleichlauf gemessen, daher kann --max-channel-match nicht bestehen",
                         "no channel match measured, so --max-channel-match cannot pass"};
constexpr Words kNoResponse{"%1: kein Frequenzgang gemessen, daher kann --tolerance nicht bestehen",
                            "%1: no frequency response measured, so --tolerance cannot pass"};
constexpr Words kNoSignal{": kein Signal", ": no signal"};
constexpr Words kOutside{"%1: Frequenzgang %2 dB außerhalb %3 .. %4 dB", "%1: response %2 dB outside %3 .. %4 dB"};

// The curve of the frequency response, as the procedure names it.
const QLatin1String kResponseCurve("response");
// CCIF's upper tone; where the rate has no room for it the figure is left out.
constexpr double kCcifUpperHz = 19000.0;

constexpr std::array<DtChannel, 2> kChannels{DtChannel::Left, DtChannel::Right};
constexpr std::array<DtChannel, 2> kCrossings{DtChannel::LeftToRight, DtChannel::RightToLeft};

// What the report prints, back as a number: limits judge what the user sees.
double printed(double value, const QString& unit)
{
    return std::isfinite(value) ? DtNumberText(value, unit).toDouble() : value;
}

QString limitText(double x) { return QString::number(x, 'g', 10); }

const DtFigure* find(const DeviceTestResult& r, const QString& id, DtChannel channel)
{
    for (const DtFigure& f : r.figures)
        if (f.id == id && f.channel == channel)
            return &f;
    return nullptr;
}

const DtCurve* findCurve(const DeviceTestResult& r, DtChannel channel)
{
    for (const DtCurve& c : r.curves)
        if (c.id == kResponseCurve && c.channel == channel)
            return &c;
    return nullptr;
}

bool ccifLeftOut(const DtHeader& h) { return h.rate > 0 && kCcifUpperHz > kDtCcifRateShare * h.rate; }

// One figure against a lower (min) or upper (max) bound.
DtLimitCheck judgeFigure(const DeviceTestResult& r, const char* option, const QString& id, DtChannel channel,
                         std::optional<double> min, std::optional<double> max)
{
    DtLimitCheck c{QLatin1String(option), id, channel, {}, {}, min, max, false, {}};
    const QString where = DtChannelName(channel, CommandLetter()) + QStringLiteral(": ") + DtFigureName(id, CommandLetter());
    const DtFigure* f = find(r, id, channel);
    if (!f || !f->Measured()) {
        const QString why = f && !f->note.isEmpty() ? QStringLiteral(" (%1)").arg(f->note) : QString();
        c.failure = Say(kNotMeasured).arg(where, why, c.option);
        return c;
    }
    const double v = printed(f->value, f->unit);
    c.value = v;
    const QString shown = DtNumberText(f->value, f->unit) + QLatin1Char(' ') + f->unit;
    if (min && v < *min)
        c.failure = Say(kBelow).arg(where, shown, limitText(*min));
    else if (max && v > *max)
        c.failure = Say(kAbove).arg(where, shown, limitText(*max));
    c.pass = c.failure.isEmpty();
    return c;
}

// Every crosstalk reading either way, at whatever frequencies the run read
// them; a direction without any fails.
void judgeCrosstalk(const DeviceTestResult& r, double max, std::vector<DtLimitCheck>& out)
{
    const QLatin1String prefix(dtid::Crosstalk);
    for (DtChannel crossing : kCrossings) {
        const size_t before = out.size();
        for (const DtFigure& f : r.figures)
            if (f.channel == crossing && f.id.startsWith(prefix) && f.id.size() > prefix.size())
                out.push_back(judgeFigure(r, "--max-crosstalk", f.id, crossing, {}, max));
        if (out.size() == before)
            out.push_back({QStringLiteral("--max-crosstalk"), prefix, crossing, {}, {}, {}, max, false,
                           Say(kNoCrosstalk).arg(DtChannelName(crossing, CommandLetter()))});
    }
}

// The gain difference between the channels either way, at whatever
// frequencies the run matched them; a run without any fails.
void judgeChannelMatch(const DeviceTestResult& r, double max, std::vector<DtLimitCheck>& out)
{
    const QLatin1String prefix(dtid::MatchGain);
    const size_t before = out.size();
    for (const DtFigure& f : r.figures)
        if (f.channel == DtChannel::Both && f.id.startsWith(prefix) && f.id.size() > prefix.size())
            out.push_back(judgeFigure(r, "--max-channel-match", f.id, DtChannel::Both, -max, max));
    if (out.size() == before)
        out.push_back({QStringLiteral("--max-channel-match"), prefix, DtChannel::Both, {}, {}, -max, max, false,
                       Say(kNoMatch)});
}

void judgeResponse(const DeviceTestResult& r, const ToleranceBand& band, std::vector<DtLimitCheck>& out)
{
    const QLatin1String option("--tolerance");
    const QString dB = QStringLiteral("dB");
    for (DtChannel channel : kChannels) {
        const DtCurve* curve = findCurve(r, channel);
        if (!curve || curve->x.empty()) {
            out.push_back({option, kResponseCurve, channel, {}, {}, {}, {}, false,
                           Say(kNoResponse).arg(DtChannelName(channel, CommandLetter()))});
            continue;
        }
        for (size_t i = 0; i < curve->x.size() && i < curve->y.size(); ++i) {
            const double hz = curve->x[i];
            const auto limits = band.at(hz);
            if (!limits)
                continue;
            DtLimitCheck c{option, kResponseCurve, channel, hz, {}, limits->min, limits->max, false, {}};
            const QString where =
                QStringLiteral("%1: %2 Hz").arg(DtChannelName(channel, CommandLetter()), DtNumberText(hz, QStringLiteral("Hz")));
            if (std::isnan(curve->y[i])) {
                c.failure = where + Say(kNoSignal);
            } else {
                c.value = printed(curve->y[i], dB);
                if (*c.value < limits->min || *c.value > limits->max)
                    c.failure = Say(kOutside)
                                    .arg(where, DtNumberText(curve->y[i], dB), DtNumberText(limits->min, dB),
                                         DtNumberText(limits->max, dB));
            }
            c.pass = c.failure.isEmpty();
            out.push_back(c);
        }
    }
}

QJsonValue optionalNumber(const std::optional<double>& x)
{
    return x && std::isfinite(*x) ? QJsonValue(*x) : QJsonValue(QJsonValue::Null);
}

} // namespace

bool DtLimits::Any() const
{
    return minDynamicRange || maxThdn || maxCrosstalk || maxNoise || maxImd || maxChannelMatch || response;
}

bool DtVerdict::Pass() const
{
    for (const DtLimitCheck& c : checks)
        if (!c.pass)
            return false;
    return true;
}

QStringList DtVerdict::Failures() const
{
    QStringList lines;
    for (const DtLimitCheck& c : checks)
        if (!c.pass)
            lines << c.failure;
    return lines;
}

DtVerdict JudgeDeviceTest(const DeviceTestResult& r, const DtLimits& limits)
{
    DtVerdict v;
    v.checked = limits.Any();
    auto each = [&](const char* option, const QString& id, std::optional<double> min, std::optional<double> max) {
        for (DtChannel channel : kChannels)
            v.checks.push_back(judgeFigure(r, option, id, channel, min, max));
    };
    if (limits.maxNoise)
        each("--max-noise", QLatin1String(dtid::Noise), {}, limits.maxNoise);
    if (limits.minDynamicRange)
        each("--min-dynamic-range", QLatin1String(dtid::DynamicRange), limits.minDynamicRange, {});
    if (limits.maxThdn)
        each("--max-thdn", QLatin1String(dtid::ThdnDb), {}, limits.maxThdn);
    if (limits.maxImd) {
        each("--max-imd", QLatin1String(dtid::ImdSmpte), {}, limits.maxImd);
        if (!ccifLeftOut(r.header)) {
            each("--max-imd", QLatin1String(dtid::ImdCcifD2), {}, limits.maxImd);
            each("--max-imd", QLatin1String(dtid::ImdCcifD3), {}, limits.maxImd);
        }
    }
    if (limits.maxCrosstalk)
        judgeCrosstalk(r, *limits.maxCrosstalk, v.checks);
    if (limits.maxChannelMatch)
        judgeChannelMatch(r, *limits.maxChannelMatch, v.checks);
    if (limits.response)
        judgeResponse(r, *limits.response, v.checks);
    return v;
}

QJsonObject DtVerdictJson(const DtVerdict& v)
{
    QJsonArray checks;
    for (const DtLimitCheck& c : v.checks)
        checks.append(QJsonObject{{QStringLiteral("limit"), c.option},
                                  {QStringLiteral("figure"), c.figure},
                                  {QStringLiteral("channel"), DtChannelKey(c.channel)},
                                  {QStringLiteral("frequency_hz"), optionalNumber(c.hz)},
                                  {QStringLiteral("value"), optionalNumber(c.value)},
                                  {QStringLiteral("min"), optionalNumber(c.min)},
                                  {QStringLiteral("max"), optionalNumber(c.max)},
                                  {QStringLiteral("pass"), c.pass}});
    return {{QStringLiteral("checked"), v.checked},
            {QStringLiteral("pass"), v.Pass()},
            {QStringLiteral("failures"), QJsonArray::fromStringList(v.Failures())},
            {QStringLiteral("checks"), checks}};
}

} // namespace korvanta
