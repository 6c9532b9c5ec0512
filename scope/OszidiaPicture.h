#pragma once
// The oscilloscope's picture for a printout or a file: the window's drawing
// at another size, without the measuring cursors, with the header, the
// scale read-out and the text grown in proportion. PNG, SVG or PDF by the
// file name's ending, written whole or not at all. No widget.

#include "scope/OszidiaStore.h"

#include <QColor>
#include <QFont>
#include <QSize>
#include <functional>
#include <QString>

class QPainter;

namespace korvanta {

// The window's own size and text at which a picture looks as on screen.
inline constexpr int kOszidiaScreenWidth = 260;
inline constexpr int kOszidiaScreenHeight = 400;
inline constexpr int kOszidiaScreenFont = 8;

struct OszidiaPictureScale {
    int scaleStrip = 0;   // height of the scale read-out
    int traceWidth = 1;   // pen of the traces
};

// The scale strip and trace pen for text of `fontSize` points (the
// screen's at 8): both grow with the text, so a trace on paper or in a
// large picture is as visible as on screen.
OszidiaPictureScale PictureScaleFor(QSize size, int fontSize);

// The font size of a picture of `size`: 8 at the window's size, growing
// with the smaller of the two ratios.
int OszidiaPictureFontSize(QSize size);

// The largest size within `room` with the proportions of `window`.
QSize FitToWindowShape(QSize room, QSize window);

// Draws the picture of `size` with `painter`'s device.
void PaintOszidiaPicture(QPainter& painter, QSize size, const OszidiaStore& store, const QColor& background,
                         char letter, const QFont& font, int fontSize);

// Saves the picture; false when the size is out of range or writing failed.
bool SaveOszidiaPicture(const OszidiaStore& store, const QColor& background, char letter, const QString& fileName,
                        QSize size, const QFont& font);

} // namespace korvanta
