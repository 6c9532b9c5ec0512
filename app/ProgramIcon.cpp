#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace korvanta {

QImage ProgramImage(int size)
{
    QImage pm(size, size, QImage::Format_ARGB32_Premultiplied);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    p.setPen(QPen(QColor(40, 40, 40), s / 32.0));
    p.setBrush(QColor(0, 128, 128));
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.12, s * 0.12);
    p.setPen(QPen(QColor(255, 255, 0, 110), s / 64.0 + 0.5));
    for (int i = 1; i < 4; ++i) {
        p.drawLine(QPointF(s * 0.04 + i * s * 0.23, s * 0.1), QPointF(s * 0.04 + i * s * 0.23, s * 0.9));
        p.drawLine(QPointF(s * 0.1, s * 0.04 + i * s * 0.23), QPointF(s * 0.9, s * 0.04 + i * s * 0.23));
    }
    QPainterPath trace;
    for (int i = 0; i <= 64; ++i) {
        const double x = s * (0.12 + 0.76 * i / 64.0);
        const double y = s * (0.5 - 0.28 * std::sin(i / 64.0 * 2.0 * M_PI * 1.5));
        i == 0 ? trace.moveTo(x, y) : trace.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 0), s / 14.0, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(trace);
    p.end();
    return pm;
}

QPixmap ProgramPixmap(int size) { return QPixmap::fromImage(ProgramImage(size)); }

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(ProgramPixmap(size));
    return icon;
}

} // namespace korvanta
