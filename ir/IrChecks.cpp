#include "ir/IrChecks.h"

#include "ir/IrSweep.h"
#include "ir/IrDeconvolve.h"

#include "measure/FFtuli.h"
#include "platform/LanguageTexts.h"

#include <complex>
#include <numbers>
#include <vector>

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

using Complex = std::complex<double>;

// The least stretch before the peak that the drift criterion looks at.
constexpr double kDriftWindowMs = 5.0;
// The least guard: this many periods of the frequency below which this
// share of the response's energy lies, for a device's own rise, and a few
// samples, for a peak between samples.
constexpr double kGuardPeriods = 0.5;
constexpr double kGuardEnergyShare = 0.9;
constexpr long long kLeastGuardSamples = 3;
// How far above the drift criterion's limit the check's own drift must read
// for the check to count.
constexpr double kSeenMarginDb = 3.0;
// The noise before the peak may hold up to this many times its mean energy
// before the rest counts as drift.
constexpr double kNoiseAllowance = 2.0;
// The drift criterion's least value: a response with nothing before its
// peak reads this, not minus infinity.
constexpr double kDriftFloorDb = -200.0;
// A late sweep: the recording's last stretch this much louder than its first.
constexpr double kLateStretchMs = 20.0;
constexpr double kLateRiseDb = 20.0;
// A shift between the sweeps this many standard errors from none is sure.
constexpr double kSureErrors = 5.0;

double Energy(const ImpulseResponse& ir, long long from, long long to)
{
    double e = 0.0;
    for (long long i = from; i < to; ++i)
        e += ir.at(i) * ir.at(i);
    return e;
}

long long Samples(double ms, int rate) { return std::llround(ms * rate / 1000.0); }

// The mean square of the noise, 0 where there is no room to measure it.
double NoiseMeanSquare(const ImpulseResponse& ir)
{
    long long from = 0, to = 0;
    return ir.NoiseStretch(from, to) ? Energy(ir, from, to) / static_cast<double>(to - from) : 0.0;
}

double Rms(std::span<const float> v)
{
    double sum = 0.0;
    for (float x : v)
        sum += double(x) * x;
    return v.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(v.size()));
}

// The largest |h| within `around` samples of `centre`.
long long PeakNear(const ImpulseResponse& ir, long long centre, long long around)
{
    long long p = centre;
    for (long long i = centre - around; i <= centre + around; ++i)
        if (std::abs(ir.at(i)) > std::abs(ir.at(p)))
            p = i;
    return p;
}

// The first lobe within `around` samples of `centre` that reaches half the
// largest |h| there: where the response arrives, even where a later lobe
// (a high-pass's swing back) is higher.
long long ArrivalNear(const ImpulseResponse& ir, long long centre, long long around)
{
    const double half = 0.5 * std::abs(ir.at(PeakNear(ir, centre, around)));
    long long i = centre - around;
    while (i < centre + around && std::abs(ir.at(i)) < half)
        ++i;
    while (i < centre + around && std::abs(ir.at(i + 1)) > std::abs(ir.at(i)))
        ++i;
    return i;
}

