#include "devicetest/DtSineFit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvanta {

namespace {

constexpr int kRefineIterations = 4;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Solves the symmetric system m·p = v in place by Gaussian elimination with
// partial pivoting; false where it is singular.
bool Solve(std::vector<double>& m, std::vector<double>& v, std::vector<double>& p)
{
    const size_t n = v.size();
    for (size_t col = 0; col < n; ++col) {
        size_t pivot = col;
        for (size_t r = col + 1; r < n; ++r)
            if (std::abs(m[r * n + col]) > std::abs(m[pivot * n + col]))
                pivot = r;
        if (m[pivot * n + col] == 0.0)
            return false;
        if (pivot != col) {
            for (size_t k = 0; k < n; ++k)
                std::swap(m[col * n + k], m[pivot * n + k]);
            std::swap(v[col], v[pivot]);
        }
        for (size_t r = col + 1; r < n; ++r) {
            const double f = m[r * n + col] / m[col * n + col];
            for (size_t k = col; k < n; ++k)
                m[r * n + k] -= f * m[col * n + k];
            v[r] -= f * v[col];
        }
    }
    p.assign(n, 0.0);
    for (size_t r = n; r-- > 0;) {
        double s = v[r];
        for (size_t k = r + 1; k < n; ++k)
            s -= m[r * n + k] * p[k];
        p[r] = s / m[r * n + r];
    }
    return true;
}

// Least squares of x against basis functions given per sample: `basis(n,
// row)` fills one row. Returns the coefficients, empty where singular.
template <typename Basis>
std::vector<double> LeastSquares(std::span<const float> x, size_t count, Basis basis)
{
    std::vector<double> m(count * count, 0.0), v(count, 0.0), row(count), p;
    for (size_t n = 0; n < x.size(); ++n) {
        basis(n, row);
        const double y = x[n];
        for (size_t r = 0; r < count; ++r) {
            v[r] += row[r] * y;
            for (size_t k = r; k < count; ++k)
                m[r * count + k] += row[r] * row[k];
        }
    }
    for (size_t r = 0; r < count; ++r)
        for (size_t k = 0; k < r; ++k)
            m[r * count + k] = m[k * count + r];
    if (!Solve(m, v, p))
        p.clear();
    return p;
}

bool Fittable(double freq, int rate) { return freq > 0.0 && freq < rate / 2.0; }

} // namespace

DtSineFit FitSines(std::span<const float> x, int rate, std::span<const double> freqs)
{
    DtSineFit fit;
    std::vector<double> used;
    for (double f : freqs) {
        fit.sines.push_back({f, NAN, 0.0});
        if (Fittable(f, rate))
            used.push_back(f);
    }
    const size_t count = 2 * used.size() + 1;
    const auto p = LeastSquares(x, count, [&](size_t n, std::vector<double>& row) {
        for (size_t i = 0; i < used.size(); ++i) {
            const double ph = kTwoPi * std::fmod(used[i] * static_cast<double>(n) / rate, 1.0);
            row[2 * i] = std::sin(ph);
            row[2 * i + 1] = std::cos(ph);
        }
        row[count - 1] = 1.0;
    });
    if (p.empty())
        return fit;
    size_t i = 0;
    for (DtSine& s : fit.sines) {
        if (!Fittable(s.freq, rate))
            continue;
        s.amplitude = std::hypot(p[2 * i], p[2 * i + 1]);
        s.phase = std::atan2(p[2 * i + 1], p[2 * i]);
        ++i;
    }
    fit.dc = p[count - 1];
    return fit;
}

double RefineFrequency(std::span<const float> x, int rate, double nominal)
{
    if (!Fittable(nominal, rate) || x.size() < 4)
        return nominal;
    // Time counted from the middle of the block keeps the frequency column
    // small against the others and the system well conditioned.
    const double mid = static_cast<double>(x.size()) / 2.0;
    double f = nominal;
    for (int it = 0; it < kRefineIterations; ++it) {
        const double one[] = {f};
        const DtSineFit start = FitSines(x, rate, one);
        const double a = start.sines[0].amplitude * std::cos(start.sines[0].phase); // sin coefficient
        const double b = start.sines[0].amplitude * std::sin(start.sines[0].phase); // cos coefficient
        if (!std::isfinite(a) || (a == 0.0 && b == 0.0))
            return nominal;
        // Model a·sin(ωn) + b·cos(ωn) + d with n from 0; its derivative by
        // ω is t·(a·cos − b·sin), t in seconds from the middle.
        const auto p = LeastSquares(x, 4, [&](size_t n, std::vector<double>& row) {
            const double ph = kTwoPi * std::fmod(f * static_cast<double>(n) / rate, 1.0);
            const double s = std::sin(ph), c = std::cos(ph);
            const double t = (static_cast<double>(n) - mid) / rate;
            row[0] = s;
            row[1] = c;
            row[2] = 1.0;
            row[3] = t * (a * c - b * s);
        });
        if (p.empty())
            return nominal;
        // The residual correlated with t·(…) around the middle is the
        // frequency error; the phase term it implies at n = 0 is absorbed
        // by the sin/cos columns.
        const double step = p[3] / kTwoPi;
        f += step;
        if (!Fittable(f, rate) || std::abs(f - nominal) > nominal * 0.01)
            return nominal;
        if (std::abs(step) < 1e-9 * nominal)
            break;
    }
    return f;
}

std::vector<float> Residual(std::span<const float> x, int rate, const DtSineFit& fit)
{
    std::vector<float> out(x.begin(), x.end());
    for (size_t n = 0; n < out.size(); ++n) {
        double v = out[n] - fit.dc;
        for (const DtSine& s : fit.sines)
            if (std::isfinite(s.amplitude))
                v -= s.amplitude * std::sin(kTwoPi * std::fmod(s.freq * static_cast<double>(n) / rate, 1.0) + s.phase);
        out[n] = static_cast<float>(v);
    }
    return out;
}

double AmplitudeDbfs(double amplitude) { return 20.0 * std::log10(amplitude); }

double SineLevelDbfs(std::span<const float> x, int rate, double freq)
{
    const double one[] = {RefineFrequency(x, rate, freq)};
    return AmplitudeDbfs(FitSines(x, rate, one).sines[0].amplitude);
}

} // namespace korvanta
