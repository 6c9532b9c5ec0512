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
// Clocks that drift this little (ppm) count as one clock: a shift between
// the sweeps smaller than this is not taken for drift, however sure it is.
inline constexpr double kIrLeastDriftPpm = 1.0;
// The drift one sweep must see to count as a check of the clocks: two
// cards' crystals lie this far apart.
inline constexpr double kIrOneSweepDriftPpm = 100.0;

// How the clocks of output and input were checked.
enum class IrClockCheck {
    None,     // one sweep in a band too low for the energy before the peak to show drift
    OneSweep, // by the energy before the peak (OneSweepCheck)
    Sweeps,   // by the shift between the first sweep and the last (SweepShift)
};

// The recording alone: clipping, or nothing at all.
IrProblem CheckRecording(std::span<const float> recording);

// A recording whose sweep arrived too late for its response to show: it
// ends far louder than it begins, with the sweep still playing, where a
// sweep the tail holds has ended and a recording of noise alone is as loud
// at its end as at its start.
bool SweepArrivesLate(std::span<const float> recording, int rate);

// The response's signal: an impulse no more than 20 dB above its own noise
// is no signal, and one later than the tail has cut the sweep's end off.
IrProblem CheckSignal(const ImpulseResponse& ir, const IrPeak& peak);

// CheckSignal, then drifting clocks where one sweep can see them
// (OneSweepCheck): the energy before the peak reaches -40 dB of the peak's.
IrProblem CheckResponse(const ImpulseResponse& ir, const IrPeak& peak);

// The peak's height over the RMS of the response where it holds only noise
// (between the tail's end and the harmonics), dB.
double PeakToNoiseDb(const ImpulseResponse& ir, const IrPeak& peak);

// One sweep's check of the clocks. A sweep recorded by a clock that runs
// off arrives ever later, so its low frequencies, played first, come out
// earlier than its high ones and the impulse smears into the time before
// its peak, where a causal device has nothing. The check reads the response
// whose band is causal (CausalBand), so the band's own edges ring after the
// peak: the energy before the peak down to a guard, beyond what the noise
// there holds, over the energy within the guard of it, in dB (`driftDb`).
// A fixed resampling ratio (a card that plays at another rate than it
// records) leaves a sharp peak and stays far below -40 dB.
//
// The guard is what a causal device fills while it rises: at least half a
// period of the frequency below which nine tenths of the response's energy
// lie, and so long that the response's own magnitude with the phase of a
// causal device, a whole, a quarter or half a sample late, reads at most
// kIrCleanLoopDb. The criterion starts from where the response arrives
// (its first lobe of half its height), not from its highest lobe, which a
// high-pass's swing back can make a later one.
// The check sees drift when kIrOneSweepDriftPpm either way would read
// above kIrDriftDb there, with a margin; in a band that ends low, where a
// causal response rises slowly, it does not, and only sweeps played back
// to back can tell (SweepShift).
inline constexpr double kIrCleanLoopDb = -50.0;
struct IrOneSweepCheck {
    double guardMs = 0.0;
    bool seesDrift = false;
    double driftDb = 0.0;
};
IrOneSweepCheck OneSweepCheck(const ImpulseResponse& ir, const IrPeak& peak);
// The same with the response's CausalBand already at hand.
IrOneSweepCheck OneSweepCheck(const ImpulseResponse& ir, const ImpulseResponse& causal, const IrPeak& peak);

// OneSweepCheck's criterion alone.
double DriftRatioDb(const ImpulseResponse& ir, const IrPeak& peak);

// How far the last sweep's response lies after the first one's (samples),
// found from their cross-spectrum: the integer lag of the cross-correlation's
// peak, then the slope of the phase over the band at full level, with the
// standard error of that slope. A clock that runs off delays each sweep a
// little more than the one before, which the energy before the peak misses
// where a sweep is short or its band low. Zero for one sweep. `recording`
// holds sweep.count periods from the first played frame on, `played` one
// period.
struct IrSweepShift {
    double samples = 0.0;
    double standardError = 0.0;
};
IrSweepShift SweepShift(std::span<const float> recording, std::span<const double> played, const IrSweep& sweep);

// The clock ratio (ppm) the shift between the first and the last sweep
// stands for.
double SweepShiftPpm(const IrSweepShift& shift, const IrSweep& sweep);

// Whether the shift is drifting clocks: more than kIrSweepShiftSamples,
// which would smear the mean, or surely more than none (five standard
// errors) and at least kIrLeastDriftPpm.
bool ShiftIsDrift(const IrSweepShift& shift, const IrSweep& sweep);

QString IrProblemText(IrProblem problem, char letter);

} // namespace korvanta
