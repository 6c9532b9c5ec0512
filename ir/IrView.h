#pragma once
// What the impulse response window draws of a measurement, as plain
// numbers: one view at a time, each with one or two curves on log-spaced
// points (at most kIrMaxDiagramPoints, as the diagram and its memories
// hold), or the impulse itself against time from the gate's start. No
// widget: the window and the tests share it.

#include "ir/IrAnalysis.h"
#include "diagram/DiaScale.h"
#include "ir/IrCurves.h"

#include <vector>

namespace korvanta {

enum class IrView {
    MagnitudePhase, // dB (smoothed as chosen) and the phase with the delay taken out
    GroupDelay,     // ms
    Thd,            // THD against the fundamental's frequency
    H2H3,           // H2 and H3 against the fundamental's frequency
    H4H5,
    Impulse,        // h against time, from the gate's start
};
inline constexpr int kIrViewCount = 6;

// The smoothing choices in the order the window offers them: 0 none, else
// 1/n octave.
inline constexpr int kIrSmoothings[] = {0, 3, 6, 12, 24, 48};

struct IrPlot {
    // Hz; in the time view the µs after the gate's start, plus one (the
    // diagram's x axis starts above zero).
    std::vector<double> x;
    std::vector<double> y1;
    std::vector<double> y2; // empty: one curve; NaN: no value at that point
    double ymin = 0.0, ymax = 0.0;   // left axis
    double y2min = 0.0, y2max = 0.0; // right axis (the phase), when y2 is there
    bool timeAxis = false;
    double gateStartMs = 0.0;        // the time view's origin

    bool empty() const { return x.empty(); }
};

// The curves of `view` for a good measurement (empty otherwise).
// `smoothing` (1/n octave, 0 none) acts on the magnitude.
IrPlot IrPlotOf(const IrMeasurement& m, IrView view, int smoothing);

// The time view's grid: x holds the µs after the gate's start plus one, and
// the axis reads ms from the gate's start, so the lines lie at 1 + k·step
// and read k·step/1000: "0", "0.5", "1", "1.5" for a step of 500 µs, in the
// axis's own unit, without a prefix (LinearGridMaker).
std::vector<ScaledGridLine> IrTimeGrid(int xmin, int xmax, int step);

// Two reduced curves on one grid: the points of either, NaN where one has
// none (ReduceLogSpaced leaves out the cells it has no value for).
void MergeCurves(const IrCurve& a, const IrCurve& b, std::vector<double>& x, std::vector<double>& ya,
                 std::vector<double>& yb);

// At most `points` of `h` (sample spacing `rate`) from `first` for `count`
// samples, as the lowest and the highest value of each of points/2 cells in
// their order, so the peak and every reflection stay in the picture.
// `x` gets the µs after `first`, plus one.
void EnvelopeOf(const ImpulseResponse& ir, long long first, long long count, int points, std::vector<double>& x,
                std::vector<double>& y);

} // namespace korvanta
