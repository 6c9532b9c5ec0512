#include "platform/IniValues.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace korvanta {

namespace ini {

std::optional<int64_t> ParseWhole(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return int64_t(value);
}

std::optional<int32_t> ParseInt(const QString& text)
{
    const auto value = ParseWhole(text);
    if (!value || *value < std::numeric_limits<int32_t>::min() || *value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(*value);
}

std::optional<double> ParseDouble(const QString& text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> ParseReal(const QString& text)
{
    const auto value = ParseDouble(text);
    if (!value || std::abs(*value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return value;
}

bool ParseBool(const QString& text) { return text != QLatin1String("FALSE"); }

QString FormatReal(double value, int decimals)
{
    QString s = QString::number(value, 'f', decimals);
    // Values that round to zero would otherwise be written as "-0" or "-0.0".
    if (s.startsWith(QLatin1Char('-'))) {
        QString digits = s.mid(1);
        digits.remove(QLatin1Char('.')).remove(QLatin1Char('0'));
        if (digits.isEmpty())
            s.remove(0, 1);
    }
    return s;
}

QString FormatBool(bool value) { return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); }

} // namespace ini

} // namespace korvanta
