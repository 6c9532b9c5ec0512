#include "ir/IrResponse.h"

#include "ir/IrTransformSize.h"
#include "measure/FFtuli.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvanta {

namespace {

using Complex = std::complex<double>;

double Fade(long long i, long long length, long long fade)
{
    if (fade <= 0)
        return 1.0;
    const long long edge = std::min(i, length - 1 - i);
    if (edge >= fade)
        return 1.0;
    return 0.5 - 0.5 * std::cos(std::numbers::pi * (static_cast<double>(edge) + 0.5) / static_cast<double>(fade));
}

} // namespace

bool GateInResponse(const ImpulseResponse& ir, const IrGate& gate)
{
    if (ir.h.empty() || !(gate.lengthMs > 0.0))
        return false;
    // Half a sample either way: the gate's ends are rounded to samples.
    const double first = gate.startMs * ir.rate / 1000.0, last = first + gate.lengthMs * ir.rate / 1000.0;
    const double tail = ir.tailSeconds * ir.rate;
    return first >= tail - ir.size() - 0.5 && last <= tail + 0.5;
}

IrGate FundamentalGate(const ImpulseResponse& ir, const IrPeak& peak)
{
    IrGate g;
    const double peakMs = peak.latencyMs(ir.rate);
    const double beforeMs = std::min(50.0, 500.0 * ir.rateConstant * std::log(2.0));
    g.startMs = peakMs - beforeMs;
    g.lengthMs = std::max(beforeMs, 1000.0 * ir.tailSeconds - g.startMs);
    g.fadeMs = std::min(1.0, beforeMs / 4.0);
    return g;
}

IrResponse ResponseOf(const ImpulseResponse& ir, const IrGate& gate, int points)
{
    IrResponse r;
    const long long start = std::llround(gate.startMs * ir.rate / 1000.0);
    const long long length = std::llround(gate.lengthMs * ir.rate / 1000.0);
    if (ir.h.empty() || length < 2 || length > ir.size())
        return r;
    const long long fade = std::min(length / 2, std::llround(gate.fadeMs * ir.rate / 1000.0));
    const int n = IrTransformSize(std::max<long long>({length, ir.rate / 8, points}));
    if (n == 0)
        return r;
    // h in the real part, n·h in the imaginary part: the ratio of their
    // spectra is the group delay, with no phase to unwrap.
    std::vector<double> re(static_cast<size_t>(n), 0.0), im(static_cast<size_t>(n), 0.0);
    for (long long i = 0; i < length; ++i) {
        const double v = ir.at(start + i) * Fade(i, length, fade);
        re[static_cast<size_t>(i)] = v;
        im[static_cast<size_t>(i)] = static_cast<double>(start + i) * v;
    }
    std::vector<double> scratch;
    FftLong(re.data(), im.data(), n, scratch);
    r.rate = ir.rate;
    r.binHz = static_cast<double>(ir.rate) / n;
    r.h.resize(static_cast<size_t>(n / 2 + 1));
    r.groupDelayMs.resize(r.h.size());
    for (int k = 0; k <= n / 2; ++k) {
        // Spectra with the negative exponent, unscaled.
        const int j = (n - k) % n;
        const Complex z(re[j], im[j]);
        const Complex zc = std::conj(Complex(re[k], im[k]));
        const Complex a = 0.5 * static_cast<double>(n) * (z + zc);
        const Complex b = Complex(0.0, -0.5) * static_cast<double>(n) * (z - zc);
        const double phase = -2.0 * std::numbers::pi * k * static_cast<double>(start) / n;
        r.h[static_cast<size_t>(k)] = a * std::polar(1.0, phase);
        r.groupDelayMs[static_cast<size_t>(k)] = std::norm(a) > 0.0 ? 1000.0 * (b / a).real() / ir.rate : 0.0;
    }
    return r;
}

double MagnitudeDb(Complex h) { return 20.0 * std::log10(std::max(std::abs(h), 1e-30)); }

double PhaseDeg(Complex h, double freqHz, double delaySamples, int rate)
{
    const Complex turned = h * std::polar(1.0, 2.0 * std::numbers::pi * freqHz * delaySamples / rate);
    return std::arg(turned) * 180.0 / std::numbers::pi;
}

} // namespace korvanta
