#pragma once
// Saving the diagram as a picture file: PNG at a chosen size, SVG or PDF, the
// same picture as the printout (comment and info lines, legend, no mouse
// cursor). Fonts grow with the picture, so a large PNG looks like the
// screen's picture made larger rather than a small picture on a large
// canvas. The file is written atomically: an existing picture is replaced
// whole or not at all. Drawn from the diagram's content alone, without the
// window, so a command can save pictures too.

#include "diagram/DiaLayout.h"
#include "diagram/DiaPointStore.h"
#include "diagram/DiagramOptions.h"
#include "diagram/DiaRender.h"
#include "diagram/PictureBytes.h"
#include "diagram/MemoryCurve.h"

#include <QSize>
#include <QString>

namespace korvanta {

// What a picture of the diagram shows.
struct DiagramContent {
    const DiaPointStore* points = nullptr;
    DiagramOptions options;
    DiaRanges ranges;
    bool showLeftScale = true;
    bool showRightScale = false;
    QString yCaption, y2Caption, xCaption;
    const MemoryBank* memories = nullptr;
    double xLabelFactor = 1.0;
    LinearGridMaker xGrid = nullptr;
    QString comment, infoLine;
    char language = 'D';  // of the credit line
};

// The right axis is drawn for the live curves that use it and for a visible
// memory curve that belongs to it, which could not be read otherwise.
bool RightAxisShown(const DiagramContent& content);

// What the renderer draws of `content` laid out as `layout`.
DiaScene DiagramScene(const DiagramContent& content, const DiaLayout& layout);

// Lays out a picture of width x height drawn at fontSize. False when the
// plot has no room.
bool LayoutDiagram(const DiagramContent& content, int width, int height, int fontSize, DiaLayout& layout);

inline constexpr int PictureMinWidth = 200, PictureMinHeight = 150;
inline constexpr int PictureMaxSide = 8000;

// Font size of the picture: the screen's 8 at the window's initial size
// (580 x 370), growing with the smaller of the two scale factors.
int PictureFontSize(QSize size);

// Whether the picture shows a point of a curve: of a shown live curve or of
// a visible memory, inside the frequency range. A picture without one is
// an empty grid that looks like a measurement.
bool ShowsAnyPoint(const DiagramContent& content);

enum class PictureResult { Saved, BadSize, LayoutFailed, WriteFailed, NothingShown };

// Lays out, renders and writes the picture; with nothing shown no file is
// touched.
PictureResult SaveDiagramPicture(const DiagramContent& content, const QString& fileName, QSize size);

} // namespace korvanta
