#include "diagram/DiaRender.h"
#include "platform/LanguageTexts.h"

#include "diagram/DiaFonts.h"
#include "diagram/DiaLegend.h"
#include "diagram/DiaScale.h"
#include "platform/SharedRoutines.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace korvanta {

QString DiaRenderer::CreditText(char language) { return Pick(language, words::kCredit); }

namespace {

// Grid rows are at most this many; more means the step no longer fits the
// range (a layout that failed) and the axis is left out.
constexpr int MaxGridLines = 10000;

const QColor FrameShadow(0x80, 0x80, 0x80);
const QColor FrameLight(0xC0, 0xC0, 0xC0);
const QColor ProductColour(0x80, 0x80, 0x00);   // olive

// Text with its top-left corner at (x, y), as the picture's coordinates are
// all given for text cells.
void TextOut(QPainter& p, int x, int y, const QString& text)
{
    p.drawText(x, y + p.fontMetrics().ascent(), text);
}

int TextWidth(const QPainter& p, const QString& text) { return p.fontMetrics().horizontalAdvance(text); }

// Horizontal and vertical lines stop one pixel short of their end point, so
// that lines meeting at a corner never overdraw each other.
void Line(QPainter& p, int x1, int y1, int x2, int y2)
{
    if (x1 == x2 && y1 != y2)
        y2 += y2 > y1 ? -1 : 1;
    else if (y1 == y2 && x1 != x2)
        x2 += x2 > x1 ? -1 : 1;
    p.drawLine(x1, y1, x2, y2);
}

void SetPen(QPainter& p, const QColor& c) { p.setPen(QPen(c, 0)); }

// A wide curve ends where its last point is, never in the margin beside
// the plot; the screen's one-pixel line keeps its cap, which draws the
// last point.
Qt::PenCapStyle CurveCap(int width) { return width > 0 ? Qt::FlatCap : Qt::SquareCap; }

QPen SolidPen(ColorRef c, int width) { return QPen(ColorFromRef(c), width, Qt::SolidLine, CurveCap(width)); }

int RoundToInt(double v) { return static_cast<int>(std::lround(v)); }

} // namespace

int DiaCurvePenWidth(int fontSize)
{
    const int grow = fontSize / DiaScreenFontSize;
    return grow > 1 ? grow : 0;
}

DiaRenderer::DiaRenderer() { polyline_.reserve(DiaPointStore::Capacity); }

