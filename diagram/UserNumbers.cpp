#include "diagram/UserNumbers.h"

#include <cmath>

namespace korvanta {

bool ParseUserInt(const QString& text, int& value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok);
    return ok;
}

bool ParseUserReal(const QString& text, float& value)
{
    bool ok = false;
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    value = t.toFloat(&ok);
    return ok && std::isfinite(value);
}

} // namespace korvanta
