#include "ir/IrHarmonics.h"

#include "ir/IrResponse.h"
#include "ir/IrSweep.h"

#include <cmath>
#include <limits>

namespace korvanta {

namespace {

// Harmonic k's gate: a fifth of the gap to harmonic k+1 before its peak and
// four fifths of the gap to harmonic k-1 after it, so each keeps its decay
// and none reaches its neighbour. All have the fundamental's length, so
// their bins line up and Hk(k·f) is bin k·j of harmonic k's spectrum.
IrGate HarmonicGate(const ImpulseResponse& ir, const IrPeak& peak, int k, double lengthMs)
{
    const double L = 1000.0 * ir.rateConstant;
    const double centre = peak.latencyMs(ir.rate) - L * std::log(static_cast<double>(k));
    IrGate g;
    g.startMs = centre - 0.2 * L * std::log((k + 1.0) / k);
    g.lengthMs = std::min(lengthMs, 0.2 * L * std::log((k + 1.0) / k) + 0.8 * L * std::log(k / (k - 1.0)));
    // Long fades: the fundamental's slow ringing at the band's low edge
    // reaches into these gates, and an abrupt cut would spread it over the
    // harmonic's spectrum.
    g.fadeMs = g.lengthMs / 8.0;
    return g;
}

} // namespace

IrHarmonicCurves HarmonicsOf(const ImpulseResponse& ir, const IrPeak& peak)
{
    IrHarmonicCurves c;
    if (ir.h.empty())
        return c;
    // Every gate gets the fundamental's transform size.
    const IrResponse one = ResponseOf(ir, FundamentalGate(ir, peak));
    if (one.h.empty())
        return c;
    std::array<IrResponse, kIrHighestHarmonic - 1> h;
    const int points = 2 * (static_cast<int>(one.h.size()) - 1);
    const double transformMs = 1000.0 * points / ir.rate;
    for (int k = 2; k <= kIrHighestHarmonic; ++k) {
        h[k - 2] = ResponseOf(ir, HarmonicGate(ir, peak, k, transformMs), points);
        if (h[k - 2].h.size() != one.h.size())
            return c;
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (size_t j = 1; j < one.h.size(); ++j) {
        const double f = j * one.binHz;
        if (f < ir.f1 || 2.0 * f > ir.f2)
            continue;
        c.freq.push_back(f);
        const double base = std::norm(one.h[j]);
        double sum = 0.0;
        bool anyKnown = false;
        for (int k = 2; k <= kIrHighestHarmonic; ++k) {
            const size_t bin = j * static_cast<size_t>(k);
            // Within the sweep's fades the harmonic's level follows the fade
            // to its power: only the full-level band counts.
            const bool known = k * f <= FullLevelHighHz(ir.sweep) && f >= FullLevelLowHz(ir.sweep) &&
                               bin < one.h.size() && base > 0.0;
            const double power = known ? std::norm(h[k - 2].h[bin]) / base : 0.0;
            c.levelDb[k - 2].push_back(known ? 10.0 * std::log10(std::max(power, 1e-30)) : nan);
            sum += power;
            anyKnown = anyKnown || known;
        }
        // A sum of no known harmonic is unknown, not a THD of -300 dB.
        c.thdDb.push_back(anyKnown ? 10.0 * std::log10(std::max(sum, 1e-30)) : nan);
    }
    return c;
}

} // namespace korvanta
