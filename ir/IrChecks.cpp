#include "ir/IrChecks.h"

#include "measure/FFtuli.h"
#include "platform/LanguageTexts.h"

#include <complex>
#include <numbers>
#include <vector>

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

constexpr double kDriftWindowMs = 5.0;
constexpr double kDriftGuardMs = 0.25;

double Energy(const ImpulseResponse& ir, long long from, long long to)
{
    double e = 0.0;
    for (long long i = from; i < to; ++i)
        e += ir.at(i) * ir.at(i);
    return e;
}

long long Samples(double ms, int rate) { return std::llround(ms * rate / 1000.0); }

using Complex = std::complex<double>;

// A bilinear 2nd-order section of quality q at frequency z^-1.
Complex Section(bool highPass, double freq, double q, int rate, Complex z1)
{
    const double w = 2.0 * std::numbers::pi * freq / rate;
    const double alpha = std::sin(w) / (2.0 * q), cosw = std::cos(w);
    const double b0 = highPass ? (1.0 + cosw) / 2.0 : (1.0 - cosw) / 2.0;
    const double b1 = highPass ? -(1.0 + cosw) : (1.0 - cosw);
    return (b0 + b1 * z1 + b0 * z1 * z1) / ((1.0 + alpha) - 2.0 * cosw * z1 + (1.0 - alpha) * z1 * z1);
}

// The response through the check's causal band-pass, by its spectrum.
std::vector<double> CausalBand(const ImpulseResponse& ir)
{
    const int n = ir.size();
    const double low = 8.0 * ir.f1, high = std::max(low * 2.0, ir.f2 / 4.0);
    std::vector<double> re(static_cast<size_t>(n), 0.0), im(static_cast<size_t>(n), 0.0);
    for (int k = 0; k <= n / 2; ++k) {
        const Complex z1 = std::polar(1.0, -2.0 * std::numbers::pi * k / n);
        Complex w = 1.0;
        for (double q : {0.5412, 1.3066})
            w *= Section(true, low, q, ir.rate, z1) * Section(false, high, q, ir.rate, z1);
        const Complex v = ir.spectrum[static_cast<size_t>(k)] * w;
        re[k] = v.real();
        im[k] = v.imag();
        if (k > 0 && k < n / 2) {
            re[n - k] = v.real();
            im[n - k] = -v.imag();
        }
    }
    im[0] = im[n / 2] = 0.0;
    std::vector<double> scratch;
    FftLong(re.data(), im.data(), n, scratch);
    return re;
}

} // namespace

IrProblem CheckRecording(std::span<const float> recording)
{
    float peak = 0.0f;
    for (float v : recording)
        peak = std::max(peak, std::abs(v));
    if (peak >= kIrClipShare)
        return IrProblem::Clipping;
    if (peak < std::pow(10.0, kIrSilentDbfs / 20.0))
        return IrProblem::NoSignal;
    return IrProblem::None;
}

double PeakToNoiseDb(const ImpulseResponse& ir, const IrPeak& peak)
{
    const long long from = std::llround(ir.tailSeconds * ir.rate);
    const long long to = ir.size() - std::llround(ir.rateConstant * std::log(6.0) * ir.rate) -
                         std::llround(0.5 * ir.rateConstant * std::log(2.0) * ir.rate);
    if (to - from < 16)
        return HUGE_VAL; // no room to measure the noise: say nothing against the signal
    const double rms = std::sqrt(Energy(ir, from, to) / static_cast<double>(to - from));
    return rms > 0.0 ? 20.0 * std::log10(std::abs(peak.value) / rms) : HUGE_VAL;
}

