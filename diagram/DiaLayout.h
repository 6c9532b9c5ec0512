#pragma once
// Layout of the diagram for a bitmap size and font size: margins, plot
// rectangle, pixel scales, grid steps and the places of the window's small
// controls. Plain arithmetic; the text metrics it needs are measured by the
// caller and handed in, so every number here can be checked without fonts.
// Integer divisions truncate toward zero on purpose: the layout must come out
// the same on every machine.

#include "diagram/DiaScale.h"
#include "diagram/DiagramOptions.h"

#include <QRect>

namespace korvanta {

struct DiaLayoutInput {
    int width = 0, height = 0;   // bitmap size
    int fontSize = 8;            // font size f of the rendering
    bool showLeft = true, showRight = false;
    int leftCaptionHeight = 0;   // text heights of the captions, 0 when empty
    int rightCaptionHeight = 0;
    int xCaptionHeight = 0;
    int charW = 0, charH = 0;    // width and height of "8"
    int kLabelWidth = 0;         // width of "20.00k", the widest linear label
    int leftLabelWidth = 0;      // widest left-axis label, 0 when not measured
    DiaRanges ranges;
    bool xLog = true;
    int n = 0;                   // point count
};

struct DiaLayout {
    int fontSize = 8;
    int width = 0, height = 0;
    int marginTop = 0, marginBottom = 0, marginLeft = 0, marginRight = 0;
    int plotLeft = 0, plotTop = 0, plotRight = 0, plotBottom = 0;
    int charW = 0, charH = 16;
    double ppdB = 1.0;      // pixels per dB of the left axis
    double ppdB2 = 1.0;     // pixels per unit of the right axis
    double ppPoint = 1.0;   // plot width / point count
    double ppLog = 1.0;     // pixels per natural-log unit (log x axis)
    double ppHz = 1.0;      // pixels per Hz (linear x axis)
    int xStep = 1;          // linear x grid step in Hz
    double yStep = 1.0;     // left grid step
    double y2Step = 1.0;    // right grid step (same line count as the left)
    int decimals = 0;       // decimals of the left labels
    int firstLogIndex = LogGridCount;
    DiaRanges ranges;       // the ranges this layout was computed for
    bool xLog = true;

    int plotWidth() const { return plotRight - plotLeft; }
    int plotHeight() const { return plotBottom - plotTop; }
    QRect plotRect() const { return QRect(QPoint(plotLeft, plotTop), QPoint(plotRight - 1, plotBottom - 1)); }
    QRect topStrip() const { return QRect(0, 0, width, marginTop); }
    QRect bottomStrip() const { return QRect(0, height - marginBottom, width, marginBottom); }
    QRect leftStrip() const { return QRect(0, marginTop, marginLeft, height - marginBottom - marginTop); }
    QRect rightStrip() const
    {
        return QRect(width - marginRight, marginTop, marginRight, height - marginBottom - marginTop);
    }

    // Pixel column of a frequency. Logarithmic axes are not clipped (the
    // curve drawing clamps); linear ones stop at the plot edges.
    double FreqToX(double f) const;
    // Frequency of a pixel column (the inverse of FreqToX inside the plot).
    double XToFreq(double x) const;
};

// Computes `lay` for the input. Margins and the plot rectangle are always
// updated; the scales only when they can be computed. Returns false when the
// scales could not be computed (zero point count, a log range through zero,
// a plot too low for one grid line); values that could not be computed keep
// their previous value, except that a failure of the pixel scales sets them
// to 1.0.
bool ComputeLayout(const DiaLayoutInput& in, DiaLayout& lay);

// Places of the window's controls for a client size W x H.
struct DiaControlPlacement {
    QRect spinYmax, spinYmin, scrollLF, scrollHF, info;
    QPoint comment;   // left and top; its width is set when the picture is drawn
};
DiaControlPlacement PlaceControls(const DiaLayout& lay, int commentHeight);

// Width of the comment line: from the plot's left edge to the product name.
int CommentWidth(const DiaLayout& lay, int productNameWidth);

// Scroll bars are this wide.
inline constexpr int ScrollBarWidth = 26;

} // namespace korvanta
