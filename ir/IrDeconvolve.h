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
    // Where h holds noise alone, samples [from, to): from the tail's end
    // to the harmonics' zone, which begins half the distance to the second
    // harmonic before the sixth. False when there is no room.
    bool NoiseStretch(long long& from, long long& to) const;
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

// The response with the band the regularisation leaves made causal: the
// same magnitude per bin, but the phase of a minimum-phase filter of that
// magnitude instead of none. The band's edges ring symmetrically about the
// peak, a sweep from 20 Hz for tens of milliseconds before it; made causal
// they ring after it only. So what lies before the peak here is the
// harmonics', the noise's and, where the clocks drift, the low frequencies'
// that arrive early, but nothing of the fundamental. The response a user
// sees keeps the band without phase: its phase is the device's alone.
ImpulseResponse CausalBand(const ImpulseResponse& ir);
// The same with the band's phase (MinimumPhase of ir.band) already at hand.
ImpulseResponse CausalBand(const ImpulseResponse& ir, const std::vector<double>& phase);

// h from its half spectrum (bins 0 … n/2, negative exponent), n points.
std::vector<double> Inverse(const std::vector<std::complex<double>>& spectrum, int n);

// Two real signals' h at once from their half spectra: one transform.
void InversePair(const std::vector<std::complex<double>>& a, const std::vector<std::complex<double>>& b, int n,
                 std::vector<double>& ha, std::vector<double>& hb);

// The spectra Deconvolve divides out, of several recordings (each at least
// a period long) of one played sweep: the played sweep's spectrum is taken
// once and the recordings' two to a transform. Empty when the sweep does
// not fit or a recording is too short.
std::vector<std::vector<std::complex<double>>> ResponseSpectra(std::span<const std::vector<double>> recordings,
                                                               std::span<const double> played, const IrSweep& sweep);

// The phase of the minimum-phase filter whose magnitude is `band` (bins
// 0 … n/2), by the folded real cepstrum: the logarithm's inverse transform
// is even; kept for positive quefrencies only (doubled), its transform is
// the logarithm of the causal filter, whose imaginary part is the phase.
// The band is floored far below any level read, for a finite logarithm.
std::vector<double> MinimumPhase(const std::vector<double>& band, int n);

// The raised-cosine ramp r(f) of the regularisation, 0 at full level.
double RegularisationRamp(double f, const IrSweep& sweep);

} // namespace korvanta
