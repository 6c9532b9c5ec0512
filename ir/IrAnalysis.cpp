#include "ir/IrAnalysis.h"

#include "correction/CorrectionTable.h"
#include "ir/IrCorrection.h"
#include "ir/IrTransformSize.h"
#include "platform/LanguageTexts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanta {

namespace {

// The mean of the periods, or the recording as it is for one sweep.
std::vector<float> Periods(std::span<const float> recording, const IrSweep& sweep)
{
    const size_t period = static_cast<size_t>(sweep.PeriodFrames());
    if (sweep.count <= 1)
        return {recording.begin(), recording.end()};
    return AverageSweeps(recording, 0, period, sweep.count);
}

double PeakDbfs(std::span<const float> recording)
{
    float peak = 0.0f;
    for (float v : recording)
        peak = std::max(peak, std::abs(v));
    return peak > 0.0f ? 20.0 * std::log10(peak) : -HUGE_VAL;
}

// Checks the recording and deconvolves it; problem set when it cannot be.
ImpulseResponse Channel(std::span<const float> recording, const std::vector<double>& played, const IrSweep& sweep,
                        IrProblem& problem)
{
    problem = CheckRecording(recording);
    if (problem != IrProblem::None)
        return {};
    const std::vector<float> mean = Periods(recording, sweep);
    ImpulseResponse ir = Deconvolve(mean, played, sweep);
    if (ir.h.empty())
        problem = IrProblem::NoSignal; // shorter than one period: nothing came back in time
    return ir;
}

// The least drift (ppm) the shift between the sweeps refuses: beyond what
// smears the mean, or surely more than none.
double LeastShiftDriftPpm(const IrSweepShift& shift, const IrSweep& sweep)
{
    const auto ppm = [&sweep](double samples) { return std::abs(SweepShiftPpm({samples, 0.0}, sweep)); };
    return std::min(ppm(kIrSweepShiftSamples), std::max(kIrLeastDriftPpm, ppm(5.0 * shift.standardError)));
}

// One channel's clocks from sweep to sweep; true when they drift. `m` keeps
// the larger shift of the channels looked at.
bool SweepsDriftIn(IrMeasurement& m, std::span<const float> recording, const std::vector<double>& played)
{
    const IrSweep& sweep = m.settings.sweep;
    const IrSweepShift shift = SweepShift(recording, played, sweep);
    if (m.clockCheck != IrClockCheck::Sweeps || std::abs(shift.samples) > std::abs(m.sweepShiftSamples))
        m.sweepShiftSamples = shift.samples;
    // Both channels hear one clock: the surer of the two checks counts.
    const double least = LeastShiftDriftPpm(shift, sweep);
    m.clockCheckPpm = m.clockCheck == IrClockCheck::Sweeps ? std::min(m.clockCheckPpm, least) : least;
    m.clockCheck = IrClockCheck::Sweeps;
    return ShiftIsDrift(shift, sweep);
}

// One channel's energy before the peak, where one sweep can see drift;
// true when it is there. `m` keeps the larger criterion of the channels.
// One channel: its recording, its own response and that response with
// the band made causal (once the clocks or the harmonics need it).
struct ChannelResponse {
    std::span<const float> recording;
    ImpulseResponse ir;
    IrPeak peak;
    std::vector<double> bandPhase;
    ImpulseResponse causal;

