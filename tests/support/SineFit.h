#pragma once
// Least-squares fit of a sine of exactly `freq` to one channel of an
// interleaved stereo block (channel 0: the first value of each pair),
// skipping `skip` frames at both ends (a filter's run-in): the sine's peak
// and what is left after it, in dB relative to it.

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

struct SineFit {
    double amplitude;
    double residualDb;
};

template <typename Sample>
SineFit FitSine(const std::vector<Sample>& v, int channel, double freq, int rate, size_t skip = 0)
{
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    const size_t frames = v.size() / 2;
    auto phase = [&](size_t n) { return 2.0 * std::numbers::pi * freq * static_cast<double>(n) / rate; };
    for (size_t n = skip; n < frames - skip; ++n) {
        const double s = std::sin(phase(n)), c = std::cos(phase(n)), y = v[2 * n + channel];
        ss += s * s;
        sc += s * c;
        cc += c * c;
        ys += y * s;
        yc += y * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det;
    const double b = (yc * ss - ys * sc) / det;
    double res = 0;
    for (size_t n = skip; n < frames - skip; ++n) {
        const double e = v[2 * n + channel] - a * std::sin(phase(n)) - b * std::cos(phase(n));
        res += e * e;
    }
    const double amp = std::hypot(a, b);
    const double count = static_cast<double>(frames - 2 * skip);
    return {amp, 20.0 * std::log10(std::sqrt(2.0 * res / count) / amp)};
}
