#include "scope/OszidiaRender.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

namespace korvanta {

OszidiaLayout LayoutOszidia(const OszidiaStore& s, int clientWidth, int clientHeight)
{
    OszidiaLayout l;
    l.left = 0;
    l.top = kHeaderHeight;
    l.right = std::max(clientWidth - 1, l.left);
    l.bottom = std::max(clientHeight - 1 - kBottomMargin, l.top);
    l.width = l.right - l.left;
    l.height = l.bottom - l.top;
    if (s.yMax != s.yMin)
        l.yScale = l.height / double(s.yMax - s.yMin);
    if (s.xMax != s.xMin)
        l.xScale = l.width / double(s.xMax - s.xMin);
    if (s.logX && s.xMin > 0 && s.xMax > 0 && s.xMax != s.xMin)
        l.logScale = l.width / std::log(double(s.xMax) / s.xMin);
    return l;
}

int OszidiaPointX(const OszidiaLayout& l, const OszidiaStore& s, float x, bool first)
{
    int px;
    if (s.logX)
        px = (x > 0 && s.xMin > 0) ? int(std::lround(std::log(double(x) / s.xMin) * l.logScale + l.left)) : l.right;
    else
        px = int(std::lround(x * l.xScale)) + l.left;
    return first ? px : std::clamp(px, l.left, l.right);
}

int OszidiaPointY(const OszidiaLayout& l, const OszidiaStore& s, float value)
{
    const int py = l.bottom - int(std::lround((double(value) - s.yMin) * l.yScale));
    if (py > l.bottom)
        return l.bottom + kOutsideOffset;
    if (py < l.top)
        return l.top - kOutsideOffset;
    return py;
}

namespace {
void drawGraticule(QPainter& p, const OszidiaLayout& l)
{
    p.setPen(oszi::Graticule);
    for (int i = 0; i <= 10; ++i) {
        const int x = l.left + int(std::lround(i * l.width / 10.0));
        p.drawLine(x, l.top, x, l.bottom);
    }
    for (int i = 0; i <= 8; ++i) {
        const int y = l.top + int(std::lround(i * l.yScale));
        p.drawLine(l.left, y, l.right, y);
    }
}

void drawCursors(QPainter& p, const OszidiaLayout& l, const OszidiaCursors& c)
{
    p.setPen(oszi::Cursor);
    if (c.timeStart > 0 && c.timeNow > 0) {
        p.drawLine(c.timeStart, l.top, c.timeStart, l.bottom);
        p.drawLine(c.timeNow, l.top, c.timeNow, l.bottom);
    }
    if (c.voltStart > 0 && c.voltNow > 0) {
        p.drawLine(l.left, c.voltStart, l.right, c.voltStart);
        p.drawLine(l.left, c.voltNow, l.right, c.voltNow);
    }
}

void drawCurve(QPainter& p, const OszidiaLayout& l, const OszidiaStore& s, const std::vector<float>& values,
               const QColor& colour)
{
    const std::vector<float>& xs = s.XValues();
    QPolygon line(int(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        line.setPoint(int(i), OszidiaPointX(l, s, xs[i], i == 0), OszidiaPointY(l, s, values[i]));
    p.setPen(colour);
    p.drawPolyline(line);
}
} // namespace

void RenderOszidia(QImage& image, const OszidiaStore& s, const OszidiaLayout& l, const OszidiaCursors& cursors,
                   const QColor& background, const QFont& font)
{
    QPainter p(&image);
    p.fillRect(0, l.top, image.width(), image.height() - l.top, background);
    p.fillRect(0, 0, image.width(), l.top, oszi::Header);
    if (!s.HasArrays() || s.Count() <= 1 || s.yMax == s.yMin)
        return;
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPoint(l.left, 10 + p.fontMetrics().ascent()), s.caption);
    drawGraticule(p, l);
    drawCursors(p, l, cursors);
    drawCurve(p, l, s, s.Curve1(), oszi::Curve1);
    drawCurve(p, l, s, s.Curve2(), oszi::Curve2);
}

} // namespace korvanta
