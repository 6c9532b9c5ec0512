#pragma once
// The legend of the memory curves: a box in the upper right corner of the
// plot with one line per shown memory, a sample of its line style and its
// name, unit and date. Drawn on the screen, in the printout, the clipboard
// picture and the saved pictures alike.

#include "diagram/DiaLayout.h"
#include "diagram/DiagramOptions.h"
#include "diagram/MemoryCurve.h"

#include <QRect>

class QPainter;

namespace korvanta {

// The legend's box for the painter's current font; empty when no memory is
// shown.
QRect MemoryLegendRect(const QPainter& p, const DiaLayout& lay, const MemoryBank& bank);

void DrawMemoryLegend(QPainter& p, const DiaLayout& lay, const DiagramOptions& opt, const MemoryBank& bank);

} // namespace korvanta
