#include "diagram/PrintGeometry.h"

namespace korvanta {

PrintGeometry ComputePrintGeometry(int dpi, int pageWidth, int pageHeight, bool landscape)
{
    PrintGeometry g;
    g.fontSize = (dpi / 75) * 2;
    if (landscape) {
        g.x0 = 0;
        g.y0 = 2 * dpi / 3;
        g.width = pageWidth;
        g.height = pageHeight - 2 * g.y0;
    } else {
        g.x0 = 2 * dpi / 3;
        g.y0 = dpi / 2;
        g.width = pageWidth - g.x0 - dpi / 4;
        g.height = pageHeight / 2;
    }
    g.bitmapWidth = g.width / PrintScale;
    g.bitmapHeight = g.height / PrintScale;
    g.printedWidth = g.bitmapWidth * PrintScale;
    g.printedHeight = g.bitmapHeight * PrintScale;
    return g;
}

} // namespace korvanta