double DriftRatioDb(const ImpulseResponse& ir, const IrPeak& peak)
{
    if (ir.h.empty())
        return 0.0;
    ImpulseResponse band = ir;
    band.h = CausalBand(ir);
    // The band's own peak, near the response's.
    const long long around = Samples(1.0, ir.rate);
    long long p = std::llround(peak.samples);
    for (long long i = std::llround(peak.samples) - around; i <= std::llround(peak.samples) + around; ++i)
        if (std::abs(band.at(i)) > std::abs(band.at(p)))
            p = i;
    const long long guard = std::max<long long>(1, Samples(kDriftGuardMs, ir.rate));
    const long long window = Samples(kDriftWindowMs, ir.rate);
    const double before = Energy(band, p - window, p - guard);
    const double centre = Energy(band, p - guard, p + guard + 1);
    if (centre <= 0.0)
        return 0.0;
    return 10.0 * std::log10(std::max(before, 1e-300) / centre);
}

double SweepShiftSamples(std::span<const float> recording, std::span<const double> played, const IrSweep& sweep)
{
    const auto period = static_cast<size_t>(sweep.PeriodFrames());
    if (sweep.count < 2 || recording.size() < period * static_cast<size_t>(sweep.count))
        return 0.0;
    const auto peakOf = [&](int k) {
        const ImpulseResponse ir = Deconvolve(recording.subspan(period * static_cast<size_t>(k), period), played, sweep);
        return FindPeak(ir).samples;
    };
    return peakOf(sweep.count - 1) - peakOf(0);
}

IrProblem CheckResponse(const ImpulseResponse& ir, const IrPeak& peak)
{
    if (ir.h.empty() || peak.value == 0.0 || PeakToNoiseDb(ir, peak) < kIrMinPeakToNoiseDb)
        return IrProblem::NoSignal;
    if (peak.samples > ir.tailSeconds * ir.rate)
        return IrProblem::LatencyBeyondTail;
    if (DriftRatioDb(ir, peak) > kIrDriftDb)
        return IrProblem::ClockDrift;
    return IrProblem::None;
}

QString IrProblemText(IrProblem problem, char letter)
{
    static constexpr Words kFit{"Der Sweep passt nicht zur Abtastrate", "The sweep does not fit the sample rate"};
    static constexpr Words kClip{"Der Eingang übersteuert: den Sweep-Pegel oder den Eingangspegel senken",
                                 "The input clips: lower the sweep level or the input level"};
    static constexpr Words kNone{"Am Eingang kommt kein Sweep an: den Ausgang mit dem Eingang verbinden und die Pegel prüfen",
                                 "No sweep arrives at the input: connect the output to the input and check the levels"};
    static constexpr Words kLate{"Die Latenz ist länger als der Nachlauf: den Nachlauf verlängern",
                                 "The latency is longer than the tail: make the tail longer"};
    static constexpr Words kDrift{
        "Die Takte von Ausgang und Eingang laufen auseinander (Energie vor dem Impuls über -40 dB): "
        "Ein- und Ausgang derselben Karte verwenden oder die Takte synchronisieren",
        "The clocks of output and input drift apart (energy before the impulse above -40 dB): "
        "use input and output of the same card or synchronise the clocks"};
    static constexpr Words kSweepsDrift{
        "Die Takte von Ausgang und Eingang laufen auseinander (der Impuls wandert vom ersten zum letzten Sweep "
        "um mehr als 0,5 Abtastwerte): Ein- und Ausgang derselben Karte verwenden oder die Takte synchronisieren",
        "The clocks of output and input drift apart (the impulse moves by more than 0.5 samples from the first "
        "sweep to the last): use input and output of the same card or synchronise the clocks"};
    switch (problem) {
    case IrProblem::None: return {};
    case IrProblem::SweepDoesNotFit: return Pick(letter, kFit);
    case IrProblem::Clipping: return Pick(letter, kClip);
    case IrProblem::NoSignal: return Pick(letter, kNone);
    case IrProblem::LatencyBeyondTail: return Pick(letter, kLate);
    case IrProblem::ClockDrift: return Pick(letter, kDrift);
    case IrProblem::SweepsDrift: return Pick(letter, kSweepsDrift);
    }
    return {};
}

} // namespace korvanta
