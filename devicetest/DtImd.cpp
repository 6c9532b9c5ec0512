#include "devicetest/DtImd.h"

#include "devicetest/DtDistortion.h"
#include "devicetest/DtSineFit.h"
#include "platform/LanguageTexts.h"

#include <vector>

namespace korvanta {

namespace {
constexpr Words kCcifLeftOut{"ausgelassen: 19 kHz liegt bei dieser Abtastrate über 0,4535·fs",
                             "left out: 19 kHz lies above 0.4535·fs at this rate"};

double PowerSum(double a, double b) { return std::sqrt(a * a + b * b); }

// An amplitude that was not fitted (at or above half the rate) adds nothing.
double Amp(const DtSine& s) { return std::isfinite(s.amplitude) ? s.amplitude : 0.0; }
} // namespace

DtImdSmpte AnalyseSmpte(std::span<const float> x, int rate)
{
    const double f1 = kSmpteLowHz, f2 = kSmpteHighHz;
    // The low tone's own harmonics are fitted too, so they cannot lean on
    // the sidebands.
    const std::vector<double> freqs{f2, f2 - f1, f2 + f1, f2 - 2 * f1, f2 + 2 * f1, f1, 2 * f1, 3 * f1};
    const DtSineFit fit = FitSines(x, rate, freqs);
    const double carrier = fit.sines[0].amplitude;
    DtImdSmpte r;
    if (!(carrier > 0.0))
        return r;
    const double sidebands =
        PowerSum(PowerSum(Amp(fit.sines[1]), Amp(fit.sines[2])), PowerSum(Amp(fit.sines[3]), Amp(fit.sines[4])));
    r.db = RatioDb(sidebands / carrier);
    r.percent = RatioPercent(sidebands / carrier);
    return r;
}

bool CcifFitsRate(int rate) { return kCcifHighHz <= kDtCcifRateShare * rate; }

DtImdCcif AnalyseCcif(std::span<const float> x, int rate)
{
    DtImdCcif r;
    if (!CcifFitsRate(rate))
        return r;
    const double f1 = kCcifLowHz, f2 = kCcifHighHz;
    const std::vector<double> freqs{f1, f2, f2 - f1, 2 * f1 - f2, 2 * f2 - f1};
    const DtSineFit fit = FitSines(x, rate, freqs);
    const double sum = Amp(fit.sines[0]) + Amp(fit.sines[1]);
    if (!(sum > 0.0))
        return r;
    r.measured = true;
    const double d2 = Amp(fit.sines[2]) / sum;
    const double d3 = PowerSum(Amp(fit.sines[3]), Amp(fit.sines[4])) / sum;
    r.d2Db = RatioDb(d2);
    r.d2Percent = RatioPercent(d2);
    r.d3Db = RatioDb(d3);
    r.d3Percent = RatioPercent(d3);
    return r;
}

QString CcifLeftOutText(char letter) { return Pick(letter, kCcifLeftOut); }

} // namespace korvanta
