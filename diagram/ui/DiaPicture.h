#pragma once
// Saving the diagram as a picture file: PNG at a chosen size or SVG, the
// same picture as the printout (comment and info lines, legend, no mouse
// cursor). Fonts grow with the picture, so a large PNG looks like the
// screen's picture made larger rather than a small picture on a large
// canvas. The file is written atomically: an existing picture is replaced
// whole or not at all.

#include <QSize>
#include <QString>

namespace korvanta {

class TDiagramm;

enum class PictureFormat { Png, Svg };

inline constexpr int PictureMinWidth = 200, PictureMinHeight = 150;
inline constexpr int PictureMaxSide = 8000;

// SVG for a name ending in ".svg" (any case), PNG otherwise.
PictureFormat PictureFormatOf(const QString& fileName);

// Font size of the picture: the screen's 8 at the window's initial size
// (580 x 370), growing with the smaller of the two scale factors.
int PictureFontSize(QSize size);

enum class PictureResult { Saved, BadSize, LayoutFailed, WriteFailed };

// Renders and writes the picture; the window's own layout is restored.
PictureResult SaveDiagramPicture(TDiagramm& diagram, const QString& fileName, QSize size);

} // namespace korvanta
