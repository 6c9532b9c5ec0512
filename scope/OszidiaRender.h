#pragma once
// Drawing of the oscilloscope window's picture: the silver header strip, the
// plot area in the background colour with the 10 x 8 graticule, the
// measuring cursors and both curves. Plain functions on an image, so tests,
// the clipboard copy and the benchmark draw without a shown window.

#include "scope/OszidiaStore.h"

#include <QColor>
#include <QFont>

class QImage;
class QPainter;

namespace korvanta {

inline constexpr int kHeaderHeight = 30;
// Room below the plot, so that a trace below the range shows 3 pixels
// under the bottom line instead of outside the picture.
inline constexpr int kBottomMargin = 4;
inline constexpr int kOutsideOffset = 3;
// The strip under the plot with the scales (two lines of the window's font).
inline constexpr int kScaleStripHeight = 28;

namespace oszi {
inline const QColor Background(0, 128, 128);   // teal
inline const QColor Illuminated(0, 255, 255);  // aqua
inline const QColor Header(192, 192, 192);     // silver
inline const QColor Graticule(255, 255, 0);
inline const QColor Curve1(255, 0, 0);
inline const QColor Curve2(0, 0, 255);
inline const QColor Cursor(0, 0, 0);
} // namespace oszi

// Pixel geometry of the plot for a client size and the store's ranges.
struct OszidiaLayout {
    int left = 0, top = kHeaderHeight, right = 0, bottom = 0;
    int width = 0, height = 0;
    double xScale = 0.0, yScale = 0.0, logScale = 0.0;
    int scaleStrip = 0;  // height of the scale read-out under the plot
    int traceWidth = 1;  // pen of the traces: wider on paper and large pictures
};

// `scaleStrip` pixels at the bottom are kept for the scale read-out.
OszidiaLayout LayoutOszidia(const OszidiaStore& store, int clientWidth, int clientHeight, int scaleStrip = 0);

// Pixel column of an x value; every point but the first is kept within the
// plot's left and right edges.
int OszidiaPointX(const OszidiaLayout& l, const OszidiaStore& s, float x, bool first);
// Pixel row of a value in divisions; values beyond the range sit 3 pixels
// outside the plot.
int OszidiaPointY(const OszidiaLayout& l, const OszidiaStore& s, float value);

// The measuring cursors: start and current position, -1 when inactive.
struct OszidiaCursors {
    int timeStart = -1, timeNow = -1;
    int voltStart = -1, voltNow = -1;
};

// Pixel row of the trigger marker: the trigger level on the trigger
// channel's zero line; -1 when there is none to show (no scales yet, X-Y).
int OszidiaTriggerMarkerY(const OszidiaLayout& l, const OszidiaStore& s);

// Renders a picture of `size` (the client size) with `painter`, or into
// `image`. `letter` is the language of the scale read-out.
void RenderOszidia(QPainter& painter, QSize size, const OszidiaStore& store, const OszidiaLayout& layout,
                   const OszidiaCursors& cursors, const QColor& background, const QFont& font, char letter = 'D');
void RenderOszidia(QImage& image, const OszidiaStore& store, const OszidiaLayout& layout,
                   const OszidiaCursors& cursors, const QColor& background, const QFont& font, char letter = 'D');

} // namespace korvanta