// The lag (samples) whose removal leaves the cross-spectrum's phase flat:
// the integer peak of the cross-correlation, then twice the weighted slope
// of the phase left over the bins in use. `error` gets the slope's
// standard error, from the phase the slope leaves unexplained.
double LagOf(const std::vector<Complex>& cross, const std::vector<size_t>& bins, int n, double binsPerSample,
             double& error)
{
    std::vector<double> re(static_cast<size_t>(n), 0.0), im(static_cast<size_t>(n), 0.0);
    for (size_t k = 0; k < cross.size(); ++k) {
        re[k] = cross[k].real();
        im[k] = cross[k].imag();
        if (k > 0 && k < cross.size() - 1) {
            re[n - k] = cross[k].real();
            im[n - k] = -cross[k].imag();
        }
    }
    std::vector<double> scratch;
    FftLong(re.data(), im.data(), n, scratch);
    int best = 0;
    for (int i = 1; i < n; ++i)
        if (std::abs(re[static_cast<size_t>(i)]) > std::abs(re[static_cast<size_t>(best)]))
            best = i;
    double lag = best > n / 2 ? best - n : best;
    double sw = 0.0, swr = 0.0;
    for (int pass = 0; pass < 3; ++pass) {
        double num = 0.0;
        sw = swr = 0.0;
        for (size_t k : bins) {
            const double w = 2.0 * std::numbers::pi * static_cast<double>(k) / n;
            const double psi = std::arg(cross[k] * std::polar(1.0, w * lag));
            const double weight = std::abs(cross[k]);
            num += weight * w * psi;
            sw += weight * w * w;
        }
        if (sw <= 0.0)
            break;
        lag -= num / sw;
    }
    // The sandwich estimate: each bin's left-over phase as its own spread.
    for (size_t k : bins) {
        const double w = 2.0 * std::numbers::pi * static_cast<double>(k) / n;
        const double r = std::arg(cross[k] * std::polar(1.0, w * lag));
        const double weight = std::abs(cross[k]);
        swr += weight * weight * w * w * r * r;
    }
    // Neighbouring bins of a zero-padded transform are not independent.
    error = sw > 0.0 ? std::sqrt(swr * binsPerSample) / sw : HUGE_VAL;
    return lag;
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

bool SweepArrivesLate(std::span<const float> recording, int rate)
{
    const auto n = static_cast<size_t>(std::max<long long>(1, Samples(kLateStretchMs, rate)));
    if (rate <= 0 || recording.size() < 2 * n)
        return false;
    const double first = Rms(recording.first(n)), last = Rms(recording.last(n));
    return last > std::pow(10.0, kIrSilentDbfs / 20.0) && last > first * std::pow(10.0, kLateRiseDb / 20.0);
}

double PeakToNoiseDb(const ImpulseResponse& ir, const IrPeak& peak)
{
    const double noise = NoiseMeanSquare(ir);
    return noise > 0.0 ? 20.0 * std::log10(std::abs(peak.value) / std::sqrt(noise)) : HUGE_VAL;
}

namespace {

// The frequency below which this share of the response's energy lies.
double EnergyTopHz(const ImpulseResponse& ir)
{
    const int n = ir.size();
    const double binHz = static_cast<double>(ir.rate) / n;
    const auto first = static_cast<size_t>(std::ceil(ir.f1 / binHz));
    const auto last = std::min(ir.spectrum.size() - 1, static_cast<size_t>(ir.f2 / binHz));
    double total = 0.0;
    for (size_t k = first; k <= last; ++k)
        total += std::norm(ir.spectrum[k]);
    double sum = 0.0;
    for (size_t k = first; k <= last && total > 0.0; ++k) {
        sum += std::norm(ir.spectrum[k]);
        if (sum >= kGuardEnergyShare * total)
            return static_cast<double>(k) * binHz;
    }
    return ir.f2;
}

// The response's min-phase twin (`magnitude` with `phase`) through
// perfect loops of `loops` (delay in samples, drift in ppm), two to a
// transform: each frequency arrives as late as the moment the sweep played
// it makes it.
struct Loop {
    double delay = 0.0;
    double ppm = 0.0;
};

std::vector<ImpulseResponse> TwinLoops(const ImpulseResponse& ir, const std::vector<double>& magnitude,
                                       const std::vector<double>& phase, const std::vector<Loop>& loops)
{
    const int n = ir.size();
    const double binHz = static_cast<double>(ir.rate) / n;
    const auto spectrumOf = [&](const Loop& loop) {
        const double perNeper = loop.ppm * 1e-6 * ir.rateConstant * ir.rate; // samples per e-fold of frequency
        std::vector<std::complex<double>> spectrum(magnitude.size());
        for (size_t k = 0; k < spectrum.size(); ++k) {
            const double f = static_cast<double>(k) * binHz;
            const double d = loop.delay + perNeper * std::log(std::max(f, ir.f1) / ir.f1);
            spectrum[k] = std::polar(magnitude[k], phase[k] - 2.0 * std::numbers::pi * static_cast<double>(k) * d / n);
        }
        return spectrum;
    };
    // Two to a transform, and no more spectra held than those two.
    std::vector<ImpulseResponse> twins(loops.size());
    for (size_t i = 0; i < twins.size(); i += 2) {
        const bool pair = i + 1 < twins.size();
        std::vector<double> unused;
        twins[i].rate = ir.rate;
        if (pair)
            twins[i + 1].rate = ir.rate;
        InversePair(spectrumOf(loops[i]), spectrumOf(loops[pair ? i + 1 : i]), n, twins[i].h,
                    pair ? twins[i + 1].h : unused);
    }
    return twins;
}

// Where the criterion looks: `guard` samples either side of the peak, and
// the stretch before it from `window` samples on, clear of the second
// harmonic and its decay.
struct DriftWindow {
    long long guard = 0;
    long long window = 0;
};

DriftWindow WindowFor(const ImpulseResponse& ir, long long guard)
{
    const long long harmonic = std::llround(0.25 * ir.rateConstant * std::log(2.0) * ir.rate);
    return {
        guard,
        std::clamp(std::max(Samples(kDriftWindowMs, ir.rate), 4 * guard), 2 * guard, std::max(harmonic, 2 * guard))};
}

// The energy before the causal response's arrival (ArrivalNear `near`),
// less `noise`, over the energy about it, dB.
double PrePeakDb(const ImpulseResponse& causal, double near, long long around, const DriftWindow& w, double noise)
{
    const long long p = ArrivalNear(causal, std::llround(near), around);
    const double before = Energy(causal, p - w.window, p - w.guard) - noise;
    const double centre = Energy(causal, p - w.guard, p + w.guard + 1);
    if (centre <= 0.0)
        return 0.0;
    return std::max(10.0 * std::log10(std::max(before, 0.0) / centre), kDriftFloorDb);
}

// The perfect loops the guard is fitted to (a whole, a quarter and half a
// sample long) and the drift the check must see, either way.
const std::vector<Loop> kCleanLoops{{0.0, 0.0}, {0.25, 0.0}, {0.5, 0.0}};
const std::vector<Loop> kDriftLoops{{0.0, kIrOneSweepDriftPpm}, {0.0, -kIrOneSweepDriftPpm}};

// The shortest guard (from `least`, in steps of √2) with which every clean
// loop reads at most kIrCleanLoopDb; `longest` where none does.
long long CleanGuard(const ImpulseResponse& ir, const std::vector<ImpulseResponse>& loops, long long least,
                     long long longest)
{
    for (long long guard = least; guard < longest; guard = std::llround(guard * std::numbers::sqrt2) + 1) {
        const DriftWindow w = WindowFor(ir, guard);
        const long long around = guard + Samples(1.0, ir.rate);
        double worst = kDriftFloorDb;
        for (size_t i = 0; i < kCleanLoops.size() && worst <= kIrCleanLoopDb; ++i)
            worst = std::max(worst, PrePeakDb(loops[i], kCleanLoops[i].delay, around, w, 0.0));
        if (worst <= kIrCleanLoopDb)
            return guard;
    }
    return longest;
}

// The response's own magnitude, its largest 1.
std::vector<double> Magnitude(const ImpulseResponse& ir)
{
    double top = 0.0;
    for (const std::complex<double>& v : ir.spectrum)
        top = std::max(top, std::abs(v));
    std::vector<double> magnitude(ir.spectrum.size(), 0.0);
    for (size_t k = 0; k < magnitude.size() && top > 0.0; ++k)
        magnitude[k] = std::abs(ir.spectrum[k]) / top;
    return magnitude;
}

} // namespace

IrOneSweepCheck OneSweepCheck(const ImpulseResponse& ir, const IrPeak& peak)
{
    return OneSweepCheck(ir, CausalBand(ir), peak);
}

IrOneSweepCheck OneSweepCheck(const ImpulseResponse& ir, const ImpulseResponse& causal, const IrPeak& peak)
{
    IrOneSweepCheck c;
    if (ir.h.empty() || ir.band.size() != ir.spectrum.size() || causal.size() != ir.size())
        return c;
    // The twin: the response's own magnitude with the phase of a causal
    // device, so that the guard fits this device's rise as well as the
    // band's, a high-pass's slow first swing among them.
    const std::vector<double> magnitude = Magnitude(ir);
    const std::vector<double> phase = MinimumPhase(magnitude, ir.size());
    const long long least =
        std::max<long long>(kLeastGuardSamples, Samples(1000.0 * kGuardPeriods / EnergyTopHz(ir), ir.rate));
    const long long longest = WindowFor(ir, 0).window / 2;
    const long long guard = CleanGuard(ir, TwinLoops(ir, magnitude, phase, kCleanLoops), least, longest);
    const DriftWindow w = WindowFor(ir, guard);
    c.guardMs = 1000.0 * static_cast<double>(guard) / ir.rate;
    // The check's own drift either way, which moves the arrival by up to
    // its smear, must read above the limit.
    const long long smear = std::llround(kIrOneSweepDriftPpm * 1e-6 * ir.sweep.seconds * ir.rate);
    c.seesDrift = guard < longest;
    if (c.seesDrift)
        for (const ImpulseResponse& twin : TwinLoops(ir, magnitude, phase, kDriftLoops))
            c.seesDrift = c.seesDrift &&
                PrePeakDb(twin, 0.0, guard + Samples(1.0, ir.rate) + smear, w, 0.0) > kIrDriftDb + kSeenMarginDb;
    const double noise = kNoiseAllowance * static_cast<double>(w.window - w.guard) * NoiseMeanSquare(ir);
    c.driftDb = PrePeakDb(causal, peak.samples, guard + Samples(1.0, ir.rate), w, noise);
    return c;
}

double DriftRatioDb(const ImpulseResponse& ir, const IrPeak& peak) { return OneSweepCheck(ir, peak).driftDb; }

IrProblem CheckSignal(const ImpulseResponse& ir, const IrPeak& peak)
{
    if (ir.h.empty() || peak.value == 0.0 || PeakToNoiseDb(ir, peak) < kIrMinPeakToNoiseDb)
        return IrProblem::NoSignal;
    if (peak.samples > ir.tailSeconds * ir.rate)
        return IrProblem::LatencyBeyondTail;
    return IrProblem::None;
}

IrProblem CheckResponse(const ImpulseResponse& ir, const IrPeak& peak)
{
    if (const IrProblem p = CheckSignal(ir, peak); p != IrProblem::None)
        return p;
    if (const IrOneSweepCheck c = OneSweepCheck(ir, peak); c.seesDrift && c.driftDb > kIrDriftDb)
        return IrProblem::ClockDrift;
    return IrProblem::None;
}

IrSweepShift SweepShift(std::span<const float> recording, std::span<const double> played, const IrSweep& sweep)
{
    const auto period = static_cast<size_t>(sweep.PeriodFrames());
    if (sweep.count < 2 || recording.size() < period * static_cast<size_t>(sweep.count))
        return {};
    const ImpulseResponse first = Deconvolve(recording.first(period), played, sweep);
    const ImpulseResponse last =
        Deconvolve(recording.subspan(period * static_cast<size_t>(sweep.count - 1), period), played, sweep);
    if (first.h.empty() || last.h.empty())
        return {};
    const int n = first.size();
    const double binHz = static_cast<double>(sweep.rate) / n;
    std::vector<Complex> cross(first.spectrum.size());
    std::vector<size_t> bins;
    for (size_t k = 0; k < cross.size(); ++k) {
        cross[k] = last.spectrum[k] * std::conj(first.spectrum[k]);
        const double f = static_cast<double>(k) * binHz;
        if (f >= FullLevelLowHz(sweep) && f <= FullLevelHighHz(sweep) && std::abs(cross[k]) > 0.0)
            bins.push_back(k);
    }
    IrSweepShift s;
    s.samples = LagOf(cross, bins, n, static_cast<double>(n) / static_cast<double>(period), s.standardError);
    return s;
}

double SweepShiftPpm(const IrSweepShift& shift, const IrSweep& sweep)
{
    const double frames = static_cast<double>(sweep.count - 1) * sweep.PeriodFrames();
    return frames > 0.0 ? 1e6 * shift.samples / frames : 0.0;
}

bool ShiftIsDrift(const IrSweepShift& shift, const IrSweep& sweep)
{
    if (std::abs(shift.samples) > kIrSweepShiftSamples)
        return true;
    return std::abs(shift.samples) > kSureErrors * shift.standardError &&
        std::abs(SweepShiftPpm(shift, sweep)) >= kIrLeastDriftPpm;
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
        "Die Takte von Ausgang und Eingang laufen auseinander (der Impuls wandert vom ersten zum letzten Sweep): "
        "Ein- und Ausgang derselben Karte verwenden oder die Takte synchronisieren",
        "The clocks of output and input drift apart (the impulse moves from the first sweep to the last): use "
        "input and output of the same card or synchronise the clocks"};
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
