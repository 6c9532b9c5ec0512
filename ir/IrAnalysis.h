#pragma once
// One measurement from its recording to what is shown and saved: the checks
// of a bad set-up, the deconvolution (one channel, or the ratio of two in
// the reference mode), the delay and polarity, the gated response with the
// output correction taken out, and the harmonics. Plain function, no
// device, no widget: the engine, the command and the tests share it.

#include "ir/IrChecks.h"
#include "ir/IrDeconvolve.h"
#include "ir/IrHarmonics.h"
#include "ir/IrPeak.h"
#include "ir/IrResponse.h"
#include "ir/IrSweep.h"

#include <span>

namespace korvanta {

struct CorrectionTable;

struct IrSettings {
    IrSweep sweep;
    // The response is measured / reference when set; else the measured
    // channel's alone.
    bool referenceMode = false;
    int measuredChannel = 0; // 0 left, 1 right; the reference is the other
    // The gate; a length of 0 takes all of the fundamental (FundamentalGate).
    IrGate gate;
    int smoothing = 0; // 0 none, else 1/3 … 1/48 octave (3 … 48), for display

    bool operator==(const IrSettings&) const = default;
};

struct IrMeasurement {
    IrSettings settings;
    IrProblem problem = IrProblem::None; // IrProblemText says why; no curve then
    ImpulseResponse ir;                  // averaged over the sweeps; the ratio in reference mode
    IrPeak peak;
    IrGate gate;                         // the gate applied (the fundamental's when none was set)
    IrResponse response;                 // full resolution, corrected
    IrHarmonicCurves harmonics;          // of the measured channel
    double peakToNoiseDb = 0.0;
    // How the clocks were checked, and the least drift (ppm) that check
    // refuses (0 without a check).
    IrClockCheck clockCheck = IrClockCheck::None;
    double clockCheckPpm = 0.0;
    double driftDb = 0.0;           // DriftRatioDb, the larger of both channels'; NaN where not checked
    double sweepShiftSamples = 0.0; // SweepShift, the larger of both channels' in reference mode
    // The highest sample the input recorded, dBFS: what the sweep reached
    // there, which a device whose gain depends on the level sets, not the
    // sweep's own level. The reference's is NaN outside the reference mode.
    double inputPeakDbfs = 0.0;
    double referencePeakDbfs = 0.0;

    bool ok() const { return problem == IrProblem::None && !response.h.empty(); }
};

// `measured` and `reference` hold the recording from the first played frame
// on, `settings.sweep.count` periods of it (the reference is ignored unless
// in reference mode). `output` is divided out of the response when active.
IrMeasurement AnalyseSweep(std::span<const float> measured, std::span<const float> reference,
                           const IrSettings& settings, const CorrectionTable* output = nullptr);

// A gate whose start counts from the measured peak (negative: before it).
// A card's latency differs from run to run by whole buffers, so a gate
// kept after the first played frame would cut out another stretch on the
// next run and give a wrong response without a word; one kept from the
// peak stays on the same part of the response. Its fades take at most a
// quarter of the length.
IrGate GateFromPeak(const IrMeasurement& m, double startFromPeakMs, double lengthMs);

// Where a gate counted from the peak may lie, in ms from the peak: it
// starts at `earliestStartMs` at the earliest, ends at `latestEndMs` at the
// latest, and is at most `longestMs` long (GateInResponse says why).
struct IrGateLimits {
    double earliestStartMs = 0.0;
    double latestEndMs = 0.0;
    double longestMs = 0.0;
    bool Hold(double startFromPeakMs, double lengthMs) const;
};
// Of a measurement: its peak is known.
IrGateLimits GateLimitsOf(const IrMeasurement& m);
// Before the run, for any latency the tail holds (0 up to the tail): a
// gate outside these limits lies outside every response the run can give.
IrGateLimits GateLimitsBefore(const IrSweep& sweep);
// The limits as a clause ("counted from the peak a gate begins …"), and
// why a gate does not fit, with them ('E' English, else German).
QString GateLimitsText(const IrGateLimits& limits, char letter);
QString GateOutsideText(const IrGateLimits& limits, char letter);

// How the clocks were checked, for the window ('E' English, else German).
QString ClockCheckText(const IrMeasurement& m, char letter);

// The response again with another gate, for the window's gate controls,
// without a new recording. A gate outside the response (GateInResponse)
// leaves no response, so nothing is shown or written of it.
void Regate(IrMeasurement& m, const IrGate& gate, const CorrectionTable* output = nullptr);

} // namespace korvanta
