#pragma once
// The impulse response from a recorded sweep: the recording's spectrum
// divided by the played sweep's, at a power-of-two size with zero padding,
// with the program's own transform (measure/FFtuli.h).
//
// Regularisation: where the sweep plays at full level (between its fades,
// FullLevelLowHz … FullLevelHighHz) the division is exact. Outside, the
// denominator |X|² gets a term λ(f) = (mean |X|² in the band) · r(f), where
// r rises as a raised cosine in log frequency from 0 at the full-level edge
// to 1 at f1/2 below and a third of an octave above f2 (or at half the rate,
// if that comes first). Where the sweep played little or nothing the
// response thus goes to zero instead of dividing noise by nothing, and its
// edges are wide and smooth, so the impulse rings only briefly before and
// after the device's own response.

#include "ir/IrSweep.h"

#include <complex>
#include <span>
#include <vector>

namespace korvanta {

struct ImpulseResponse {
    IrSweep sweep;                   // what it was measured with
    int rate = 0;
    double f1 = 0.0, f2 = 0.0;       // the band it holds
    double rateConstant = 0.0;       // the sweep's L, seconds
    double tailSeconds = 0.0;        // silence recorded after the sweep
    // N samples, circular: h[i] lies i samples after the first played frame
    // and the end holds the negative times, where harmonic k lies L·ln k
    // before the fundamental.
    std::vector<double> h;
    // Its spectrum, bins 0 … N/2 of rate/N each, phase referred to the
    // first played frame.
    std::vector<std::complex<double>> spectrum;
    // The band the regularisation leaves, |X|² / (|X|² + λ(f)) per bin: 1
    // at full level, falling smoothly to 0 beyond.
    std::vector<double> band;

    int size() const { return static_cast<int>(h.size()); }
    // h at time index i (negative: before the first played frame).
    double at(long long i) const;
};

// The response of `recording` (starting at the first played frame, at least
// one period long; what is longer is cut) to `played` (SweepSamples). Empty
// (no samples) when the sweep does not fit or the recording is too short.
ImpulseResponse Deconvolve(std::span<const float> recording, std::span<const double> played, const IrSweep& sweep);

// The mean of `count` periods recorded back to back, the first starting at
// `firstFrame`: noise falls by 10·log10(count) dB, the response stays. Each
// period's own tail holds its decay, so nothing of one sweep spills into
// the next. Empty when the recording is shorter than the periods.
std::vector<float> AverageSweeps(std::span<const float> recording, size_t firstFrame, size_t period, int count);

// The reference-channel mode: the response of `measured` divided by that of
// `reference` (both from the same sweep), so whatever both channels share
// (the output, a cable) drops out. The ratio gets the sweep's own band
// shape back: Hm·conj(Hr)·B / (|Hr|² + δ), δ a millionth of the mean |Hr|²
// in the band, so it is exact where the reference holds anything and goes
// smoothly to zero where the sweep played nothing, as a single channel's
// response does.
ImpulseResponse ReferenceRatio(const ImpulseResponse& measured, const ImpulseResponse& reference);

// The raised-cosine ramp r(f) of the regularisation, 0 at full level.
double RegularisationRamp(double f, const IrSweep& sweep);

} // namespace korvanta
