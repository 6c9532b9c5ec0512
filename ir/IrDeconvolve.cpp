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
// The least band the causal version takes the logarithm of: -80 dB, where
// the sweep played nothing. A deeper floor makes the band's edge a deeper
// cliff, whose phase delays the frequencies below it and makes a causal
// impulse rise slowly.
constexpr double kBandFloor = 1e-4;

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

} // namespace

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

void InversePair(const std::vector<Complex>& a, const std::vector<Complex>& b, int n, std::vector<double>& ha,
                 std::vector<double>& hb)
{
    std::vector<double> re(static_cast<size_t>(n)), im(static_cast<size_t>(n));
    for (int k = 0; k <= n / 2; ++k) {
        // Bin 0 and n/2 of a real signal are real.
        const bool edge = k == 0 || k == n / 2;
        const Complex ak = edge ? Complex(a[k].real(), 0.0) : a[k];
        const Complex bk = edge ? Complex(b[k].real(), 0.0) : b[k];
        const Complex z = ak + Complex(0.0, 1.0) * bk;
        re[k] = z.real();
        im[k] = z.imag();
        if (!edge) {
            const Complex mirror = std::conj(ak) + Complex(0.0, 1.0) * std::conj(bk);
            re[n - k] = mirror.real();
            im[n - k] = mirror.imag();
        }
    }
    std::vector<double> scratch;
    FftLong(re.data(), im.data(), n, scratch);
    ha = std::move(re);
    hb = std::move(im);
}

std::vector<double> MinimumPhase(const std::vector<double>& band, int n)
{
    std::vector<Complex> logBand(band.size());
    for (size_t k = 0; k < band.size(); ++k)
        logBand[k] = std::log(std::max(band[k], kBandFloor));
    const std::vector<double> cepstrum = Inverse(logBand, n);
    std::vector<double> re(static_cast<size_t>(n), 0.0), im(static_cast<size_t>(n), 0.0);
    re[0] = cepstrum[0];
    for (int m = 1; m < n / 2; ++m)
        re[static_cast<size_t>(m)] = 2.0 * cepstrum[static_cast<size_t>(m)];
    re[static_cast<size_t>(n / 2)] = cepstrum[static_cast<size_t>(n / 2)];
    std::vector<double> scratch;
    FftLong(re.data(), im.data(), n, scratch);
    // Fft's positive exponent and 1/N: the transform with the negative one
    // is n times the conjugate.
    std::vector<double> phase(band.size());
    for (size_t k = 0; k < phase.size(); ++k)
        phase[k] = -static_cast<double>(n) * im[k];
    return phase;
}

namespace {

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

bool ImpulseResponse::NoiseStretch(long long& from, long long& to) const
{
    from = std::llround(tailSeconds * rate);
    to = size() - std::llround(rateConstant * std::log(6.0) * rate) -
        std::llround(0.5 * rateConstant * std::log(2.0) * rate);
    return to - from >= 16;
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

std::vector<std::vector<Complex>> ResponseSpectra(std::span<const std::vector<double>> recordings,
                                                  std::span<const double> played, const IrSweep& sweep)
{
    const size_t period = static_cast<size_t>(sweep.PeriodFrames());
    if (CheckSweep(sweep) != IrSweepFit::Fits || played.size() < period)
        return {};
    const int n = IrTransformSize(static_cast<long long>(period));
    // The played sweep first, then the recordings, two to a transform.
    std::vector<std::span<const double>> inputs{played};
    for (const std::vector<double>& r : recordings) {
        if (r.size() < period)
            return {};
        inputs.emplace_back(r);
    }
    std::vector<std::vector<Complex>> spectra(inputs.size());
    for (size_t i = 0; i < inputs.size(); i += 2) {
        std::vector<double> re(static_cast<size_t>(n), 0.0), im(static_cast<size_t>(n), 0.0);
        for (size_t t = 0; t < period; ++t) {
            re[t] = inputs[i][t];
            im[t] = i + 1 < inputs.size() ? inputs[i + 1][t] : 0.0;
        }
        std::vector<Complex> unused;
        TwoSpectra(re, im, spectra[i], i + 1 < inputs.size() ? spectra[i + 1] : unused);
    }
    std::vector<std::vector<Complex>> responses;
    std::vector<double> band;
    for (size_t i = 1; i < spectra.size(); ++i)
        responses.push_back(Divide(spectra[i], spectra[0], sweep, band));
    return responses;
}

ImpulseResponse CausalBand(const ImpulseResponse& ir)
{
    if (ir.h.empty() || ir.band.size() != ir.spectrum.size())
        return ir;
    return CausalBand(ir, MinimumPhase(ir.band, ir.size()));
}

ImpulseResponse CausalBand(const ImpulseResponse& ir, const std::vector<double>& phase)
{
    ImpulseResponse r = ir;
    if (ir.h.empty() || phase.size() != ir.spectrum.size())
        return r;
    for (size_t k = 0; k < r.spectrum.size(); ++k)
        r.spectrum[k] *= std::polar(1.0, phase[k]);
    r.h = Inverse(r.spectrum, ir.size());
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