    void MakeCausal()
    {
        if (!causal.h.empty())
            return;
        bandPhase = MinimumPhase(ir.band, ir.size());
        causal = CausalBand(ir, bandPhase);
        // Only its h is read: the rest would hold as much again.
        causal.spectrum = {};
        causal.band = {};
    }
};

bool EnergyDriftIn(IrMeasurement& m, ChannelResponse& c)
{
    c.MakeCausal();
    const IrOneSweepCheck check = OneSweepCheck(c.ir, c.causal, c.peak);
    if (!check.seesDrift)
        return false;
    m.driftDb = std::isnan(m.driftDb) ? check.driftDb : std::max(m.driftDb, check.driftDb);
    if (m.clockCheck == IrClockCheck::None) {
        m.clockCheck = IrClockCheck::OneSweep;
        m.clockCheckPpm = kIrOneSweepDriftPpm;
    }
    return check.driftDb > kIrDriftDb;
}

// The clocks, each channel on its own: in the reference mode the ratio of
// two channels of one input hides what both share. Where several sweeps
// were played, from sweep to sweep, the surer check; with one, by the
// energy before the peak where one sweep can see drift.
IrProblem CheckClocks(IrMeasurement& m, ChannelResponse& own, ChannelResponse* ref, const std::vector<double>& played)
{
    m.clockCheck = IrClockCheck::None;
    m.clockCheckPpm = 0.0;
    m.driftDb = std::numeric_limits<double>::quiet_NaN();
    bool drift = false;
    if (m.settings.sweep.count >= 2) {
        drift = SweepsDriftIn(m, own.recording, played);
        if (ref)
            drift = SweepsDriftIn(m, ref->recording, played) || drift;
        return drift ? IrProblem::SweepsDrift : IrProblem::None;
    }
    drift = EnergyDriftIn(m, own);
    if (ref)
        drift = EnergyDriftIn(m, *ref) || drift;
    return drift ? IrProblem::ClockDrift : IrProblem::None;
}

// A response without signal whose recording ends with the sweep still
// playing: the sweep came later than the tail holds.
IrProblem CheckSignals(const ChannelResponse& own, const ChannelResponse* ref)
{
    IrProblem p = CheckSignal(own.ir, own.peak);
    if (p == IrProblem::None && ref)
        p = CheckSignal(ref->ir, ref->peak);
    const int rate = own.ir.rate;
    if (p == IrProblem::NoSignal &&
        (SweepArrivesLate(own.recording, rate) || (ref && SweepArrivesLate(ref->recording, rate))))
        return IrProblem::LatencyBeyondTail;
    return p;
}

} // namespace

IrMeasurement AnalyseSweep(std::span<const float> measured, std::span<const float> reference,
                           const IrSettings& settings, const CorrectionTable* output)
{
    IrMeasurement m;
    m.settings = settings;
    if (CheckSweep(settings.sweep) != IrSweepFit::Fits) {
        m.problem = IrProblem::SweepDoesNotFit;
        return m;
    }
    const std::vector<double> played = SweepSamples(settings.sweep);
    m.inputPeakDbfs = PeakDbfs(measured);
    m.referencePeakDbfs = settings.referenceMode ? PeakDbfs(reference) : std::numeric_limits<double>::quiet_NaN();
    ChannelResponse own{measured, Channel(measured, played, settings.sweep, m.problem), {}, {}, {}};
    if (m.problem != IrProblem::None)
        return m;
    ChannelResponse ref{reference, {}, {}, {}, {}};
    if (settings.referenceMode) {
        ref.ir = Channel(reference, played, settings.sweep, m.problem);
        if (m.problem != IrProblem::None)
            return m;
        ref.peak = FindPeak(ref.ir);
    }
    own.peak = FindPeak(own.ir);
    ChannelResponse* other = settings.referenceMode ? &ref : nullptr;
    // Drift and a missing signal show in each channel's own response; the
    // peaks wander in noise, so the clocks only once each holds an impulse.
    m.problem = CheckSignals(own, other);
    if (m.problem == IrProblem::None)
        m.problem = CheckClocks(m, own, other, played);
    if (m.problem != IrProblem::None)
        return m;
    // The device's distortion is the measured channel's own, whatever the
    // reference takes out of its response.
    own.MakeCausal();
    m.harmonics = HarmonicsOf(own.ir, own.causal, own.bandPhase, own.peak);
    if (settings.referenceMode) {
        m.ir = ReferenceRatio(own.ir, ref.ir);
        m.peak = FindPeak(m.ir);
    } else {
        m.ir = std::move(own.ir);
        m.peak = own.peak;
    }
    m.peakToNoiseDb = PeakToNoiseDb(m.ir, m.peak);
    Regate(m, settings.gate, output);
    return m;
}

IrGate GateFromPeak(const IrMeasurement& m, double startFromPeakMs, double lengthMs)
{
    IrGate gate;
    gate.startMs = m.peak.latencyMs(m.ir.rate) + startFromPeakMs;
    gate.lengthMs = lengthMs;
    gate.fadeMs = std::min(gate.fadeMs, lengthMs / 4.0);
    return gate;
}

