#pragma once
// How the diagram's small controls move the ranges: the two y spin buttons
// (top and bottom of the level axis) and the two x scroll bars (upper and
// lower end of the frequency axis). Each function returns the new value, or
// the old one when the move is refused.

#include <cstdint>

namespace korvanta {

// Scroll codes of a scroll bar: the left arrow lowers, the right arrow raises
// the value; the other codes (page, thumb, end) leave it alone.
enum ScrollCode { SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3, SB_THUMBPOSITION = 4,
                  SB_THUMBTRACK = 5, SB_TOP = 6, SB_BOTTOM = 7, SB_ENDSCROLL = 8 };

// Stops of a logarithmic axis: round frequencies and the sample-rate halves
// users look at.
inline constexpr int ScrollStopCount = 24;
inline constexpr int ScrollStops[ScrollStopCount] = {1,    2,     3,     5,     10,    20,    30,    50,
                                                     100,  200,   300,   500,   1000,  2000,  3000,  5000,
                                                     10000, 11025, 20000, 22050, 24000, 28000, 30000, 50000};
inline constexpr int MaxScrollFreq = 50000;

// New xmax for a scroll code on the high-frequency scroll bar.
int32_t ScrollHighFreq(int code, int32_t xmin, int32_t xmax, bool xLog);
// New xmin for a scroll code on the low-frequency scroll bar.
int32_t ScrollLowFreq(int code, int32_t xmin, int32_t xmax, bool xLog);

// The same for an axis of another quantity than hertz (the distortion
// diagram's microwatts): a logarithmic axis steps along 1-2-5 values of any
// decade, and neither end is held to the frequency limits; values stay in
// 1 ... 2,000,000,000.
int32_t ScrollHighValue(int code, int32_t xmin, int32_t xmax, bool xLog);
int32_t ScrollLowValue(int code, int32_t xmin, int32_t xmax, bool xLog);

// Spin steps. With autoStep the values snap to multiples of
// NiceStep(|ymax - ymin| / 10); otherwise they move by `step`.
struct YSpin {
    bool autoStep = true;
    float step = 5.0f;
    float ymaxUp(float ymin, float ymax) const;
    float ymaxDown(float ymin, float ymax) const;   // never reaches ymin
    float yminUp(float ymin, float ymax) const;     // never reaches ymax
    float yminDown(float ymin, float ymax) const;
};

} // namespace korvanta
