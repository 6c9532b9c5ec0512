#pragma once
// What the distortion window draws into its diagram, with no widget in
// sight: the quantity each of the two curves shows, a step's x position and
// value, and the x axis of a run.
//
// The diagram's x range is whole numbers (it was made for hertz). A run over
// level is drawn against output power on a logarithmic axis, so its points
// are held in microwatts and labelled in watts: 1 µW ... 2 kW fit the range
// and every amplifier from a headphone stage to a PA lies inside it. A run
// over frequency is drawn against hertz as the main diagram is.

#include "distortion/DistortionEngine.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace korvanta {

enum class DistortionQuantity { ThdN, Thd, H2, H3, H4, H5, H6, H7, H8, H9, Gain };
inline constexpr int kDistortionQuantityCount = 11;

inline constexpr double kMicrowattsPerWatt = 1e6;

// "THD+N", "THD", "H2" ... "H9", "Verstärkung"/"Gain" ('D' or 'E').
QString DistortionQuantityName(DistortionQuantity q, char language);

// The step's value of `q` in dB (relative to the fundamental; the gain in
// dB); NaN for a harmonic that is absent (above half the sample rate), and
// for the THD when every harmonic is, which the diagram leaves out of the
// curve.
double DistortionPlotValue(const DistortionPoint& p, DistortionQuantity q);

// The step's x: microwatts of a run over level, hertz of a run over
// frequency.
double DistortionPlotX(const DistortionPoint& p, DistortionSweep sweep);

struct DistortionAxis {
    int32_t xmin = 1, xmax = 10;
    double labelFactor = 1.0;   // x labels show x * labelFactor
    bool inWatts = false;
};

// The axis of a run: the 1-2-5 values around its points (or around the
// plan's frequencies, or 1 mW ... 100 W before the first step of a run over
// level), never below 1 or beyond the whole-number range.
DistortionAxis DistortionPlotAxis(const DistortionSettings& plan, const std::vector<DistortionPoint>& points);

} // namespace korvanta
