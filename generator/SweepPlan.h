#pragma once
// The sweep's frequency plan and its per-step numbers: the frequency of each
// step, the length of the block recorded for it, the tag that travels with
// that block, and the longest measurement the buffers allow. Plain
// functions, no widgets, no device.

#include "audio/RunEstimate.h"

#include <cstdint>

namespace korvanta {

// Frequency of step k (0 .. steps) of a linear or logarithmic plan from
// `from` to `to` Hz. A plan without steps or starting at 0 Hz gives 333 Hz.
float StepFrequency(int32_t from, int32_t to, int32_t steps, int32_t k, bool linear);

// Frames recorded for a step at `freq`: 50 periods, at least 10 ms, at most
// what the capture buffers hold at this input rate and width.
int32_t CaptureFrames(float freq, int inRate, int inBits);

// The tag of a step's recording: round(freq * 100) in the low 23 bits, the
// step index in the high 9 bits. Frequencies up to 83886.07 Hz and step
// indices up to 511 fit.
uint32_t StepTag(float freq, int32_t stepIndex);
float TagFrequency(uint32_t tag);
int32_t TagIndex(uint32_t tag);

// Longest possible measurement in ms for the dialog's read-out: the
// smaller of what the output buffer and 32768 input frames hold.
int LongestMeasurementMs(int outRate, int outBits, int inRate);

// The planned duration of a sweep's steps 0 .. steps: each waits
// `settleMs` and records the block its frequency needs at this input.
RunEstimate SweepEstimate(int32_t from, int32_t to, int32_t steps, bool linear, int settleMs, int inRate,
                          int inBits);

// Round to nearest, ties to even (the program's rounding).
int64_t RoundEven(double x);

} // namespace korvanta