DiaRenderResult DiaRenderer::render(QPaintDevice& bitmap, const DiaScene& scene, bool printing)
{
    DiaRenderResult result;
    sc_ = &scene;
    lay_ = scene.layout;
    opt_ = scene.options;
    if (lay_->plotBottom < lay_->plotTop)
        return result;
    QPainter p(&bitmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(DiaFont(lay_->fontSize));
    drawBackground(p);
    drawFrame(p);
    drawLeftAxis(p);
    drawRightAxis(p);
    drawXAxis(p);
    drawMemories(p);
    drawCurves(p);
    if (sc_->memories)
        DrawMemoryLegend(p, *lay_, *opt_, *sc_->memories);
    if (!printing)
        drawCursor(p);
    else
        drawPrintTexts(p);
    result.productNameWidth = drawProductName(p);
    drawCredit(p);
    result.drawn = true;
    return result;
}

void DiaRenderer::drawBackground(QPainter& p) const
{
    const QColor margin = ColorFromRef(opt_->colMargin);
    p.fillRect(QRect(lay_->plotLeft, lay_->plotTop, lay_->plotWidth(), lay_->plotHeight()),
               ColorFromRef(opt_->colDia));
    p.fillRect(lay_->topStrip(), margin);
    p.fillRect(lay_->bottomStrip(), margin);
    p.fillRect(lay_->leftStrip(), margin);
    p.fillRect(lay_->rightStrip(), margin);
}

// A sunken frame two pixels wide around the plot: dark above and left,
// light below and right.
void DiaRenderer::drawFrame(QPainter& p) const
{
    const int l = lay_->plotLeft, t = lay_->plotTop, r = lay_->plotRight, b = lay_->plotBottom;
    for (int d = 2; d >= 1; --d) {
        SetPen(p, d == 2 ? FrameShadow : Qt::black);
        Line(p, l - d, t - d, r + d, t - d);
        Line(p, l - d, t - d, l - d, b + d);
        SetPen(p, d == 2 ? Qt::white : FrameLight);
        Line(p, l - d, b + d, r + d, b + d);
        Line(p, r + d, t, r + d, b + d);
    }
}

// Rows of the level grid: round(|ymax - ymin| / step) + 1, both axes alike.
int DiaRenderer::gridLineCount() const
{
    const DiaRanges& r = lay_->ranges;
    if (lay_->yStep <= 0.0)
        return 0;
    const double k = std::round(std::fabs(double(r.ymax) - r.ymin) / lay_->yStep);
    return std::isfinite(k) && k <= MaxGridLines ? static_cast<int>(k) : -1;
}

void DiaRenderer::drawLeftAxis(QPainter& p) const
{
    const DiaRanges& r = lay_->ranges;
    if (sc_->points->count() == 0 || r.ymax - r.ymin == 0.0f || !sc_->showLeftScale)
        return;
    p.setPen(ColorFromRef(opt_->colLine1));
    if (!sc_->yCaption.isEmpty())
        TextOutRotated(p, 0, lay_->height / 2, 90, sc_->yCaption);
    const int k = gridLineCount();
    for (int j = 0; j <= k; ++j) {
        const double v = j == 0 ? double(r.ymin) : r.ymin + j * lay_->yStep;
        const int y = std::abs(RoundToInt((v - r.ymin) * lay_->ppdB) - lay_->plotBottom);
        if (y < lay_->plotTop)
            continue;
        const QString label = LeftAxisLabel(v, lay_->decimals);
        p.setPen(ColorFromRef(opt_->colLine1));
        TextOut(p, lay_->plotLeft - lay_->charW / 2 - TextWidth(p, label), y - lay_->charH / 2, label);
        SetPen(p, ColorFromRef(opt_->colGrid));
        Line(p, lay_->plotLeft, y, lay_->plotRight, y);
    }
}

void DiaRenderer::drawRightAxis(QPainter& p) const
{
    const DiaRanges& r = lay_->ranges;
    if (sc_->points->count() == 0 || r.y2max - r.y2min == 0.0f || !sc_->showRightScale)
        return;
    p.setPen(ColorFromRef(opt_->colLine2));
    if (!sc_->y2Caption.isEmpty()) {
        const int th = p.fontMetrics().height();
        TextOutRotated(p, lay_->width - (3 * th) / 2, lay_->height / 2, 90, sc_->y2Caption);
    }
    if (lay_->y2Step == 0.0)
        return;
    const int k = gridLineCount();
    // Without a left scale the grid rows are the right axis' own, where
    // they always were.
    if (!sc_->showLeftScale) {
        SetPen(p, ColorFromRef(opt_->colGrid));
        for (int j = 0; j <= k; ++j) {
            const int y = std::abs(RoundToInt(j * lay_->y2Step * lay_->ppdB2) - lay_->plotBottom);
            if (y >= lay_->plotTop)
                Line(p, lay_->plotLeft, y, lay_->plotRight, y);
        }
    }
    // Labels and ticks at the axis' own round values, no denser than the grid.
    const QColor colour = ColorFromRef(opt_->colLine2);
    const int tick = std::max(lay_->charW / 2, 2);
    for (double v : NiceTicks(r.y2min, r.y2max, k)) {
        const int y = std::abs(RoundToInt((v - r.y2min) * lay_->ppdB2) - lay_->plotBottom);
        if (y < lay_->plotTop || y > lay_->plotBottom)
            continue;
        p.setPen(colour);
        TextOut(p, lay_->plotRight + lay_->charW / 2, y - lay_->charH / 2, RightAxisLabel(v));
        SetPen(p, colour);
        Line(p, lay_->plotRight - tick, y, lay_->plotRight, y);
    }
}

void DiaRenderer::drawXAxis(QPainter& p) const
{
    const QColor text = ColorFromRef(opt_->colText);
    const QColor grid = ColorFromRef(opt_->colGrid);
    p.setPen(text);
    if (!sc_->xCaption.isEmpty()) {
        const int th = p.fontMetrics().height();
        TextOut(p, (lay_->width - TextWidth(p, sc_->xCaption)) / 2, lay_->plotBottom + (3 * th) / 2, sc_->xCaption);
    }
    auto column = [&](int x, const QString& label) {
        p.setPen(text);
        TextOut(p, x - TextWidth(p, label) / 2, lay_->plotBottom + lay_->charH / 2, label);
        SetPen(p, grid);
        Line(p, x, lay_->plotTop, x, label.isEmpty() ? lay_->plotBottom : lay_->plotBottom + lay_->charH / 3);
    };
    const DiaRanges& r = lay_->ranges;
    const double factor = sc_->xLabelFactor;
    if (factor != 1.0 && lay_->xLog) {
        for (const ScaledGridLine& g : ScaledLogGrid(r.xmin, r.xmax, factor)) {
            const double x = lay_->FreqToX(g.x);
            if (std::isfinite(x) && RoundToInt(x) >= lay_->plotLeft)
                column(RoundToInt(x), g.label);
        }
    } else if (lay_->xLog) {
        for (int j : LogGridLines(r.xmin, r.xmax)) {
            const double x = lay_->FreqToX(LogGridFreq(j));
            if (std::isfinite(x) && RoundToInt(x) >= lay_->plotLeft)
                column(RoundToInt(x), LogGridLabel(j));
        }
    } else if ((double(r.xmax) - r.xmin) / lay_->xStep <= MaxGridLines && sc_->xGrid) {
        for (const ScaledGridLine& g : sc_->xGrid(r.xmin, r.xmax, lay_->xStep))
            column(RoundToInt(lay_->FreqToX(g.x)), g.label);
    } else if ((double(r.xmax) - r.xmin) / lay_->xStep <= MaxGridLines) {
        for (int v : LinearTicks(r.xmin, r.xmax, lay_->xStep))
            column(RoundToInt(lay_->FreqToX(v)), factor != 1.0 ? PrefixedText(v * factor, 3) : LinearTickLabel(v));
    }
    SetPen(p, grid);
    Line(p, lay_->plotRight, lay_->plotTop, lay_->plotRight, lay_->plotBottom);
}

void DiaRenderer::drawCurves(QPainter& p)
{
    const DiaPointStore& pts = *sc_->points;
    const DiaRanges& r = lay_->ranges;
    int s = 0, e = -1;
    pts.visibleRange(r.xmin, r.xmax, s, e);
    const float* x = pts.x();
    const int width = DiaCurvePenWidth(lay_->fontSize);
    if (opt_->show1)
        drawCurve(p, SolidPen(opt_->colLine1, width), x, s, e, pts.curve1(), lay_->ppdB, r.ymin);
    if (opt_->show2)
        drawCurve(p, SolidPen(opt_->colLine2, width), x, s, e, pts.curve2(), lay_->ppdB2, r.y2min);
    if (opt_->curve3Active()) {
        const bool rightScale = opt_->peak2 && !opt_->peak1 && opt_->diffMode == DiffNone;
        drawCurve(p, SolidPen(opt_->colLine3, width), x, s, e, pts.curve3(), rightScale ? lay_->ppdB2 : lay_->ppdB,
                  rightScale ? r.y2min : r.ymin);
    }
}

// Memories first, so the live curves are drawn over them; each on the scale
// its curve had when it was stored.
void DiaRenderer::drawMemories(QPainter& p)
{
    if (!sc_->memories)
        return;
    const DiaRanges& r = lay_->ranges;
    for (int slot = 0; slot < MemorySlots; ++slot) {
        const MemoryCurve& m = (*sc_->memories)[size_t(slot)];
        if (!m.visible || m.isEmpty())
            continue;
        const MemoryStyle style = MemoryStyleOf(slot);
        const int width = DiaCurvePenWidth(lay_->fontSize);
        QPen pen(ColorFromRef(style.colour), width, style.dash, CurveCap(width));
        int s = 0, e = -1;
        VisibleIndexRange(m.x.data(), int(m.x.size()), r.xmin, r.xmax, s, e);
        for (const MemoryTrace& t : m.traces)
            drawCurve(p, pen, m.x.data(), s, e, t.values.data(), t.rightScale ? lay_->ppdB2 : lay_->ppdB,
                      t.rightScale ? r.y2min : r.ymin);
    }
}

namespace {

// The points of one curve that fall into one pixel column. Whatever their
// order, the segments between them cover exactly the column's span from the
// lowest to the highest point, entering at the first and leaving at the
// last; four points draw the same pixels as any number.
struct ColumnSpan {
    int x = 0, first = 0, lo = 0, hi = 0, last = 0;
    bool open = false;

    void start(int px, int py)
    {
        x = px;
        first = lo = hi = last = py;
        open = true;
    }
    void add(int py)
    {
        lo = std::min(lo, py);
        hi = std::max(hi, py);
        last = py;
    }
    void flushTo(std::vector<QPoint>& out) const
    {
        for (int y : {first, lo, hi, last})
            if (out.empty() || out.back() != QPoint(x, y))
                out.emplace_back(x, y);
    }
};

} // namespace

// One polyline per curve, reduced to at most four points per pixel column,
// so that even the largest point count costs a few segments per column;
// values beyond the range are drawn just outside the plot (h/8 pixels), so a
// clipped curve is visibly clipped. A point without a value (NaN: no signal
// there, a harmonic above half the sample rate) ends the line, so the curve
// shows a gap instead of bridging it; a piece of one point is drawn as a dot.
void DiaRenderer::drawCurve(QPainter& p, const QPen& pen, const float* x, int s, int e, const float* values,
                            double scale, double base)
{
    const int below = lay_->plotBottom + lay_->charH / 8;
    const int above = lay_->plotTop - lay_->charH / 8;
    p.setPen(pen);
    polyline_.clear();
    ColumnSpan column;
    auto drawPiece = [&] {
        if (column.open)
            column.flushTo(polyline_);
        column.open = false;
        if (polyline_.size() >= 2)
            p.drawPolyline(polyline_.data(), static_cast<int>(polyline_.size()));
        else if (polyline_.size() == 1)
            p.drawPoint(polyline_.front());
        polyline_.clear();
    };
    for (int i = s; i <= e; ++i) {
        if (i != s && x[i] == 0.0f)
            continue;
        const double dy = (values[i] - base) * scale;
        const double fx = lay_->FreqToX(x[i]);
        if (!std::isfinite(fx))
            continue;
        if (std::isnan(dy)) {
            drawPiece();
            continue;
        }
        const int px = std::clamp(RoundToInt(std::clamp(fx, -1e6, 1e6)), lay_->plotLeft, lay_->plotRight - 1);
        const double fy = lay_->plotBottom - std::round(dy);
        const int py = fy > lay_->plotBottom ? below : fy < lay_->plotTop ? above : static_cast<int>(fy);
        if (column.open && column.x == px) {
            column.add(py);
            continue;
        }
        if (column.open)
            column.flushTo(polyline_);
        column.start(px, py);
    }
    drawPiece();
}

void DiaRenderer::drawCursor(QPainter& p) const
{
    const DiaCursor::State* c = sc_->cursor;
    if (!c)
        return;
    const QColor pen = ColorFromRef(opt_->colCur);
    auto text = [&](const QString& t, int dy) {
        p.setPen(ColorFromRef(opt_->colText));
        TextOut(p, c->textX - 2 - TextWidth(p, t), c->textY + dy, t);
    };
    SetPen(p, pen);
    switch (c->mode) {
    case DiaCursor::Frequency:
        Line(p, c->endX, lay_->plotTop, c->endX, lay_->plotBottom);
        text(c->freqText, 1);
        break;
    case DiaCursor::Level:
        Line(p, lay_->plotLeft, c->startY, lay_->plotRight, c->startY);
        Line(p, lay_->plotLeft, c->endY, lay_->plotRight, c->endY);
        text(c->levelText, 2);
        break;
    case DiaCursor::Slope:
        p.drawLine(c->startX, c->startY, c->endX, c->endY);
        text(c->freqText, 1);
        break;
    case DiaCursor::Point:
        text(c->pointText, 1);
        break;
    default:
        break;
    }
}

void DiaRenderer::drawPrintTexts(QPainter& p) const
{
    p.setPen(ColorFromRef(opt_->colText));
    TextOut(p, lay_->plotLeft, (lay_->marginTop - lay_->charH) / 2, sc_->comment);
    TextOut(p, lay_->plotLeft, lay_->plotBottom + (5 * lay_->charH) / 2, sc_->infoLine);
}

int DiaRenderer::drawProductName(QPainter& p) const
{
    p.save();
    p.setFont(DiaFont((3 * lay_->fontSize) / 2, true, true));
    p.setPen(ProductColour);
    const int w = TextWidth(p, ProductName);
    TextOut(p, lay_->plotRight + lay_->marginRight - w - 4, lay_->plotTop - lay_->fontSize * 35 / 10, ProductName);
    p.restore();
    return w;
}

void DiaRenderer::drawCredit(QPainter& p) const
{
    p.setFont(DiaFont(lay_->fontSize));
    p.setPen(ColorFromRef(opt_->colText));
    const QString credit = CreditText(sc_->language);
    const int w = TextWidth(p, credit);
    const int hU = p.fontMetrics().height();
    TextOut(p, lay_->plotRight + lay_->marginRight - w - 4, lay_->plotBottom + (3 * hU) / 2, credit);
}

} // namespace korvanta
