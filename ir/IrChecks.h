#pragma once
// What must be true of a recorded sweep before its response is shown: a bad
// set-up gets a clear message in both languages and no curve.

#include "ir/IrDeconvolve.h"
#include "ir/IrPeak.h"

#include <QString>
#include <span>

namespace korvanta {

enum class IrProblem {
    None,
    SweepDoesNotFit, // SweepFitText says why
    Clipping,
    NoSignal,
    LatencyBeyondTail,
    ClockDrift,
    SweepsDrift, // the impulse moves from the first sweep to the last
};

inline constexpr double kIrClipShare = 0.999;    // a sample this close to full scale clips
inline constexpr double kIrSilentDbfs = -100.0;  // a recording whose peak stays below this holds nothing
inline constexpr double kIrMinPeakToNoiseDb = 20.0;
inline constexpr double kIrDriftDb = -40.0;
// Sweeps averaged whose impulses lie this far apart (samples) lose 0.15 dB
// at 0.42 of the rate: the most the mean may smear before it is refused.
inline constexpr double kIrSweepShiftSamples = 0.5;

// The recording alone: clipping, or nothing at all.
IrProblem CheckRecording(std::span<const float> recording);

// The response: an impulse no more than 20 dB above its own noise is no
// signal; a latency longer than the tail has cut the sweep's end off; and
// the clocks drift when the energy before the peak reaches -40 dB of the
// peak's (DriftRatioDb).
IrProblem CheckResponse(const ImpulseResponse& ir, const IrPeak& peak);

// The peak's height over the RMS of the response where it holds only noise
// (between the tail's end and the harmonics), dB.
double PeakToNoiseDb(const ImpulseResponse& ir, const IrPeak& peak);

// The criterion for drifting clocks. A sweep recorded by a clock that runs
// off arrives ever later, so its low frequencies, played first, come out
// earlier than its high ones and the impulse smears into the time before
// its peak, where a causal device has nothing. The response is first
// limited to 8·f1 … f2/4 by causal 4th-order Butterworth filters, so the
// symmetric ringing of the band's own edges is gone and what is left is
// causal; then the energy from 5 ms to 0.25 ms before its peak, over the
// energy within 0.25 ms of it, in dB. A fixed resampling ratio (a card that
// plays at another rate than it records) leaves a sharp peak and stays far
// below -40 dB.
double DriftRatioDb(const ImpulseResponse& ir, const IrPeak& peak);

// Drifting clocks seen between sweeps played back to back, which the
// energy before the peak misses where a sweep is short (100 ppm over a
// 1 s sweep smears the impulse by 0.05 ms, inside the guard above): how
// many samples the last sweep's impulse lies after the first one's. 0 for
// one sweep. `recording` holds sweep.count periods from the first played
// frame on, `played` one period.
double SweepShiftSamples(std::span<const float> recording, std::span<const double> played, const IrSweep& sweep);

QString IrProblemText(IrProblem problem, char letter);

} // namespace korvanta
