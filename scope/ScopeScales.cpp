#include "scope/ScopeScales.h"

#include "scope/ScopeTables.h"

#include <cmath>

namespace korvanta {

namespace {
constexpr int kSignificantDigits = 3;

struct Prefix {
    double factor;
    const char* symbol;
};
constexpr Prefix kPrefixes[] = {{1.0, ""}, {1e-3, "m"}, {1e-6, "µ"}, {1e-9, "n"}};

QString withPrefix(double value, const char* unit)
{
    if (value == 0.0 || !std::isfinite(value))
        return QStringLiteral("0") + QString::fromUtf8(unit);
    const double magnitude = std::fabs(value);
    const Prefix* p = &kPrefixes[std::size(kPrefixes) - 1];
    for (const Prefix& q : kPrefixes)
        if (magnitude >= q.factor * (1.0 - 1e-9)) {
            p = &q;
            break;
        }
    const double scaled = value / p->factor;
    const int whole = std::max(1, int(std::floor(std::log10(std::fabs(scaled)) + 1e-9)) + 1);
    const int decimals = std::max(0, kSignificantDigits - whole);
    QString text = QString::number(scaled, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text + QString::fromUtf8(p->symbol) + QString::fromUtf8(unit);
}

struct ScaleWords {
    const char* perDiv;   // after a volts or time step
    const char* ground;
    const char* trigger;
};
constexpr ScaleWords kGerman{"/Div", "Gnd", "Trigger"};
constexpr ScaleWords kEnglish{"/div", "Gnd", "Trigger"};

QString channelText(const char* name, double volts, bool ground, const ScaleWords& w)
{
    return QString::fromLatin1(name) + QLatin1Char(' ') + VoltsText(volts) + QString::fromUtf8(w.perDiv)
           + (ground ? QStringLiteral(" ") + QString::fromUtf8(w.ground) : QString());
}
} // namespace

QString VoltsText(double volts) { return withPrefix(volts, "V"); }
QString SecondsText(double seconds) { return withPrefix(seconds, "s"); }

QStringList ScopeScaleLines(const ScopeScales& s, char letter)
{
    const ScaleWords& w = letter == 'E' ? kEnglish : kGerman;
    const bool xy = s.secondsPerDiv == kXYSeconds;
    if (xy)
        return {QStringLiteral("Y: ") + channelText("Ch1", s.voltsPerDiv1, s.ground1, w) + QStringLiteral("   X: ")
                    + channelText("Ch2", s.voltsPerDiv2, s.ground2, w),
                QStringLiteral("X-Y")};
    const double triggerVolts = s.triggerLevel * (s.triggerOnChannel1 ? s.voltsPerDiv1 : s.voltsPerDiv2);
    return {channelText("Ch1", s.voltsPerDiv1, s.ground1, w) + QStringLiteral("   ")
                + channelText("Ch2", s.voltsPerDiv2, s.ground2, w),
            SecondsText(s.secondsPerDiv) + QString::fromUtf8(w.perDiv) + QStringLiteral("   ")
                + QString::fromUtf8(w.trigger) + QLatin1Char(' ')
                + QString::fromLatin1(s.triggerOnChannel1 ? "Ch1" : "Ch2") + QLatin1Char(' ')
                + QString::fromUtf8(s.triggerRising ? "↑" : "↓") + QLatin1Char(' ') + VoltsText(triggerVolts)};
}

float TriggerMarkerDivisions(const ScopeScales& s) { return s.triggerZero + s.triggerLevel; }

} // namespace korvanta
