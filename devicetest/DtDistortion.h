#pragma once
// THD and THD+N of a test tone, and the dynamic range from THD+N at
// -60 dBFS. The fundamental and its harmonics H2 … H9 are fitted together by
// least squares at the tone's refined frequency; THD+N is the band power of
// what is left once the fitted fundamental (and DC) is subtracted, so the
// notch is exact and takes nothing of the noise or the harmonics next to it.

#include "devicetest/DtConventions.h"

#include <array>
#include <cmath>
#include <span>

namespace korvanta {

inline constexpr int kDtHighestHarmonic = 9;

struct DtThd {
    double frequency = NAN;       // the refined fundamental, Hz
    double fundamentalDbfs = NAN;
    double thdPercent = NAN;      // H2 … H9 inside the band
    double thdDb = NAN;
    double thdnPercent = NAN;
    double thdnDb = NAN;
    double thdnAPercent = NAN;    // the residual A-weighted
    double thdnADb = NAN;
    std::array<double, kDtHighestHarmonic - 1> harmonicDb{}; // H2 … H9, dB to the fundamental; NaN outside the band
};

DtThd AnalyseThd(std::span<const float> x, int rate, double toneHz = kDtToneHz);

struct DtDynamicRange {
    double db = NAN;
    double dbA = NAN;
};

// From the THD+N of the tone played 60 dB below full scale: the level of
// all that is not the tone, relative to full scale, negated. It is
// "THD+N plus 60 dB" taken at the tone's measured level, so a tone that
// lands a few tenths off -60 dBFS does not shift the figure.
DtDynamicRange DynamicRange(const DtThd& atMinus60);

// A ratio of amplitudes as % and dB.
double RatioPercent(double ratio);
double RatioDb(double ratio);

} // namespace korvanta
