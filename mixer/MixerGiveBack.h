#pragma once
// Giving the user's mixer back. A control the program wrote returns to the
// value the program found only while nobody has changed it since: it must
// still read what it read back right after the program's last write. The
// read-back is the reference, not the number written, because a card's dB
// steps and a sound server's cubic scale do not return that number exactly.
// A channel someone changed in a desktop mixer meanwhile keeps that value.

#include <cstdint>
#include <vector>

namespace korvanta {

// A single-value control, channel by channel. Returns the values to write,
// negative for a channel that stays as it is; empty when nothing goes back
// (also when the three readings do not have the same channels, or one of
// them failed and is empty).
std::vector<int32_t> ChannelsToGiveBack(const std::vector<int32_t>& found, const std::vector<int32_t>& afterWrite,
                                        const std::vector<int32_t>& now);

// A list control's items are one choice and go back whole or not at all.
bool ItemsGoBack(const std::vector<int32_t>& found, const std::vector<int32_t>& afterWrite,
                 const std::vector<int32_t>& now);

} // namespace korvanta