bool IrGateLimits::Hold(double startFromPeakMs, double lengthMs) const
{
    // A few nanoseconds for the rounding of numbers typed in ms.
    constexpr double kSlackMs = 1e-6;
    return lengthMs > 0.0 && lengthMs <= longestMs + kSlackMs && startFromPeakMs >= earliestStartMs - kSlackMs &&
        startFromPeakMs + lengthMs <= latestEndMs + kSlackMs;
}

IrGateLimits GateLimitsOf(const IrMeasurement& m)
{
    IrGateLimits l;
    if (m.ir.h.empty() || m.ir.rate <= 0)
        return l;
    const double msPerSample = 1000.0 / m.ir.rate;
    const double tailMs = 1000.0 * m.ir.tailSeconds, peakMs = m.peak.latencyMs(m.ir.rate);
    l.longestMs = m.ir.size() * msPerSample;
    l.earliestStartMs = tailMs - l.longestMs - peakMs;
    l.latestEndMs = tailMs - peakMs;
    return l;
}

IrGateLimits GateLimitsBefore(const IrSweep& sweep)
{
    IrGateLimits l;
    if (sweep.rate <= 0)
        return l;
    l.longestMs = 1000.0 * IrTransformSize(sweep.PeriodFrames()) / sweep.rate;
    // The earliest start with the latest peak (at the tail's end), the
    // latest end with the earliest (no latency at all).
    l.earliestStartMs = -l.longestMs;
    l.latestEndMs = 1000.0 * sweep.tailSeconds;
    return l;
}

QString GateLimitsText(const IrGateLimits& l, char letter)
{
    static constexpr Words kLimits{
        "ab der Spitze gezählt beginnt ein Tor frühestens bei %1 ms, endet spätestens bei %2 ms und ist höchstens "
        "%3 ms lang",
        "counted from the peak a gate begins at %1 ms at the earliest, ends at %2 ms at the latest and is at most "
        "%3 ms long"};
    const auto ms = [letter](double v) {
        QString t = QString::number(v, 'f', 2);
        return letter == 'E' ? t : t.replace(QLatin1Char('.'), QLatin1Char(','));
    };
    return Pick(letter, kLimits).arg(ms(l.earliestStartMs), ms(l.latestEndMs), ms(l.longestMs));
}

QString GateOutsideText(const IrGateLimits& l, char letter)
{
    static constexpr Words kOutside{"Das Tor liegt außerhalb der Antwort: %1",
                                    "The gate lies outside the response: %1"};
    return Pick(letter, kOutside).arg(GateLimitsText(l, letter));
}

QString ClockCheckText(const IrMeasurement& m, char letter)
{
    static constexpr Words kSweeps{"Takte: von Sweep zu Sweep geprüft (Drift ab %1 ppm)",
                                   "Clocks: checked sweep to sweep (drift from %1 ppm)"};
    static constexpr Words kOne{"Takte: am Impuls geprüft (Drift ab %1 ppm)",
                                "Clocks: checked at the impulse (drift from %1 ppm)"};
    static constexpr Words kNone{"Takte: ungeprüft, ein Sweep sieht hier keine %1 ppm: 2 Sweeps mitteln",
                                 "Clocks: unchecked, one sweep misses %1 ppm here: average 2 sweeps"};
    const double ppm = m.clockCheck == IrClockCheck::None ? kIrOneSweepDriftPpm : m.clockCheckPpm;
    QString number = QString::number(ppm, 'f', ppm < 10.0 ? 1 : 0);
    if (letter != 'E')
        number.replace(QLatin1Char('.'), QLatin1Char(','));
    switch (m.clockCheck) {
    case IrClockCheck::Sweeps: return Pick(letter, kSweeps).arg(number);
    case IrClockCheck::OneSweep: return Pick(letter, kOne).arg(number);
    case IrClockCheck::None: break;
    }
    return Pick(letter, kNone).arg(number);
}

void Regate(IrMeasurement& m, const IrGate& gate, const CorrectionTable* output)
{
    if (m.ir.h.empty())
        return;
    m.gate = gate.lengthMs > 0.0 ? gate : FundamentalGate(m.ir, m.peak);
    m.response = GateInResponse(m.ir, m.gate) ? ResponseOf(m.ir, m.gate) : IrResponse{};
    if (output && output->active && output->count > 0)
        ApplyOutputCorrection(m.response, *output, FullLevelLowHz(m.ir.sweep), FullLevelHighHz(m.ir.sweep));
}

} // namespace korvanta
