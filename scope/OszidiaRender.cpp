#include "scope/OszidiaRender.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace korvanta {

OszidiaLayout LayoutOszidia(const OszidiaStore& s, int clientWidth, int clientHeight, int scaleStrip)
{
    OszidiaLayout l;
    l.left = 0;
    l.top = kHeaderHeight;
    l.scaleStrip = std::max(scaleStrip, 0);
    l.right = std::max(clientWidth - 1, l.left);
    l.bottom = std::max(clientHeight - 1 - kBottomMargin - l.scaleStrip, l.top);
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

int OszidiaTriggerMarkerY(const OszidiaLayout& l, const OszidiaStore& s)
{
    if (!s.scales.valid || s.IsXY() || s.yMax == s.yMin)
        return -1;
    return OszidiaPointY(l, s, TriggerMarkerDivisions(s.scales));
}

namespace {
// The trigger marker: a small arrow at the left edge pointing at the level.
constexpr int kMarkerLength = 7;
constexpr int kMarkerHalfHeight = 4;
constexpr int kScaleTextIndent = 3;

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
    // Only what a frame stored: the zero-filled arrays of a fresh set-up
    // would draw a line along the bottom.
    const int n = std::min(s.Filled(), int(values.size()));
    if (n <= 1)
        return;
    const std::vector<float>& xs = s.XValues();
    QPolygon line(n);
    for (size_t i = 0; i < size_t(n); ++i)
        line.setPoint(int(i), OszidiaPointX(l, s, xs[i], i == 0), OszidiaPointY(l, s, values[i]));
    p.setPen(QPen(colour, std::max(l.traceWidth, 1)));
    p.drawPolyline(line);
}

void drawTriggerMarker(QPainter& p, const OszidiaLayout& l, const OszidiaStore& s)
{
    const int y = OszidiaTriggerMarkerY(l, s);
    if (y < 0)
        return;
    const QColor colour = s.scales.triggerOnChannel1 ? oszi::Curve1 : oszi::Curve2;
    const QPoint arrow[3] = {QPoint(l.left, y - kMarkerHalfHeight), QPoint(l.left + kMarkerLength, y),
                             QPoint(l.left, y + kMarkerHalfHeight)};
    p.setPen(colour);
    p.setBrush(colour);
    p.drawPolygon(arrow, 3);
    p.setBrush(Qt::NoBrush);
}

void drawScaleStrip(QPainter& p, QSize size, const OszidiaLayout& l, const OszidiaStore& s, char letter)
{
    if (l.scaleStrip <= 0)
        return;
    const int top = size.height() - l.scaleStrip;
    p.fillRect(0, top, size.width(), l.scaleStrip, oszi::Header);
    if (!s.scales.valid)
        return;
    p.setPen(Qt::black);
    const QStringList lines = ScopeScaleLines(s.scales, letter);
    const int lineHeight = l.scaleStrip / 2;
    for (int i = 0; i < lines.size() && i < 2; ++i)
        p.drawText(QRect(kScaleTextIndent, top + i * lineHeight, size.width() - kScaleTextIndent, lineHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
}
} // namespace

void RenderOszidia(QPainter& p, QSize size, const OszidiaStore& s, const OszidiaLayout& l,
                   const OszidiaCursors& cursors, const QColor& background, const QFont& font, char letter)
{
    p.fillRect(0, l.top, size.width(), size.height() - l.top, background);
    p.fillRect(0, 0, size.width(), l.top, oszi::Header);
    p.setFont(font);
    drawScaleStrip(p, size, l, s, letter);
    if (!s.HasArrays() || s.Count() <= 1 || s.yMax == s.yMin)
        return;
    p.setPen(Qt::black);
    p.drawText(QPoint(l.left, 10 + p.fontMetrics().ascent()), s.caption);
    drawGraticule(p, l);
    drawCursors(p, l, cursors);
    drawCurve(p, l, s, s.Curve1(), oszi::Curve1);
    // In X-Y the one trace is channel 1 over channel 2; the second curve
    // slot holds nothing.
    if (!s.IsXY())
        drawCurve(p, l, s, s.Curve2(), oszi::Curve2);
    drawTriggerMarker(p, l, s);
}

void RenderOszidia(QImage& image, const OszidiaStore& s, const OszidiaLayout& l, const OszidiaCursors& cursors,
                   const QColor& background, const QFont& font, char letter)
{
    QPainter p(&image);
    RenderOszidia(p, image.size(), s, l, cursors, background, font, letter);
}

} // namespace korvanta
