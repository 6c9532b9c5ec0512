#include "distortion/HarmonicAnalysis.h"

#include "measure/FFtuli.h"
#include "analysis/SpectrumAnalysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvanta {

namespace {
constexpr int kLobeBins = 5;   // the window's main lobe is 4 bins wide either side
constexpr int kSearchBins = 2; // how far a tone may sit from its nominal bin

double ratioDb(double ratio) { return ratio > 0.0 ? 20.0 * std::log10(ratio) : kNoSignalDb; }
} // namespace

std::vector<float> HarmonicWindow(int n)
{
    constexpr double a0 = 0.35875, a1 = 0.48829, a2 = 0.14128, a3 = 0.01168;
    std::vector<float> w(static_cast<size_t>(std::max(n, 0)));
    const double step = 2.0 * std::numbers::pi / n;
    for (int i = 0; i < n; ++i)
        w[i] = static_cast<float>(a0 - a1 * std::cos(step * i) + a2 * std::cos(2 * step * i) - a3 * std::cos(3 * step * i));
    return w;
}

double WindowMeanSquare(std::span<const float> window)
{
    double sum = 0.0;
    for (float v : window)
        sum += double(v) * v;
    return window.empty() ? 0.0 : sum / window.size();
}

void HarmonicSpectrum(const float* interleaved, int channel, std::span<const float> window,
                      std::vector<float>& scratch, std::vector<float>& magnitudes)
{
    const int n = static_cast<int>(window.size());
    scratch.assign(2 * static_cast<size_t>(n), 0.0f);
    float* re = scratch.data();
    float* im = re + n;
    for (int i = 0; i < n; ++i)
        re[i] = interleaved[2 * i + channel] * window[i];
    Fft(re, im, n);
    magnitudes.resize(n / 2);
    for (int k = 0; k < n / 2; ++k)
        magnitudes[k] = std::hypot(re[k], im[k]);
}

double ToneAmplitude(std::span<const float> magnitudes, double windowMeanSquare, double binHz, double hz)
{
    const int last = static_cast<int>(magnitudes.size()) - 1;
    const int nominal = static_cast<int>(std::lround(hz / binHz));
    if (last < 1 || windowMeanSquare <= 0.0 || nominal > last)
        return 0.0;
    int peak = std::clamp(nominal, 1, last);
    for (int k = std::max(1, nominal - kSearchBins); k <= std::min(last, nominal + kSearchBins); ++k)
        if (magnitudes[k] > magnitudes[peak])
            peak = k;
    double power = 0.0;
    for (int k = std::max(1, peak - kLobeBins); k <= std::min(last, peak + kLobeBins); ++k)
        power += double(magnitudes[k]) * magnitudes[k];
    // One side of a sine of peak A holds N^2 A^2 ms / 4 of the windowed power.
    return 2.0 * std::sqrt(power / windowMeanSquare);
}

HarmonicMeasurement MeasureHarmonics(std::span<const float> magnitudes, double windowMeanSquare, double sampleRate,
                                     double fundamentalHz, const AnalysisSettings& analysis,
                                     const CorrectionTable& weighting)
{
    HarmonicMeasurement m;
    const double binHz = sampleRate / (2.0 * magnitudes.size());
    m.fundamentalHz = fundamentalHz;
    m.fundamentalAmplitude = ToneAmplitude(magnitudes, windowMeanSquare, binHz, fundamentalHz);
    double harmonicPower = 0.0;
    for (int h = 2; h <= kHarmonicCount + 1; ++h) {
        const double hz = h * fundamentalHz;
        // Past half the rate a harmonic cannot be recorded; what lies there
        // is noise or an alias, not this harmonic.
        if (hz + kLobeBins * binHz >= sampleRate / 2.0)
            continue;
        const double a = ToneAmplitude(magnitudes, windowMeanSquare, binHz, hz);
        m.present[h - 2] = true;
        m.harmonicDb[h - 2] = ratioDb(m.fundamentalAmplitude > 0 ? a / m.fundamentalAmplitude : 0.0);
        harmonicPower += a * a;
    }
    const double thd = m.fundamentalAmplitude > 0 ? std::sqrt(harmonicPower) / m.fundamentalAmplitude : 0.0;
    m.thdDb = ratioDb(thd);
    m.thdPercent = 100.0 * thd;

    AnalysisSettings s = analysis;
    s.sampleRate = sampleRate;
    s.fftPoints = static_cast<int>(2 * magnitudes.size());
    s.fundamentalAuto = false;
    s.fundamental = fundamentalHz;
    m.thdnDb = ThdPlusNoise(s, weighting, magnitudes, kDbFactor);
    m.thdnPercent = RatioToPercent(m.thdnDb);
    return m;
}

bool HasThd(const HarmonicMeasurement& m) { return std::ranges::any_of(m.present, [](bool p) { return p; }); }

double RatioToPercent(double db) { return 100.0 * std::pow(10.0, db / 20.0); }

} // namespace korvanta
