#include "platform/audio/virtual/FractionalDelay.h"

#include "platform/KaiserWindow.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvanta {

namespace {

// The window's shape: beta 8 puts the side lobes near -80 dB, which with 64
// taps leaves the band up to 0.42 of the rate flat.
constexpr double kBeta = 8.0;

// The window as a function of r = x / half alone, tabulated once: a drifting
// clock needs new taps every frame, and the series per tap would cost the
// card more time than the recording lasts.
constexpr int kWindowSteps = 8192;

const std::vector<double>& WindowTable()
{
    static const std::vector<double> table = [] {
        std::vector<double> t(kWindowSteps + 2);
        for (int i = 0; i <= kWindowSteps + 1; ++i) {
            const double r = std::min(1.0, static_cast<double>(i) / kWindowSteps);
            t[static_cast<size_t>(i)] = KaiserWindow(r, kBeta);
        }
        return t;
    }();
    return table;
}

double Window(double r)
{
    const double at = std::min(1.0, std::abs(r)) * kWindowSteps;
    const size_t i = static_cast<size_t>(at);
    const double share = at - static_cast<double>(i);
    const std::vector<double>& t = WindowTable();
    return t[i] + share * (t[i + 1] - t[i]);
}

} // namespace

FractionalTaps MakeFractionalTaps(double delay)
{
    FractionalTaps t;
    delay = std::max(0.0, delay);
    const double whole = std::floor(delay);
    if (delay == whole) {
        t.first = static_cast<int>(whole);
        t.count = 1;
        t.coef[0] = 1.0;
        return t;
    }
    const int half = std::min(kFractionalHalfTaps, static_cast<int>(whole) + 1);
    t.first = static_cast<int>(whole) - half + 1;
    t.count = 2 * half;
    // sin(π·x) alternates in sign from tap to tap: one sine serves all.
    const double sine = std::sin(std::numbers::pi * (t.first - delay));
    double sum = 0.0;
    for (int k = 0; k < t.count; ++k) {
        const double x = (t.first + k) - delay; // within (-half, half), never 0
        t.coef[k] = ((k & 1) ? -sine : sine) / (std::numbers::pi * x) * Window(x / half);
        sum += t.coef[k];
    }
    for (int k = 0; k < t.count; ++k)
        t.coef[k] /= sum;
    return t;
}

DelayLine::DelayLine(double longest)
{
    const size_t need = static_cast<size_t>(std::ceil(std::max(0.0, longest))) + 2 * kFractionalHalfTaps + 1;
    size_t n = 1;
    while (n < need)
        n *= 2;
    buffer_.assign(n, 0.0);
    mask_ = n - 1;
}

double DelayLine::read(const FractionalTaps& taps, int extra) const
{
    double y = 0.0;
    const size_t base = pos_ + buffer_.size() - static_cast<size_t>(taps.first + extra);
    for (int k = 0; k < taps.count; ++k)
        y += taps.coef[k] * buffer_[(base - static_cast<size_t>(k)) & mask_];
    return y;
}

} // namespace korvanta
