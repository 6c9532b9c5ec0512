#pragma once
// The exponential sine sweep an impulse response is measured with: its
// parameters as one value, the check that they fit the rate, and the
// samples to play. Plain functions, no device, no widget.
//
// The frequency rises as f1·e^(t/L) with L = length / ln(f2/f1), so each
// harmonic k of the device's distortion plays the same sweep L·ln k earlier
// than the fundamental and deconvolves to an impulse response of its own.

#include <QString>
#include <vector>

namespace korvanta {

struct IrSweep {
    int rate = 48000;
    double f1 = 20.0;            // Hz
    double f2 = 20000.0;         // Hz
    double seconds = 1.0;        // the sweep, 0.5 … 20 s
    double tailSeconds = 0.5;    // silence after it, for the latency and the decay
    double levelDbfs = -6.0;     // peak
    int count = 1;               // sweeps played back to back, averaged

    bool operator==(const IrSweep&) const = default;

    // L in seconds.
    double RateConstant() const;
    // One sweep with its tail, frames.
    int PeriodFrames() const;
    int SweepFrames() const;
};

inline constexpr double kIrMinSeconds = 0.5;
inline constexpr double kIrMaxSeconds = 20.0;
inline constexpr double kIrTopShare = 0.45; // of the rate: the highest f2
inline constexpr int kIrMaxCount = 64;

// 20 Hz to min(20 kHz, 0.45·rate), one second, half a second of tail.
IrSweep DefaultSweep(int rate);

enum class IrSweepFit { Fits, BadRate, BadLength, BadBand, TooHigh, TooLong, BadCount };

IrSweepFit CheckSweep(const IrSweep& sweep);

// Why the sweep does not fit, with the limit that applies ('E' English,
// else German); empty when it fits.
QString SweepFitText(IrSweepFit fit, const IrSweep& sweep, char letter);

// The frequency range where the fades leave the sweep at full level, so
// results asserted there are not touched by them: from f1·√2 (the fade-in
// covers the first half octave) to f2·2^(-1/24).
double FullLevelLowHz(const IrSweep& sweep);
double FullLevelHighHz(const IrSweep& sweep);

// One period: the sweep with raised-cosine fades over the first half
// octave and the last 1/24 octave, then the silent tail. Empty when the
// sweep does not fit.
std::vector<double> SweepSamples(const IrSweep& sweep);

// Its k-th harmonic as a device of that order makes it: the sweep's phase
// k times, under the fades to the k-th power, at the sweep's level (k = 1:
// the sweep itself).
std::vector<double> HarmonicSweepSamples(const IrSweep& sweep, int k);

} // namespace korvanta
