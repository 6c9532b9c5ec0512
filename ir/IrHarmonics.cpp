#include "ir/IrHarmonics.h"

#include "ir/IrResponse.h"
#include "ir/IrSweep.h"

#include <algorithm>
#include <complex>
#include <cmath>
#include <limits>
#include <numbers>

namespace korvanta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Harmonic k's gate: this share of the gap to harmonic k+1 before its peak
// and the rest of the gap to harmonic k-1 after it, so none reaches its
// neighbour. A harmonic's band begins where its sweep fades in, and that
// edge rings before its impulse as much as after it; the stronger, lower
// harmonic's ringing before its impulse would reach into the next one's
// gate if that gate ended late. All have the fundamental's length, so
// their bins line up and Hk(k·f) is bin k·j of harmonic k's spectrum.
constexpr double kBefore = 0.7;

IrGate HarmonicGate(const ImpulseResponse& ir, const IrPeak& peak, int k, double lengthMs)
{
    const double L = 1000.0 * ir.rateConstant;
    const double centre = peak.latencyMs(ir.rate) - L * std::log(static_cast<double>(k));
    IrGate g;
    g.startMs = centre - kBefore * L * std::log((k + 1.0) / k);
    g.lengthMs =
        std::min(lengthMs, kBefore * L * std::log((k + 1.0) / k) + (1.0 - kBefore) * L * std::log(k / (k - 1.0)));
    // Long fades: an abrupt cut would spread what rings at the gate's ends
    // over the harmonic's spectrum.
    g.fadeMs = g.lengthMs / 8.0;
    return g;
}

// Harmonic k is known at f where k·f and f lie in the band the sweep plays
// at full level: within its fades the harmonic's level follows the fade to
// its power.
bool Known(const ImpulseResponse& ir, int k, double f)
{
    return f >= FullLevelLowHz(ir.sweep) && k * f <= FullLevelHighHz(ir.sweep);
}

// Harmonic k's gate on the response, what its model loses there, and
// what its model leaves in the gates of its gated neighbours.
struct Gated {
    IrGate gate;
    IrResponse response;
    IrResponse model;
    IrResponse modelInLower, modelInUpper;
    // Harmonic k's power at fundamental bin j re `base`, the fundamental's;
    // NaN where it is not known.
    double Power(const IrResponse& of, const ImpulseResponse& ir, int k, size_t j, double base) const;
};
using GatedHarmonics = std::array<Gated, kIrHighestHarmonic - 1>;

// What harmonic k's gate makes of a harmonic that is the same at every
// frequency: the k-th harmonic of the sweep as a device of that order
// makes it, measured as the recording is and laid where this response's
// harmonic k lies. Its band begins where its sweep fades in, at k·f1, and
// that edge rings both ways about its impulse, which the gate cuts off in
// the band's lowest octave; dividing by this takes that loss out. It is 1
// wherever the gate holds all of the harmonic. Two harmonics at a time,
// each gated at once, so that no more than two long models are held.
bool GateModels(const ImpulseResponse& ir, const std::vector<double>& phase, const IrPeak& peak,
                const std::vector<int>& gated, GatedHarmonics& h, int points)
{
    const int n = ir.size();
    const std::vector<double> played = SweepSamples(ir.sweep);
    for (size_t first = 0; first < gated.size(); first += 2) {
        const size_t count = std::min<size_t>(2, gated.size() - first);
        std::vector<std::vector<double>> recordings;
        for (size_t i = first; i < first + count; ++i)
            recordings.push_back(HarmonicSweepSamples(ir.sweep, gated[i]));
        std::vector<std::vector<std::complex<double>>> spectra = ResponseSpectra(recordings, played, ir.sweep);
        if (spectra.size() != count)
            return false;
        for (std::vector<std::complex<double>>& spectrum : spectra) {
            if (spectrum.size() != phase.size())
                return false;
            for (size_t j = 0; j < phase.size(); ++j)
                spectrum[j] *=
                    std::polar(1.0, phase[j] - 2.0 * std::numbers::pi * static_cast<double>(j) * peak.samples / n);
        }
        ImpulseResponse models[2];
        models[0].rate = models[1].rate = ir.rate;
        InversePair(spectra[0], spectra[count - 1], n, models[0].h, models[1].h);
        for (size_t i = first; i < first + count; ++i) {
            const ImpulseResponse& model = models[i - first];
            Gated& g = h[size_t(gated[i] - 2)];
            g.model = ResponseOf(model, g.gate, points);
            if (i > 0)
                g.modelInLower = ResponseOf(model, h[size_t(gated[i - 1] - 2)].gate, points);
            if (i + 1 < gated.size())
                g.modelInUpper = ResponseOf(model, h[size_t(gated[i + 1] - 2)].gate, points);
        }
    }
    return true;
}

// The model must hold most of the harmonic where it is read: where the
// gate loses more, the harmonic is not known.
constexpr double kLeastModelPower = 0.25;

double Gated::Power(const IrResponse& of, const ImpulseResponse& ir, int k, size_t j, double base) const
{
    const size_t bin = j * static_cast<size_t>(k);
    if (!Known(ir, k, static_cast<double>(j) * of.binHz) || bin >= of.h.size() || base <= 0.0)
        return kNaN;
    const double held = std::norm(model.h[bin]);
    return held >= kLeastModelPower ? std::norm(of.h[bin]) / (base * held) : kNaN;
}

