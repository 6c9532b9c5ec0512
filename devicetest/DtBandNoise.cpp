#include "devicetest/DtBandNoise.h"

#include "devicetest/DtWeighting.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

constexpr double kFullScaleSinePower = 0.5;
// Half the width of the window's main lobe in bins: a line's power lies in
// the bins within this distance of its peak.
constexpr int kLobeBins = 4;
constexpr double kLineAboveNoise = 10.0; // power ratio, 10 dB

struct BinRange {
    size_t first = 0;
    size_t last = 0; // inclusive; first > last: none
};

BinRange BinsOf(const DtSpectrum& s, DtBand band)
{
    if (s.power.empty() || s.binHz <= 0.0)
        return {1, 0};
    const auto first = static_cast<size_t>(std::ceil(band.lowHz / s.binHz));
    const auto last = std::min(static_cast<size_t>(std::floor(band.highHz / s.binHz)), s.power.size() - 1);
    return {std::max<size_t>(first, 1), last};
}

// The median bin's power: the noise floor, whatever lines stand above it.
double MedianPower(const DtSpectrum& s, BinRange r)
{
    std::vector<double> p(s.power.begin() + static_cast<long>(r.first), s.power.begin() + static_cast<long>(r.last) + 1);
    std::nth_element(p.begin(), p.begin() + static_cast<long>(p.size() / 2), p.end());
    return p[p.size() / 2];
}

// Where the peak at bin k lies between bins, from a parabola through the
// logarithms of the three bins around it.
double PeakHz(const DtSpectrum& s, size_t k)
{
    if (k == 0 || k + 1 >= s.power.size() || s.power[k - 1] <= 0.0 || s.power[k + 1] <= 0.0)
        return static_cast<double>(k) * s.binHz;
    const double a = std::log(s.power[k - 1]), b = std::log(s.power[k]), c = std::log(s.power[k + 1]);
    const double den = a - 2.0 * b + c;
    const double offset = den == 0.0 ? 0.0 : 0.5 * (a - c) / den;
    return (static_cast<double>(k) + offset) * s.binHz;
}

} // namespace


double PowerDbfs(double power) { return 10.0 * std::log10(power / kFullScaleSinePower); }

double BandPower(const DtSpectrum& spectrum, DtBand band, bool aWeighted)
{
    const BinRange r = BinsOf(spectrum, band);
    double sum = 0.0;
    for (size_t k = r.first; k <= r.last; ++k)
        sum += spectrum.power[k] * (aWeighted ? AWeightingPower(static_cast<double>(k) * spectrum.binHz) : 1.0);
    return sum;
}

std::optional<DtLine> LargestLine(const DtSpectrum& spectrum, DtBand band)
{
    const BinRange r = BinsOf(spectrum, band);
    if (r.first + 2 * kLobeBins > r.last)
        return std::nullopt;
    const double floorPerLobe = MedianPower(spectrum, r) * (2 * kLobeBins + 1);
    const auto& p = spectrum.power;
    std::optional<DtLine> best;
    double bestPower = 0.0;
    for (size_t k = r.first; k <= r.last; ++k) {
        if ((k > 0 && p[k - 1] >= p[k]) || (k + 1 < p.size() && p[k + 1] > p[k]))
            continue;
        const size_t lo = k >= kLobeBins ? k - kLobeBins : 0;
        const size_t hi = std::min(k + kLobeBins, p.size() - 1);
        double lobe = 0.0;
        for (size_t j = lo; j <= hi; ++j)
            lobe += p[j];
        if (lobe < kLineAboveNoise * floorPerLobe || lobe <= bestPower)
            continue;
        bestPower = lobe;
        best = DtLine{PowerDbfs(lobe - floorPerLobe), PeakHz(spectrum, k)};
    }
    return best;
}

DtNoise BandNoise(std::span<const float> x, int rate)
{
    DtNoise noise;
    const DtSpectrum s = PowerSpectrum(x, rate);
    if (s.power.empty())
        return noise;
    const DtBand band = MeasurementBand(rate);
    noise.dbfs = PowerDbfs(BandPower(s, band, false));
    noise.dbfsA = PowerDbfs(BandPower(s, band, true));
    noise.hum = LargestLine(s, band);
    return noise;
}

} // namespace korvanta
