#pragma once
// Curves for people: fractional-octave smoothing, and the reduction of a
// full-resolution curve to at most 2000 log-spaced points for the diagram
// and its memories (files keep every bin).

#include <span>
#include <vector>

namespace korvanta {

inline constexpr int kIrMaxDiagramPoints = 2000;

// The power mean over 1/`fraction` octave centred on each bin, for bins
// spaced evenly from 0 Hz (`binHz` apart); `fraction` from 3 to 48. Bin 0
// keeps its value.
std::vector<double> SmoothOctave(std::span<const double> power, double binHz, int fraction);

enum class IrReduce {
    PowerMean, // values are dB: each point is the power mean of its cell
    Nearest,   // phase, group delay: the bin nearest the point
};

struct IrCurve {
    std::vector<double> freq;
    std::vector<double> value;
};

// At most `points` log-spaced points from `fLow` to `fHigh` of a curve
// given at ascending frequencies. NaN values are skipped.
IrCurve ReduceLogSpaced(std::span<const double> freq, std::span<const double> value, double fLow, double fHigh,
                        IrReduce mode, int points = kIrMaxDiagramPoints);

} // namespace korvanta
