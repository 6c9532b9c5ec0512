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

// Three-parameter least-squares fit (sine and cosine at exactly `freq`, and
// DC) over a whole mono signal, in double: the sine's peak, and the RMS of
// what is left over the sine's RMS, in dB.
inline SineFit FitSineWithDc(const std::vector<double>& y, double freq, int rate)
{
    const size_t n = y.size();
    std::vector<double> s(n), c(n);
    for (size_t i = 0; i < n; ++i) {
        const double ph = 2.0 * std::numbers::pi * freq * static_cast<double>(i) / rate;
        s[i] = std::sin(ph);
        c[i] = std::cos(ph);
    }
    // Normal equations M p = v for p = (a, b, d) in y ~ a s + b c + d.
    double m[3][3] = {}, v[3] = {};
    for (size_t i = 0; i < n; ++i) {
        const double basis[3] = {s[i], c[i], 1.0};
        for (int r = 0; r < 3; ++r) {
            v[r] += basis[r] * y[i];
            for (int k = 0; k < 3; ++k)
                m[r][k] += basis[r] * basis[k];
        }
    }
    // Cramer's rule: the system is small and well conditioned over whole
    // seconds of signal.
    auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
             + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    double p[3];
    for (int col = 0; col < 3; ++col) {
        double a[3][3];
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k)
                a[r][k] = k == col ? v[r] : m[r][k];
        p[col] = det(a) / d;
    }
    double res = 0;
    for (size_t i = 0; i < n; ++i) {
        const double e = y[i] - p[0] * s[i] - p[1] * c[i] - p[2];
        res += e * e;
    }
    const double amp = std::hypot(p[0], p[1]);
    return {amp, 20.0 * std::log10(std::sqrt(2.0 * res / static_cast<double>(n)) / amp)};
}
