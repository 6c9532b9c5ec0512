#include "diagram/DiaLayout.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

bool Finite(double v) { return std::isfinite(v); }

// The tallest text height taken as measured: 40 pixels at the screen's font
// size 8, in proportion for other sizes.
int MaxTextHeight(int fontSize) { return 5 * std::max(fontSize, 8); }

void ComputeMargins(const DiaLayoutInput& in, DiaLayout& lay)
{
    const int f = in.fontSize;
    lay.fontSize = f;
    lay.width = in.width;
    lay.height = in.height;
    if (in.showLeft && in.showRight)
        lay.marginRight = 4 * f + (in.rightCaptionHeight > 0 ? (3 * in.rightCaptionHeight) / 2 : 0);
    else
        lay.marginRight = f;
    // The label decimals of the previous layout widen the left margin: the
    // labels of this layout are not known before its grid step is.
    lay.marginLeft = in.leftCaptionHeight + 3 * f + f * lay.decimals;
    // A label wider than that space would run into the caption or off the
    // picture; it gets the room it needs, half a digit from the plot.
    if (in.leftLabelWidth > 0)
        lay.marginLeft = std::max(lay.marginLeft, in.leftCaptionHeight + in.leftLabelWidth + in.charW / 2 + 1);
    lay.marginTop = 4 * f;
    lay.marginBottom = 5 * f + in.xCaptionHeight;
    lay.plotLeft = lay.marginLeft;
    lay.plotTop = lay.marginTop;
    lay.plotRight = in.width - lay.marginRight;
    lay.plotBottom = in.height - lay.marginBottom;
    lay.charW = in.charW;
    // An implausible text height is replaced by twice the font size. The
    // limit grows with the font: a printer font is much taller than 40
    // pixels, and replacing its height by the screen's would space the grid
    // for text a third of the size the labels are drawn with.
    lay.charH = (in.charH < 1 || in.charH > MaxTextHeight(f)) ? 2 * f : in.charH;
    lay.ranges = in.ranges;
    lay.xLog = in.xLog;
}

// Pixel scales of both y axes and of the point index.
bool ComputePixelScales(const DiaLayoutInput& in, DiaLayout& lay)
{
    const DiaRanges& r = in.ranges;
    const double dy = double(r.ymax) - r.ymin;
    const double dy2 = double(r.y2max) - r.y2min;
    if (dy == 0.0 || dy2 == 0.0)
        return true;
    const double ppdB = lay.plotHeight() / dy;
    const double ppdB2 = lay.plotHeight() / dy2;
    if (in.n <= 0 || !Finite(ppdB) || !Finite(ppdB2)) {
        lay.ppdB = lay.ppdB2 = lay.ppPoint = 1.0;
        return false;
    }
    lay.ppdB = ppdB;
    lay.ppdB2 = ppdB2;
    lay.ppPoint = double(lay.plotWidth()) / in.n;
    return true;
}

bool ComputeXScales(const DiaLayoutInput& in, DiaLayout& lay)
{
    const DiaRanges& r = in.ranges;
    if (r.xmin == 0)
        return false;
    const double ratio = double(r.xmax) / r.xmin;
    if (ratio <= 0.0)
        return false;
    lay.ppLog = ratio != 1.0 ? lay.plotWidth() / std::log(ratio) : 1.0;
    return true;
}

void ComputeXGrid(const DiaLayoutInput& in, DiaLayout& lay)
{
    const DiaRanges& r = in.ranges;
    lay.firstLogIndex = FirstLogGridIndex(r.xmin);
    lay.ppHz = r.xmax == r.xmin ? 1.0 : double(lay.plotWidth()) / (double(r.xmax) - r.xmin);
    const int labelWidth = in.kLabelWidth > 0 ? in.kLabelWidth : 1;
    int m = static_cast<int>(lay.plotWidth() / (1.5 * labelWidth));
    if (m < 1)
        m = 1;
    const long long span = static_cast<long long>(r.xmax) - r.xmin;
    int step = static_cast<int>(std::lround(NiceStep(double(span / m))));
    lay.xStep = step == 0 ? 1 : step;
}

bool ComputeYGrid(const DiaLayoutInput& in, DiaLayout& lay)
{
    const DiaRanges& r = in.ranges;
    const int lines = lay.plotHeight() / ((3 * lay.charH) / 2);
    const double dy = double(r.ymax) - r.ymin;
    if (lines == 0 || !Finite(dy))
        return false;
    const double step = NiceStep(dy / lines);
    if (!Finite(step) || step <= 0.0)
        return false;
    lay.yStep = step;
    lay.decimals = LabelDecimals(step);
    if (dy != 0.0) {
        const double step2 = (double(r.y2max) - r.y2min) / (dy / step);
        if (!Finite(step2))
            return false;
        lay.y2Step = step2;
    }
    return true;
}

} // namespace

bool ComputeLayout(const DiaLayoutInput& in, DiaLayout& lay)
{
    ComputeMargins(in, lay);
    if (!ComputeXScales(in, lay))
        return false;
    if (!ComputePixelScales(in, lay))
        return false;
    ComputeXGrid(in, lay);
    return ComputeYGrid(in, lay);
}

double DiaLayout::FreqToX(double f) const
{
    const double xmin = ranges.xmin;
    if (xmin == 0.0 || f == 0.0 || !Finite(f))
        return plotLeft;
    if (xLog) {
        const double ratio = f / xmin;
        return ratio > 0.0 ? plotLeft + std::log(ratio) * ppLog : plotLeft;
    }
    if (f > ranges.xmax)
        return plotRight;
    if (f < xmin)
        return plotLeft;
    return plotLeft + (f - xmin) * ppHz;
}

double DiaLayout::XToFreq(double x) const
{
    if (xLog)
        return ranges.xmin * std::exp((x - plotLeft) / ppLog);
    return (x - plotLeft) / ppHz + ranges.xmin;
}

DiaControlPlacement PlaceControls(const DiaLayout& lay, int commentHeight)
{
    const int W = lay.width, H = lay.height, h = lay.charH;
    DiaControlPlacement p;
    p.spinYmax = QRect(1, 1, 2 * lay.marginLeft / 3, h);
    p.spinYmin = QRect(1, H - h, 2 * lay.marginLeft / 3, h);
    p.scrollLF = QRect(p.spinYmax.x() + p.spinYmax.width() + 2, H - h, ScrollBarWidth, h);
    p.scrollHF = QRect(W - ScrollBarWidth, H - h, ScrollBarWidth, h);
    p.comment = QPoint(lay.plotLeft, (lay.marginTop - commentHeight) / 2 - 2);
    const int infoLeft = p.scrollLF.x() + p.scrollLF.width() + 4;
    const int infoHeight = h + 4;
    p.info = QRect(infoLeft, H - infoHeight, p.scrollHF.x() - 3 - infoLeft, infoHeight);
    return p;
}

int CommentWidth(const DiaLayout& lay, int productNameWidth)
{
    return lay.plotRight - productNameWidth - lay.plotLeft;
}

} // namespace korvanta