// The highest power (re the fundamental) that noise alone reads in
// harmonic k's bins: its gate laid on the noise and read as the harmonic
// is. 0 when the noise has no room for the gate.
double NoisePower(const ImpulseResponse& causal, const IrResponse& one, int k, const Gated& g, int points)
{
    // The stretch's end is the first played frame's time, so a long latency
    // only moves the harmonics further from it.
    long long from = 0, to = 0;
    if (!causal.NoiseStretch(from, to) || 1000.0 * static_cast<double>(to - from) / causal.rate < g.gate.lengthMs)
        return 0.0;
    IrGate gate = g.gate;
    gate.startMs = 1000.0 * static_cast<double>(to) / causal.rate - gate.lengthMs;
    const IrResponse noise = ResponseOf(causal, gate, points);
    double worst = 0.0;
    for (size_t j = 1; j < one.h.size() && noise.h.size() == one.h.size(); ++j)
        if (const double p = g.Power(noise, causal, k, j, std::norm(one.h[j])); !std::isnan(p))
            worst = std::max(worst, p);
    return worst;
}

// What the neighbouring harmonics leave in each gate, taken out of it: a
// harmonic's band edge rings before its impulse too, into the gate of the
// next higher, weaker harmonic, most where the band begins. Each
// neighbour's own reading (over its model, with its phase) times what its
// model leaves in this gate.
void TakeOutNeighbours(GatedHarmonics& h, const std::vector<int>& gated)
{
    std::array<std::vector<std::complex<double>>, kIrHighestHarmonic - 1> leaks;
    const auto add = [](std::vector<std::complex<double>>& leak, const Gated& neighbour, const IrResponse& left) {
        for (size_t b = 0; b < leak.size() && left.h.size() == leak.size(); ++b)
            if (std::norm(neighbour.model.h[b]) >= kLeastModelPower)
                leak[b] += neighbour.response.h[b] / neighbour.model.h[b] * left.h[b];
    };
    for (size_t i = 0; i < gated.size(); ++i) {
        leaks[i].assign(h[size_t(gated[i] - 2)].response.h.size(), {});
        if (i > 0) {
            const Gated& lower = h[size_t(gated[i - 1] - 2)];
            add(leaks[i], lower, lower.modelInUpper);
        }
        if (i + 1 < gated.size()) {
            const Gated& upper = h[size_t(gated[i + 1] - 2)];
            add(leaks[i], upper, upper.modelInLower);
        }
    }
    for (size_t i = 0; i < gated.size(); ++i) {
        Gated& g = h[size_t(gated[i] - 2)];
        for (size_t b = 0; b < leaks[i].size(); ++b)
            g.response.h[b] -= leaks[i][b];
    }
}

} // namespace

IrHarmonicCurves HarmonicsOf(const ImpulseResponse& ir, const IrPeak& peak)
{
    if (ir.h.empty())
        return {};
    const std::vector<double> phase = MinimumPhase(ir.band, ir.size());
    return HarmonicsOf(ir, CausalBand(ir, phase), phase, peak);
}

IrHarmonicCurves HarmonicsOf(const ImpulseResponse& ir, const ImpulseResponse& causal, const std::vector<double>& phase,
                             const IrPeak& peak)
{
    IrHarmonicCurves c;
    if (ir.h.empty() || causal.size() != ir.size() || phase.size() != ir.spectrum.size())
        return c;
    // Every gate gets the fundamental's transform size.
    const IrResponse one = ResponseOf(ir, FundamentalGate(ir, peak));
    if (one.h.empty())
        return c;
    GatedHarmonics h;
    const int points = 2 * (static_cast<int>(one.h.size()) - 1);
    const double transformMs = 1000.0 * points / ir.rate;
    // A harmonic that lies nowhere in the band is not gated: its gate could
    // reach past the response's negative times.
    std::vector<int> gated;
    for (int k = 2; k <= kIrHighestHarmonic; ++k)
        if (Known(ir, k, FullLevelLowHz(ir.sweep))) {
            gated.push_back(k);
            Gated& g = h[size_t(k - 2)];
            g.gate = HarmonicGate(ir, peak, k, transformMs);
            g.response = ResponseOf(causal, g.gate, points);
            if (g.response.h.size() != one.h.size())
                return c;
        }
    if (!GateModels(ir, phase, peak, gated, h, points))
        return c;
    double floor = 0.0;
    for (int k : gated) {
        const Gated& g = h[size_t(k - 2)];
        if (g.model.h.size() != one.h.size())
            return c;
        floor = std::max(floor, NoisePower(causal, one, k, g, points));
    }
    TakeOutNeighbours(h, gated);
    // A bin of noise alone may lie a little above the highest of another
    // stretch of it.
    c.floorDb = floor > 0.0 ? 10.0 * std::log10(floor) + kIrHarmonicFloorMarginDb : kNaN;
    for (size_t j = 1; j < one.h.size(); ++j) {
        const double f = static_cast<double>(j) * one.binHz;
        if (f < ir.f1 || 2.0 * f > ir.f2)
            continue;
        c.freq.push_back(f);
        const double base = std::norm(one.h[j]);
        double sum = 0.0;
        bool anyKnown = false;
        for (int k = 2; k <= kIrHighestHarmonic; ++k) {
            const Gated& g = h[size_t(k - 2)];
            const double power = g.response.h.empty() ? kNaN : g.Power(g.response, ir, k, j, base);
            const bool known = !std::isnan(power);
            c.levelDb[size_t(k - 2)].push_back(known ? 10.0 * std::log10(std::max(power, 1e-30)) : kNaN);
            sum += known ? power : 0.0;
            anyKnown = anyKnown || known;
        }
        // A sum of no known harmonic is unknown, not a THD of -300 dB.
        c.thdDb.push_back(anyKnown ? 10.0 * std::log10(std::max(sum, 1e-30)) : kNaN);
    }
    return c;
}

} // namespace korvanta
