#include "diagram/DiaNavigation.h"

#include "diagram/DiaScale.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

int32_t NextStopDown(int32_t v)
{
    for (int i = ScrollStopCount - 1; i >= 0; --i)
        if (ScrollStops[i] < v)
            return ScrollStops[i];
    return v;
}

// A linear axis moves by a tenth of its span, or by 1 Hz when the span is
// too small for a tenth to be a whole hertz.
int32_t LinearMove(int code, int32_t v, int32_t span)
{
    const int32_t delta = span > 9 ? span / 10 : 1;
    return code == SB_LINEUP ? v - delta : v + delta;
}

bool MovesValue(int code) { return code == SB_LINEUP || code == SB_LINEDOWN; }

// The end moved by one arrow click, before the limits of either end.
int32_t MovedEnd(int code, int32_t v, int32_t span, bool xLog)
{
    if (xLog)
        return code == SB_LINEUP ? NextStopDown(v) : SmallestAbove(ScrollStops, v);
    return LinearMove(code, v, span);
}

} // namespace

int32_t ScrollHighFreq(int code, int32_t xmin, int32_t xmax, bool xLog)
{
    if (!MovesValue(code))
        return xmax;
    const int32_t moved = MovedEnd(code, xmax, xmax - xmin, xLog);
    const int32_t v = xLog ? moved : std::min(moved, MaxScrollFreq);
    return v > xmin ? v : xmax;
}

int32_t ScrollLowFreq(int code, int32_t xmin, int32_t xmax, bool xLog)
{
    if (!MovesValue(code))
        return xmin;
    const int32_t moved = MovedEnd(code, xmin, xmax - xmin, xLog);
    const int32_t v = xLog ? moved : std::max(moved, 1);
    return v < xmax ? v : xmin;
}

namespace {
constexpr int32_t kLargestValue = 2000000000;

// The next 1-2-5 value below (code SB_LINEUP) or above v, whole numbers
// from 1.
int32_t Next125(int code, int32_t v)
{
    const double next = code == SB_LINEUP ? NiceBelow(std::max(v - 0.5, 0.5)) : NiceAbove(v + 0.5);
    return static_cast<int32_t>(std::clamp(next, 1.0, double(kLargestValue)));
}

int32_t MovedValue(int code, int32_t v, int32_t span, bool xLog)
{
    const int64_t delta = span > 9 ? span / 10 : 1;   // wide enough that int32 cannot hold the sum
    const int64_t moved = xLog ? Next125(code, v) : code == SB_LINEUP ? int64_t(v) - delta : int64_t(v) + delta;
    return static_cast<int32_t>(std::clamp<int64_t>(moved, 1, kLargestValue));
}
} // namespace

int32_t ScrollHighValue(int code, int32_t xmin, int32_t xmax, bool xLog)
{
    if (!MovesValue(code))
        return xmax;
    const int32_t v = MovedValue(code, xmax, xmax - xmin, xLog);
    return v > xmin ? v : xmax;
}

int32_t ScrollLowValue(int code, int32_t xmin, int32_t xmax, bool xLog)
{
    if (!MovesValue(code))
        return xmin;
    const int32_t v = MovedValue(code, xmin, xmax - xmin, xLog);
    return v < xmax ? v : xmin;
}

namespace {
double AutoStep(float ymin, float ymax) { return NiceStep(std::fabs(double(ymax) - ymin) / 10.0); }
double Snapped(float v, double g) { return std::round(v / g); }
} // namespace

float YSpin::ymaxUp(float ymin, float ymax) const
{
    if (!autoStep)
        return ymax + step;
    const double g = AutoStep(ymin, ymax);
    return static_cast<float>(g * (Snapped(ymax, g) + 1));
}

float YSpin::ymaxDown(float ymin, float ymax) const
{
    if (!autoStep)
        return ymax - step > ymin ? ymax - step : ymax;
    const double g = AutoStep(ymin, ymax);
    const float a = static_cast<float>(g * (Snapped(ymax, g) - 1));
    return a > ymin ? a : ymax;
}

float YSpin::yminUp(float ymin, float ymax) const
{
    if (!autoStep)
        return ymax - step > ymin ? ymin + step : ymin;
    const double g = AutoStep(ymin, ymax);
    const float a = static_cast<float>(g * (Snapped(ymin, g) + 1));
    return a < ymax ? a : ymin;
}

float YSpin::yminDown(float ymin, float ymax) const
{
    if (!autoStep)
        return ymin - step;
    const double g = AutoStep(ymin, ymax);
    return static_cast<float>(g * (Snapped(ymin, g) - 1));
}

} // namespace korvanta
