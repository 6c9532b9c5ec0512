#pragma once
// The small plots of a device test's report as numbers: which curves each
// plot shows, their points thinned to what a plot can show, and the ranges
// that hold them. No drawing here (DtReportPlot draws them), so what reads a
// report needs no renderer.

#include "devicetest/DeviceTestResult.h"

#include <QString>
#include <cstdint>
#include <utility>
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

// Most points a plot keeps: a long spectrum is thinned to the largest
// value per column of a logarithmic axis, so a line stays visible and the
// page stays small.
inline constexpr int kDtPlotColumns = 1200;

// The highest frequency a plot shows: the diagram keeps its axis in whole
// Hz of 32 bits and its points as floats, so a point beyond (only a damaged
// report has one) is left out rather than converted out of range.
inline constexpr double kDtPlotTopHz = 1e9;

// (x, y) thinned as above, over 0 < x <= kDtPlotTopHz only, in ascending x;
// levels beyond +/-10000 dB are held there.
std::vector<std::pair<double, double>> DtThinCurve(const DtCurve& curve, int columns = kDtPlotColumns);

} // namespace korvanta
