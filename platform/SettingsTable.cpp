#include "platform/SettingsTable.h"

#include "platform/DeviceLog.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace settings {

RuleOutcome ApplyRule(std::optional<double> parsed, const NumberRule& rule)
{
    if (!parsed || (rule.sentinel && *parsed == *rule.sentinel))
        return {rule.onError};
    const double v = rule.absolute ? std::abs(*parsed) : *parsed;
    if (!rule.valid.contains(v))
        return {rule.onError};
    if (rule.clampTo.contains(v))
        return {v};
    return {std::clamp(v, rule.clampTo.lo, rule.clampTo.hi), true};
}

void ReportClamp(const QString& section, const char* key, const QString& text, double taken)
{
    devlog::Append(QStringLiteral("Settings: [%1] %2=%3 is out of range; %4 is used")
                       .arg(section, QLatin1String(key), text, QString::number(taken)));
}

} // namespace settings

} // namespace korvanta
