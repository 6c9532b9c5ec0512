#pragma once
// Figures between the two channels: crosstalk (a tone in one channel, the
// other's narrow-band level at that frequency) and channel match (gain and
// phase of one tone in both). Narrow band means a least-squares sine fit
// over the whole block: its bandwidth is the block's reciprocal, so it
// reads a leak far below the broadband noise.

#include <cmath>
#include <span>

namespace korvanta {

// A crosstalk reading this close to the idle reading is the idle signal
// (mains hum at 100 Hz), not crosstalk.
inline constexpr double kDtNearIdleDb = 6.0;

struct DtCrosstalk {
    double db = NAN;       // the other channel at the tone's frequency, dB to the tone
    double idleDb = NAN;   // the same with the tone off, dB to the same tone
    bool nearIdle = false; // within kDtNearIdleDb of idleDb: an upper bound at best
    bool onlyZeros = false; // the other channel held nothing but zeros: no leak to read
};

// `driven` and `other` from one block with the tone on; `otherIdle` from a
// block with it off.
DtCrosstalk Crosstalk(std::span<const float> driven, std::span<const float> other, std::span<const float> otherIdle,
                      int rate, double hz);

struct DtChannelMatch {
    double gainDb = NAN;   // left over right
    double phaseDeg = NAN; // left minus right, -180 … 180
};

DtChannelMatch ChannelMatch(std::span<const float> left, std::span<const float> right, int rate, double hz);

} // namespace korvanta
