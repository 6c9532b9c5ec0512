#pragma once
// What a device test plays and records, step by step, known before it
// starts: each step's signal per channel (one tone, two tones, digital
// zero, a tone in one channel only, or one sweep played once), its level,
// the settle wait and the recorded length. So the run's duration, its
// progress and the time left come from the plan alone. Steps the analysis
// adds while running (the maximum-level search) make the plan approximate.
// Plain values, no device, no widget.

#include "audio/RunEstimate.h"
#include "devicetest/DtConventions.h"

#include <QString>
#include <optional>
#include <vector>

namespace korvanta {

// What a step is for; the analysis picks its recordings by it.
enum class DtStepKind {
    Level,        // a tone in one channel: the loop's gain, the checks before the run
    Response,     // the response: one sweep, or one frequency of a tone
    Noise,        // digital zero: noise, hum, the idle floor
    DynamicRange, // 997 Hz, 60 dB below the input's full scale
    Thd,          // 997 Hz at the reference level
    ImdSmpte,     // 60 Hz + 7 kHz, 4:1
    ImdCcif,      // 18 kHz + 19 kHz, 1:1
    Crosstalk,    // a tone in one channel, the other one read
    CrosstalkOff, // the same length of digital zero: the bins with the tone off
    Match,        // the same tone in both channels
    MaxLevel,     // 997 Hz, stepped up until THD+N passes its limit
};

// The channels that carry the step's signal; the other one plays digital zero.
enum class DtPlays { Both, LeftOnly, RightOnly };

// What a step's level is relative to: the output's full scale, or the
// input's (the engine sets the output from the loop's measured gain).
enum class DtLevelRef { Output, Input };

// An exponential sine sweep played once instead of a looped buffer: the
// whole response from one recording (ir/IrSweep.h says how it is played and
// deconvolved). The recorded stretch begins before the sweep plays, by up to
// the margin, and is cut where the sweep's first frame was handed to the
// output; what follows must hold the sweep and its tail.
struct DtSweep {
    double f1Hz = 0.0;
    double f2Hz = 0.0;
    double seconds = 0.0;
    double tailSeconds = 0.0;  // silence after it: the device's latency and decay
    double marginSeconds = 0.0; // recorded before the sweep's first frame can be marked

    bool operator==(const DtSweep&) const = default;
};

struct DtStep {
    DtStepKind kind = DtStepKind::Response;
    std::vector<double> frequencies;  // Hz; none: digital zero
    std::vector<double> weights;      // relative amplitudes of the tones (4:1); empty: equal
    DtPlays plays = DtPlays::Both;
    double levelDb = 0.0;             // the signal's peak, dBFS re a full-scale sine's
    DtLevelRef reference = DtLevelRef::Input;
    int settleMs = 0;                 // from the signal's start to the recording's
    int frames = 0;                   // recorded, at the input's rate (a sweep's whole stretch)
    std::optional<DtSweep> sweep;     // set: plays this sweep once, `frequencies` stays empty

    bool Silent() const { return frequencies.empty() && !sweep; }
};

struct DtPlan {
    std::vector<DtStep> steps;
    bool approximate = false;         // steps are added while it runs
};

// A step of tones (none: digital zero) at one level, as the default plan,
// the analysis's added steps and the tests make them.
DtStep DtToneStep(DtStepKind kind, std::vector<double> frequencies, double levelDb, DtLevelRef reference,
                  DtPlays plays, int settleMs, int frames);

// What the default plan measures with.
struct DtPlanSettings {
    int rate = 48000;                 // Hz, the input's
    double referenceLevelDb = -1.0;   // THD and IMD, dBFS at the input
    double levelCheckDb = -20.0;      // the loop-gain tone, dBFS at the output
    int settleMs = 200;
};

// The response's sweep at `rate`: from 2 Hz, so its fade-in and the band
// edge below it lie far under the band's 20 Hz, to a twelfth of an octave
// above the band's top (at most 0.45·rate), 2 s, with half a second of tail
// and of margin.
DtSweep DtResponseSweep(int rate);

// The step that plays it, at the response's level at the input.
DtStep DtSweepStep(const DtSweep& sweep, int rate, int settleMs);

// The default plan: loop gain per channel, noise, response, dynamic range,
// THD, SMPTE, CCIF (where the rate allows), crosstalk each way with the
// tone-off reading, channel match, and the maximum level's first step.
DtPlan DefaultDtPlan(const DtPlanSettings& settings);

// Each step's planned duration; approximate when the plan is.
RunEstimate DtPlanEstimate(const DtPlan& plan, int rate);

} // namespace korvanta
