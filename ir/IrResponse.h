#pragma once
// The frequency response of a stretch of the impulse response: a gate
// (start, length, short fades) cuts out the part that belongs to the
// fundamental, or only the direct sound before the first reflection, and
// its spectrum gives magnitude, phase and group delay at full resolution.

#include "ir/IrDeconvolve.h"
#include "ir/IrPeak.h"

#include <complex>
#include <vector>

namespace korvanta {

// Times in ms after the first played frame (the impulse response's time
// axis, so the time view starts at `startMs`).
struct IrGate {
    double startMs = 0.0;
    double lengthMs = 0.0;
    double fadeMs = 0.1; // raised-cosine fade at each end, within the length

    bool operator==(const IrGate&) const = default;
};

// Whether the gate lies within the response's times: from N - T samples
// before the first played frame (N the response's length, T the tail's
// frames) to the tail's end. The response is circular, so a gate reaching
// beyond either end would wrap around and take the other end of the
// response (the harmonics, or nothing at all) for its own.
bool GateInResponse(const ImpulseResponse& ir, const IrGate& gate);

// All of the fundamental: from half the distance to the second harmonic
// (at most 50 ms) before the peak to the end of the recorded tail.
IrGate FundamentalGate(const ImpulseResponse& ir, const IrPeak& peak);

struct IrResponse {
    int rate = 0;
    double binHz = 0.0;                 // bin k lies at k·binHz
    std::vector<std::complex<double>> h; // phase referred to the first played frame
    std::vector<double> groupDelayMs;   // -dφ/dω of the gated part, absolute
};

// The gated stretch's spectrum, zero padded to a power of two of at least
// an eighth of a second and at least `points`. Empty when the gate is empty
// or longer than the response.
IrResponse ResponseOf(const ImpulseResponse& ir, const IrGate& gate, int points = 0);

double MagnitudeDb(std::complex<double> h);
// The phase in degrees (-180 … 180) with a delay of `delaySamples` taken
// out, so what is left is the device's own phase.
double PhaseDeg(std::complex<double> h, double freqHz, double delaySamples, int rate);

} // namespace korvanta
