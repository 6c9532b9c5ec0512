#include "devicetest/DtDistortion.h"

#include "devicetest/DtBandNoise.h"
#include "devicetest/DtSineFit.h"

#include <vector>

namespace korvanta {

namespace {
constexpr double kPercent = 100.0;
}

double RatioPercent(double ratio) { return kPercent * ratio; }
double RatioDb(double ratio) { return 20.0 * std::log10(ratio); }

DtThd AnalyseThd(std::span<const float> x, int rate, double toneHz)
{
    DtThd r;
    r.harmonicDb.fill(NAN);
    r.frequency = RefineFrequency(x, rate, toneHz);
    std::vector<double> freqs;
    for (int h = 1; h <= kDtHighestHarmonic; ++h)
        freqs.push_back(h * r.frequency);
    const DtSineFit fit = FitSines(x, rate, freqs);
    const double a1 = fit.sines[0].amplitude;
    if (!(a1 > 0.0))
        return r;
    r.fundamentalDbfs = AmplitudeDbfs(a1);

    const DtBand band = MeasurementBand(rate);
    double harmonicPower = 0.0;
    for (int h = 2; h <= kDtHighestHarmonic; ++h) {
        const DtSine& s = fit.sines[static_cast<size_t>(h - 1)];
        if (s.freq > band.highHz || !std::isfinite(s.amplitude))
            continue;
        r.harmonicDb[static_cast<size_t>(h - 2)] = RatioDb(s.amplitude / a1);
        harmonicPower += s.amplitude * s.amplitude;
    }
    const double thd = std::sqrt(harmonicPower) / a1;
    r.thdPercent = RatioPercent(thd);
    r.thdDb = RatioDb(thd);

    // Only the fundamental and DC are notched: the harmonics belong to
    // THD+N.
    DtSineFit notch;
    notch.sines = {fit.sines[0]};
    notch.dc = fit.dc;
    const DtSpectrum rest = PowerSpectrum(Residual(x, rate, notch), rate);
    const double fundamentalPower = a1 * a1 / 2.0;
    const double thdn = std::sqrt(BandPower(rest, band, false) / fundamentalPower);
    const double thdnA = std::sqrt(BandPower(rest, band, true) / fundamentalPower);
    r.thdnPercent = RatioPercent(thdn);
    r.thdnDb = RatioDb(thdn);
    r.thdnAPercent = RatioPercent(thdnA);
    r.thdnADb = RatioDb(thdnA);
    return r;
}

DtDynamicRange DynamicRange(const DtThd& atMinus60)
{
    return {-(atMinus60.fundamentalDbfs + atMinus60.thdnDb), -(atMinus60.fundamentalDbfs + atMinus60.thdnADb)};
}

} // namespace korvanta
