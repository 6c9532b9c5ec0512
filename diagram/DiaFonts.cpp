#include "diagram/DiaFonts.h"

#include "diagram/DiaScale.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace korvanta {

int FontPixelSize(int points) { return (points * 96 + 36) / 72; }

QFont DiaFont(int points, bool bold, bool italic)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(FontPixelSize(points) > 0 ? FontPixelSize(points) : 1);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

DiaTextMetrics MeasureDiaText(int points)
{
    const QFontMetrics fm(DiaFont(points));
    DiaTextMetrics m;
    m.charW = fm.horizontalAdvance(QLatin1Char('8'));
    m.charH = fm.height();
    m.kLabelWidth = fm.horizontalAdvance(QStringLiteral("20.00k"));
    m.textHeight = fm.height();
    return m;
}

int CaptionHeight(const QString& caption, int points)
{
    return caption.isEmpty() ? 0 : QFontMetrics(DiaFont(points)).height();
}

int WidestLeftLabel(double ymin, double ymax, double step, int decimals, int points)
{
    const QFontMetrics fm(DiaFont(points));
    int widest = 0;
    auto measure = [&](double v) {
        if (std::isfinite(v))
            widest = std::max(widest, fm.horizontalAdvance(LeftAxisLabel(v, decimals)));
    };
    measure(ymin);
    measure(ymax);
    if (step > 0.0)
        measure(ymin + std::round(std::fabs(ymax - ymin) / step) * step);   // the last line drawn
    return widest;
}

} // namespace korvanta
