#pragma once
// The small plots of a device test's report (frequency response, noise
// spectrum, THD spectrum, IMD spectrum, crosstalk), drawn by the diagram's
// own renderer, so a report's plot looks like the program's diagram. SVG for
// the HTML page; the PDF draws the same SVG as vectors.

#include "devicetest/DtPlotSeries.h"

#include <QByteArray>
#include <QSize>

namespace korvanta {

// The size the reports draw a plot at (pixels of a 96 dpi picture).
inline constexpr QSize kDtPlotSize{640, 320};

// The plot as an SVG document; empty when it cannot be laid out.
QByteArray DtPlotSvg(const DtPlot& plot, char letter, QSize size = kDtPlotSize);

} // namespace korvanta
