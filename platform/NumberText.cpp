#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
// Values below 1e-15 read as 0: no measurement resolves them, and the
// text stays short.
constexpr int kMaxDecimals = 15;
} // namespace

QString SignificantText(double v, int significant)
{
    if (!std::isfinite(v))
        return std::isnan(v) ? QStringLiteral("nan") : (v > 0 ? QStringLiteral("inf") : QStringLiteral("-inf"));
    significant = std::clamp(significant, 1, 15);
    // Rounded to its significant digits first, so that 1234 reads 1230 as
    // it would in exponent notation, and a carry (9.996 -> 10.0) is seen.
    const double rounded = QString::number(v, 'g', significant).toDouble();
    if (rounded == 0.0)
        return QStringLiteral("0");
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(rounded))));
    const int decimals = std::clamp(significant - 1 - exponent, 0, kMaxDecimals);
    QString text = QString::number(rounded, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

} // namespace korvanta
