#pragma once
// What to tell a user whose device refuses the stored format, and which rate
// a device starts with when nothing is stored for it. Bare ALSA devices
// (and "default" through dmix/dsnoop) often take one rate only, mostly
// 48 kHz, while a fresh slot holds 44.1 kHz.
//
// GUI thread.

#include <QString>
#include <cstdint>
#include <vector>

namespace korvanta {

// The rates a user can pick from, in the order offered.
inline constexpr int kAdviceRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000};

// A sentence naming the formats the current input (or output) device takes
// near the refused one, and where to choose: the rates it takes at `bits`,
// else the widths it takes at `rate`. Empty when it takes none of them.
// Asks the device once per candidate, so it is for the failure path only.
QString FormatAdvice(bool input, int rate, int bits);

// The rates of the capability report's classic mask that a device takes in
// stereo (8 or 16 bit).
std::vector<int> RatesInMask(uint32_t mask);

// The rate a device starts with when the settings hold none for it: `rate`
// when the mask shows it taken or shows nothing (an unknown or busy device),
// else the first the device takes of 48000, 44100, 96000, 22050, 11025.
int StartingRate(uint32_t mask, int rate);

} // namespace korvanta
