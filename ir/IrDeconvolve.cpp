#include "ir/IrDeconvolve.h"

#include "ir/IrTransformSize.h"
#include "measure/FFtuli.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvanta {

namespace {

using Complex = std::complex<double>;

constexpr double kRampOctaves = 1.0 / 3.0;

// The spectra (negative exponent, unscaled but for a common factor) of two
// real signals at once: `a` in the real part, `b` in the imaginary part of
// one transform. Fft's positive exponent gives Z[k] = Zs[N-k] / N.
void TwoSpectra(std::vector<double>& re, std::vector<double>& im, std::vector<Complex>& a, std::vector<Complex>& b)
{
    const int n = static_cast<int>(re.size());
    std::vector<double> scratch;
    FftLong(re.data(), im.data(), n, scratch);
    a.resize(static_cast<size_t>(n / 2 + 1));
    b.resize(a.size());
    for (int k = 0; k <= n / 2; ++k) {
        const int j = (n - k) % n;
        const Complex z(re[j], im[j]);
        const Complex zc = std::conj(Complex(re[k], im[k])); // conj(Zs[N-k])
        a[k] = 0.5 * (z + zc);
        b[k] = Complex(0.0, -0.5) * (z - zc);
    }
}

// h from its half spectrum (negative exponent): Fft's positive exponent and
// 1/N are exactly the inverse.
std::vector<double> Inverse(const std::vector<Complex>& spectrum, int n)
{
    std::vector<double> re(static_cast<size_t>(n)), im(static_cast<size_t>(n));
    for (int k = 0; k <= n / 2; ++k) {
        re[k] = spectrum[k].real();
        im[k] = spectrum[k].imag();
        if (k > 0 && k < n / 2) {
            re[n - k] = spectrum[k].real();
            im[n - k] = -spectrum[k].imag();
        }
    }
    im[0] = 0.0;
    im[n / 2] = 0.0;
    std::vector<double> scratch;
    FftLong(re.data(), im.data(), n, scratch);
    return re;
}

// Y·conj(X) / (|X|² + λ(f)), λ from the mean |X|² in the band; `band`
// receives |X|² / (|X|² + λ(f)).
std::vector<Complex> Divide(const std::vector<Complex>& y, const std::vector<Complex>& x, const IrSweep& sweep,
                            std::vector<double>& band)
{
    const double f1 = sweep.f1, f2 = sweep.f2;
    const int rate = sweep.rate;
    const int n = 2 * (static_cast<int>(x.size()) - 1);
    const double binHz = static_cast<double>(rate) / n;
    double sum = 0.0;
    int inBand = 0;
    for (size_t k = 0; k < x.size(); ++k) {
        const double f = k * binHz;
        if (f >= f1 && f <= f2) {
            sum += std::norm(x[k]);
            ++inBand;
        }
    }
    const double lambda = inBand > 0 ? sum / inBand : 1.0;
    std::vector<Complex> h(x.size());
    band.assign(x.size(), 0.0);
    for (size_t k = 0; k < x.size(); ++k) {
        const double d = std::norm(x[k]) + lambda * RegularisationRamp(k * binHz, sweep);
        h[k] = d > 0.0 ? y[k] * std::conj(x[k]) / d : Complex{};
        band[k] = d > 0.0 ? std::norm(x[k]) / d : 0.0;
    }
    return h;
}

} // namespace

double RegularisationRamp(double f, const IrSweep& sweep)
{
    const double low = FullLevelLowHz(sweep), high = FullLevelHighHz(sweep);
    if (f >= low && f <= high)
        return 0.0;
    if (f <= 0.0)
        return 1.0;
    double share = 1.0;
    if (f < low) {
        share = std::log2(low / f) / std::log2(2.0 * low / sweep.f1);
    } else {
        const double top = std::min(sweep.f2 * std::exp2(kRampOctaves), 0.5 * sweep.rate);
        share = top > high ? std::log2(f / high) / std::log2(top / high) : 1.0;
    }
    return share >= 1.0 ? 1.0 : 0.5 - 0.5 * std::cos(std::numbers::pi * share);
}

double ImpulseResponse::at(long long i) const
{
    const long long n = static_cast<long long>(h.size());
    return n == 0 ? 0.0 : h[static_cast<size_t>(((i % n) + n) % n)];
}

ImpulseResponse Deconvolve(std::span<const float> recording, std::span<const double> played, const IrSweep& sweep)
{
    ImpulseResponse r;
    const size_t period = static_cast<size_t>(sweep.PeriodFrames());
    if (CheckSweep(sweep) != IrSweepFit::Fits || recording.size() < period || played.size() < period)
        return r;
    const int n = IrTransformSize(static_cast<long long>(period));
    std::vector<double> re(static_cast<size_t>(n), 0.0), im(static_cast<size_t>(n), 0.0);
    for (size_t i = 0; i < period; ++i) {
        re[i] = recording[i];
        im[i] = played[i];
    }
    std::vector<Complex> y, x;
    TwoSpectra(re, im, y, x);
    r.sweep = sweep;
    r.rate = sweep.rate;
    r.f1 = sweep.f1;
    r.f2 = sweep.f2;
    r.rateConstant = sweep.RateConstant();
    r.tailSeconds = sweep.tailSeconds;
    r.spectrum = Divide(y, x, sweep, r.band);
    r.h = Inverse(r.spectrum, n);
    return r;
}

std::vector<float> AverageSweeps(std::span<const float> recording, size_t firstFrame, size_t period, int count)
{
    if (count < 1 || period == 0 || firstFrame > recording.size() ||
        (recording.size() - firstFrame) / period < static_cast<size_t>(count))
        return {};
    std::vector<double> sum(period, 0.0);
    for (int c = 0; c < count; ++c) {
        const float* p = recording.data() + firstFrame + static_cast<size_t>(c) * period;
        for (size_t i = 0; i < period; ++i)
            sum[i] += p[i];
    }
    std::vector<float> mean(period);
    for (size_t i = 0; i < period; ++i)
        mean[i] = static_cast<float>(sum[i] / count);
    return mean;
}

ImpulseResponse ReferenceRatio(const ImpulseResponse& measured, const ImpulseResponse& reference)
{
    ImpulseResponse r;
    if (measured.h.empty() || measured.h.size() != reference.h.size() || measured.rate != reference.rate)
        return r;
    r = measured;
    const int n = measured.size();
    const double binHz = static_cast<double>(measured.rate) / n;
    double sum = 0.0;
    int inBand = 0;
    for (size_t k = 0; k < reference.spectrum.size(); ++k) {
        const double f = k * binHz;
        if (f >= measured.f1 && f <= measured.f2) {
            sum += std::norm(reference.spectrum[k]);
            ++inBand;
        }
    }
    const double delta = inBand > 0 && sum > 0.0 ? 1e-6 * sum / inBand : 1e-300;
    for (size_t k = 0; k < r.spectrum.size(); ++k)
        r.spectrum[k] = measured.spectrum[k] * std::conj(reference.spectrum[k]) * measured.band[k] /
                        (std::norm(reference.spectrum[k]) + delta);
    r.h = Inverse(r.spectrum, n);
    return r;
}

} // namespace korvanta
