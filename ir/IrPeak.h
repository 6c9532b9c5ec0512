#pragma once
// Where the impulse response has its peak, to a fraction of a sample: the
// largest |h| among the samples, then the maximum of its band-limited
// interpolation (a Kaiser-windowed sinc over 32 samples each side), which
// finds the centre of a fractional delay to a few thousandths of a sample
// where a parabola through three samples is off by up to a tenth.

#include "ir/IrDeconvolve.h"

namespace korvanta {

struct IrPeak {
    double samples = 0.0; // after the first played frame; negative: before it
    double value = 0.0;   // the interpolated h there (its sign is the polarity)
    bool inverted() const { return value < 0.0; }
    double latencyMs(int rate) const { return 1000.0 * samples / rate; }
};

// Searched from half the distance to the second harmonic before the first
// played frame to where the fifth harmonic's zone begins, so a harmonic is
// never taken for the system's delay.
IrPeak FindPeak(const ImpulseResponse& ir);

// h between its samples, band-limited.
double InterpolateAt(const ImpulseResponse& ir, double samples);

} // namespace korvanta
