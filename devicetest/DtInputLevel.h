#pragma once
// What one step's recording says about the level at the input: whether a
// channel clipped, and the level the step's signal reached in each channel
// that plays it. The engine takes a clipped step again from it, and the
// report states the level each step reached. Plain functions, no device.

#include "devicetest/DtPlan.h"
#include "devicetest/DtPlanSignal.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvanta {

// A sample this close to full scale, or beyond it, clips: a sine that
// touches the format's limit has lost its peaks already.
inline constexpr double kDtClipShare = 0.999;

// The share of a tone's recording the figures leave out at its start: the
// device under test may not have settled in the wait before it (a
// coupling capacitor's slow high-pass, a delay line still holding the
// step before), and that tail would read as distortion or a level error.
inline constexpr std::size_t kDtLeadInDivisor = 8;

// A tone holds still when its level in each of this many parts of the
// recording after the lead-in lies within kDtSteadyDb of the others (or
// within what the noise moves a fit by): a stream that began before the
// tone came through, a device slower than the settle wait, or one whose
// gain still moves, does not. Nor does one whose phase jumps between two
// parts by more than kDtSteadyRad (or the noise's share): an input that
// lost or repeated frames.
inline constexpr std::size_t kDtSteadyParts = 4;
inline constexpr double kDtSteadyDb = 0.05;
inline constexpr double kDtSteadyRad = 0.01;

// Whether one recorded channel clips: a sample at or beyond kDtClipShare
// of full scale (a float path carries values past ±1) or not a number.
bool DtClips(std::span<const float> x);

struct DtInputLevel {
    // The peak of the step's signal in each channel, dBFS re a full-scale
    // sine (left, right); NaN in a channel that plays nothing.
    double dbfs[2] = {NAN, NAN};
    bool clipped[2] = {false, false};
    bool steady = true; // every tone held its level over the recording

    bool Clipped() const { return clipped[0] || clipped[1]; }
};

// The level each channel the step plays reached at the input: a tone's
// from a fit of its frequencies after the lead-in (the sum of their
// amplitudes, the played sum's peak), and whether it held there; a
// sweep's from its largest sample.
// Clipping is read over the whole recording, in both channels; the
// conversion's count of samples on the format's limit belongs to the block,
// so a count with no clipped sample in sight marks both channels.
DtInputLevel DtLevelAtInput(const DtStep& step, const DtRecording& recording);

// The peak `peak` (full-scale units) as dBFS, -inf for none.
double DtPeakDbfs(double peak);

// Whether recorded PCM in 32-bit containers (`bits` 32, named 24 bits)
// holds steps finer than 24 bits: a float path (a sound server's) carries
// more than the width the device names, and its noise can lie far below
// what 24 bits allow.
bool DtPcmFinerThan24Bits(const std::vector<uint8_t>& pcm, int bits);

} // namespace korvanta
