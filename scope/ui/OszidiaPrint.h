#pragma once
// Printing the oscilloscope's picture, as the diagram is printed: the print
// dialog, then the picture with the window's proportions in the diagram's
// place on the page (upper half in portrait, across in landscape), drawn
// at a quarter of the printer's resolution and printed four times larger.

#include "diagram/ui/DiaPrint.h"

class QPrinter;

namespace korvanta {

class TOszidia;

PrintResult PrintScope(const TOszidia& display, QPrinter& printer);

} // namespace korvanta
