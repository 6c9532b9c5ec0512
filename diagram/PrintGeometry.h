#pragma once

namespace korvanta {

// Where a printed diagram goes on the page, from the printer's resolution,
// its printable area in device pixels and the orientation. The picture is
// rendered at a quarter of the printable size and printed four times larger,
// so fonts and lines come out at a readable size on any resolution.

struct PrintGeometry {
    int x0 = 0, y0 = 0;                  // top-left corner on the page
    int width = 0, height = 0;           // printable width and height
    int fontSize = 8;                    // font size of the print rendering
    int bitmapWidth = 0, bitmapHeight = 0;   // the work bitmap (a quarter)
    int printedWidth = 0, printedHeight = 0; // the bitmap scaled by 4
};

inline constexpr int PrintScale = 4;

// Portrait uses the upper half of the page with a left margin of 2/3 inch
// and a right margin of 1/4 inch; landscape the full width between a 2/3 inch
// band at the top and at the bottom. Integer arithmetic throughout.
PrintGeometry ComputePrintGeometry(int dpi, int pageWidth, int pageHeight, bool landscape);

} // namespace korvanta
