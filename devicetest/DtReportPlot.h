#pragma once
// The small plots of a device test's report (frequency response, noise
// spectrum, THD spectrum, IMD spectrum, crosstalk), drawn by the diagram's
// own renderer, so a report's plot looks like the program's diagram. SVG for
// the HTML page; the PDF draws the same SVG as vectors.

#include "devicetest/DeviceTestResult.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

namespace korvanta {

struct DtPlot {
    QString id;                         // the curves' id
    QString title;
    QString yCaption;                   // "dB" or "dBFS"
    std::vector<const DtCurve*> curves; // at most two, drawn blue and red
};

// The plots that have curves, in the report's order. The pointers point
// into `result`.
std::vector<DtPlot> DtReportPlots(const DeviceTestResult& result, char letter);

// The size the reports draw a plot at (pixels of a 96 dpi picture).
inline constexpr QSize kDtPlotSize{640, 320};

// A plot's points as a diagram takes them: one x per point, the first
// curve's thinned points, the second curve read at the same x, a missing
// value on the floor; and the ranges that hold both on one scale.
struct DtPlotSeries {
    std::vector<double> x;      // Hz
    std::vector<float> y1, y2;  // y2 empty for one curve
    int32_t xmin = 1, xmax = 2;
    float ymin = 0, ymax = 0;
};
DtPlotSeries DtPlotPoints(const DtPlot& plot);
// Which colour is which channel ("blue: L, red: R").
QString DtPlotLegend(const DtPlot& plot, char letter);

// The plot as an SVG document; empty when it cannot be laid out.
QByteArray DtPlotSvg(const DtPlot& plot, char letter, QSize size = kDtPlotSize);

// Most points a plot keeps: a long spectrum is thinned to the largest
// value per column of a logarithmic axis, so a line stays visible and the
// page stays small.
inline constexpr int kDtPlotColumns = 1200;

// (x, y) thinned as above, over x > 0 only, in ascending x.
std::vector<std::pair<double, double>> DtThinCurve(const DtCurve& curve, int columns = kDtPlotColumns);

} // namespace korvanta
