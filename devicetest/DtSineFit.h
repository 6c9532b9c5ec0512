#pragma once
// Least-squares fits of sines of known frequencies to one recorded channel:
// the level of a step, the fundamental and harmonics of a THD run, the
// products of an IMD run, the narrow-band level of crosstalk. A joint fit of
// every frequency at once is exact for each of them, however close they lie
// in level, where a window's leakage would not be.

#include <span>
#include <vector>

namespace korvanta {

// x ≈ amplitude · sin(2π·freq·n/rate + phase), n counted from the first
// sample, so the phases of two channels of one block compare directly.
struct DtSine {
    double freq = 0.0;      // Hz
    double amplitude = 0.0; // peak, full-scale units; NaN at or above half the rate
    double phase = 0.0;     // radians
};

struct DtSineFit {
    std::vector<DtSine> sines; // in the order of the frequencies asked for
    double dc = 0.0;
};

// Fits sines at exactly `freqs` and a DC offset together. Frequencies at or
// below 0 Hz or at or above half the rate are left out (amplitude NaN).
DtSineFit FitSines(std::span<const float> x, int rate, std::span<const double> freqs);

// The frequency of the strongest sine near `nominal`, refined by a
// four-parameter fit (sine, cosine, DC, frequency): a tone played by one
// card and recorded by another drifts by their clocks' difference, and a
// fit at the nominal frequency would leave that drift in the residual.
double RefineFrequency(std::span<const float> x, int rate, double nominal);

// `x` without the fitted sines and DC.
std::vector<float> Residual(std::span<const float> x, int rate, const DtSineFit& fit);

// The level of one step's tone, dBFS (a full-scale sine reads 0 dBFS).
double SineLevelDbfs(std::span<const float> x, int rate, double freq);

// Peak amplitude as dBFS relative to a full-scale sine.
double AmplitudeDbfs(double amplitude);

} // namespace korvanta
