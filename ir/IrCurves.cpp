#include "ir/IrCurves.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

std::vector<double> SmoothOctave(std::span<const double> power, double binHz, int fraction)
{
    fraction = std::clamp(fraction, 3, 48);
    std::vector<double> out(power.begin(), power.end());
    if (power.size() < 2 || binHz <= 0.0)
        return out;
    // Prefix sums make every cell a difference, so the cost stays one pass
    // however wide the cells grow at high frequencies.
    std::vector<double> prefix(power.size() + 1, 0.0);
    for (size_t i = 0; i < power.size(); ++i)
        prefix[i + 1] = prefix[i] + power[i];
    const double edge = std::exp2(0.5 / fraction);
    const double last = static_cast<double>(power.size() - 1);
    for (size_t k = 1; k < power.size(); ++k) {
        const double lo = std::max(1.0, std::ceil(k / edge - 1e-9));
        const double hi = std::min(last, std::floor(k * edge + 1e-9));
        const size_t a = static_cast<size_t>(std::min(lo, static_cast<double>(k)));
        const size_t b = static_cast<size_t>(std::max(hi, static_cast<double>(k)));
        out[k] = (prefix[b + 1] - prefix[a]) / static_cast<double>(b + 1 - a);
    }
    return out;
}

IrCurve ReduceLogSpaced(std::span<const double> freq, std::span<const double> value, double fLow, double fHigh,
                        IrReduce mode, int points)
{
    IrCurve c;
    const size_t n = std::min(freq.size(), value.size());
    if (n == 0 || points < 2 || !(fLow > 0.0) || !(fHigh > fLow))
        return c;
    const double step = std::log(fHigh / fLow) / (points - 1);
    size_t i = 0;
    for (int p = 0; p < points; ++p) {
        const double centre = fLow * std::exp(step * p);
        const double lo = centre * std::exp(-0.5 * step), hi = centre * std::exp(0.5 * step);
        while (i < n && freq[i] < lo)
            ++i;
        double sum = 0.0, nearest = 0.0, distance = HUGE_VAL;
        int count = 0;
        for (size_t j = i; j < n && freq[j] < hi; ++j) {
            if (std::isnan(value[j]))
                continue;
            sum += std::pow(10.0, value[j] / 10.0);
            ++count;
            if (std::abs(freq[j] - centre) < distance) {
                distance = std::abs(freq[j] - centre);
                nearest = value[j];
            }
        }
        if (count == 0) {
            // A cell between two bins: the nearer of its neighbours, so a
            // coarse curve is not thinned to nothing at low frequencies.
            const size_t right = std::min(i, n - 1), left = i > 0 ? i - 1 : 0;
            const size_t pick = std::abs(freq[left] - centre) < std::abs(freq[right] - centre) ? left : right;
            if (std::isnan(value[pick]) || std::abs(std::log(freq[pick] / centre)) > 4.0 * step + 0.01)
                continue;
            c.freq.push_back(centre);
            c.value.push_back(value[pick]);
            continue;
        }
        c.freq.push_back(centre);
        c.value.push_back(mode == IrReduce::PowerMean ? 10.0 * std::log10(sum / count) : nearest);
    }
    return c;
}

} // namespace korvanta
