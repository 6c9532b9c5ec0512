#pragma once
// A tone that did not hold still over its recording is recorded again
// while it plays on: the first stretch of a fresh input stream may begin
// before the tone has come through a sound server's filters, and a device
// slower than the settle wait still holds the step before. A loop gain
// read from such a stretch would play that channel too loud in every later
// step; a loop-gain tone that never holds still refuses the run, any other
// step stands after its last take with the level it reached.
//
// When a step's input clipped, the step is taken again instead of becoming
// a figure: a level asked at the input is played again lower, and the take
// after the first one that no longer clips is played with the loop gain
// that one read, which puts a device whose gain does not depend on level
// back at the level asked (one whose gain does comes near it, and the
// report states where). A step that clips however low it is played, or
// whose level is set at the output (the loop-gain tones, the maximum-level
// search) or plays nothing at all, cannot be helped by a lower output: it
// stands as it is for the analysis to judge, or ends the run.
//
// Plain values: the engine plays what this says, and nothing here knows a
// device.

#include "devicetest/DtInputLevel.h"
#include "devicetest/DtPlanProcedure.h"

namespace korvanta {

// How much lower a clipped take is played again.
inline constexpr double kDtRetakeDropDb = 6.0;
// Takes of one step at most: the first, lower ones, and the one at the
// level asked.
inline constexpr int kDtMaxTakes = 4;
// A lowered take that lies this close to the level asked stands as it is.
inline constexpr double kDtRetakeSlackDb = 0.1;

enum class DtTakeVerdict {
    Stands,  // hand it to the analysis
    Again,   // play the step again with `gainDb`
    GivesUp, // the input clips and a lower output cannot help: the run ends
};

struct DtTakeNext {
    DtTakeVerdict verdict = DtTakeVerdict::Stands;
    double gainDb[2] = {0.0, 0.0}; // the loop gains the next take plays with
    bool replay = true;            // false: the signal plays on as it is, recorded again
};

// After take number `take` (1: the first) of `played`, played with the
// loop gains `gainDb`, whose input reached `level`; `lastClipped`: the
// take before this one clipped, so this one was played lower.
DtTakeNext DtNextTake(const DtPlayedStep& played, const DtInputLevel& level, const double gainDb[2], int take,
                      bool lastClipped);

// Whether a step's gains, once it was taken again, are the loop's gain for
// the steps after it: a tone at the frequency the loop gain is read at.
bool DtGainCarriesOn(const DtStep& step);

} // namespace korvanta
