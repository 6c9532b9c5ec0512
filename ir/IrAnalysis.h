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
    double driftDb = 0.0;                // DriftRatioDb
    double sweepShiftSamples = 0.0;      // SweepShiftSamples, the larger of both channels' in reference mode

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

// The response again with another gate, for the window's gate controls,
// without a new recording.
void Regate(IrMeasurement& m, const IrGate& gate, const CorrectionTable* output = nullptr);

} // namespace korvanta
