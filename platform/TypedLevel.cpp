#include "platform/TypedLevel.h"

#include <cmath>

namespace korvanta {

namespace {

constexpr int kFullPercent = 100;
constexpr double kDbPerDecade = 20.0;

// The whole number before an optional unit (any case, blanks allowed).
std::optional<int> WholeBefore(QString text, const QString& unit)
{
    text = text.trimmed();
    if (text.endsWith(unit, Qt::CaseInsensitive))
        text.chop(unit.size());
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

std::optional<int> ParseTypedPercent(const QString& text)
{
    const auto value = WholeBefore(text, QStringLiteral("%"));
    if (!value || *value < 0 || *value > kFullPercent)
        return std::nullopt;
    return value;
}

std::optional<int> ParseTypedDb(const QString& text, int offLevel)
{
    if (text.trimmed().compare(QStringLiteral("OFF"), Qt::CaseInsensitive) == 0)
        return offLevel;
    const auto value = WholeBefore(text, QStringLiteral("dB"));
    if (!value || *value < offLevel || *value > 0)
        return std::nullopt;
    return value;
}

QString PercentAsDb(int percent)
{
    if (percent <= 0)
        return QStringLiteral("OFF");
    const double db = kDbPerDecade * std::log10(double(percent) / kFullPercent);
    return QString::number(db, 'f', 1) + QStringLiteral("dB");
}

} // namespace korvanta
