#include "platform/audio/virtual/FractionalDelay.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvanta {

namespace {

// The window's shape: beta 8 puts the side lobes near -80 dB, which with 64
// taps leaves the band up to 0.42 of the rate flat.
constexpr double kBeta = 8.0;

// The modified Bessel function of order 0 by its series, to double precision
// for arguments up to kBeta.
double BesselI0(double x)
{
    const double q = x * x / 4.0;
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 40 && term > sum * 1e-17; ++k) {
        term *= q / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

double Sinc(double x) { return x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x); }

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
    const double norm = BesselI0(kBeta);
    double sum = 0.0;
    for (int k = 0; k < t.count; ++k) {
        const double x = (t.first + k) - delay; // within (-half, half)
        const double r = x / half;
        t.coef[k] = Sinc(x) * BesselI0(kBeta * std::sqrt(std::max(0.0, 1.0 - r * r))) / norm;
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
