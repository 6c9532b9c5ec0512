#include "devicetest/DtSpectrum.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace korvanta {

namespace {

using Complex = std::complex<double>;

// In-place radix-2 transform, e^{-2πi nk/N}, no scaling; N a power of two.
void Transform(std::vector<Complex>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double ang = -2.0 * std::numbers::pi / static_cast<double>(len);
        for (size_t k = 0; k < len / 2; ++k) {
            const Complex w = std::polar(1.0, ang * static_cast<double>(k));
            for (size_t i = k; i < n; i += len) {
                const Complex u = a[i], v = a[i + len / 2] * w;
                a[i] = u + v;
                a[i + len / 2] = u - v;
            }
        }
    }
}

// Four-term Blackman-Harris, periodic, so the segments tile without a
// doubled sample.
std::vector<double> Window(size_t n)
{
    constexpr double a0 = 0.35875, a1 = 0.48829, a2 = 0.14128, a3 = 0.01168;
    std::vector<double> w(n);
    const double step = 2.0 * std::numbers::pi / static_cast<double>(n);
    for (size_t i = 0; i < n; ++i) {
        const double t = step * static_cast<double>(i);
        w[i] = a0 - a1 * std::cos(t) + a2 * std::cos(2 * t) - a3 * std::cos(3 * t);
    }
    return w;
}

size_t SegmentLength(size_t frames)
{
    size_t n = kDtMaxSegment;
    while (n > frames)
        n >>= 1;
    return n;
}

} // namespace

DtSpectrum PowerSpectrum(std::span<const float> x, int rate)
{
    DtSpectrum spectrum;
    if (x.size() < static_cast<size_t>(kDtMinSegment) || rate <= 0)
        return spectrum;
    const size_t n = SegmentLength(x.size());
    const std::vector<double> w = Window(n);
    double sumSquares = 0.0;
    for (double v : w)
        sumSquares += v * v;
    spectrum.binHz = static_cast<double>(rate) / static_cast<double>(n);
    spectrum.power.assign(n / 2 + 1, 0.0);
    std::vector<Complex> a(n);
    int segments = 0;
    for (size_t start = 0; start + n <= x.size(); start += n / 2, ++segments) {
        double mean = 0.0;
        for (size_t i = 0; i < n; ++i)
            mean += x[start + i];
        mean /= static_cast<double>(n);
        for (size_t i = 0; i < n; ++i)
            a[i] = (x[start + i] - mean) * w[i];
        Transform(a);
        for (size_t k = 0; k <= n / 2; ++k)
            spectrum.power[k] += std::norm(a[k]);
    }
    // One-sided: each bin but DC and Nyquist stands for its mirror too.
    // Dividing by N·Σw² makes a bin hold power, not the square of a
    // sine's amplitude.
    const double scale = 2.0 / (static_cast<double>(n) * sumSquares * segments);
    for (double& p : spectrum.power)
        p *= scale;
    spectrum.power.front() /= 2.0;
    spectrum.power.back() /= 2.0;
    return spectrum;
}

} // namespace korvanta
