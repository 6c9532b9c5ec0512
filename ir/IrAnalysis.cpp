#include "ir/IrAnalysis.h"

#include "correction/CorrectionTable.h"
#include "ir/IrCorrection.h"

#include <algorithm>
#include <cmath>

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
    ImpulseResponse own = Channel(measured, played, settings.sweep, m.problem);
    if (m.problem != IrProblem::None)
        return m;
    // The device's distortion is the measured channel's own, whatever the
    // reference takes out of its response.
    const IrPeak ownPeak = FindPeak(own);
    m.harmonics = HarmonicsOf(own, ownPeak);
    if (settings.referenceMode) {
        const ImpulseResponse ref = Channel(reference, played, settings.sweep, m.problem);
        if (m.problem != IrProblem::None)
            return m;
        // Drift and a missing signal show in each channel's own response.
        m.problem = CheckResponse(own, ownPeak);
        if (m.problem == IrProblem::None)
            m.problem = CheckResponse(ref, FindPeak(ref));
        if (m.problem != IrProblem::None)
            return m;
        m.ir = ReferenceRatio(own, ref);
        m.peak = FindPeak(m.ir);
    } else {
        m.ir = std::move(own);
        m.peak = ownPeak;
        m.problem = CheckResponse(m.ir, m.peak);
        if (m.problem != IrProblem::None)
            return m;
    }
    // Only once each channel holds an impulse (in noise the peaks wander);
    // in the reference mode, as above, each channel on its own.
    m.sweepShiftSamples = SweepShiftSamples(measured, played, settings.sweep);
    if (settings.referenceMode) {
        const double other = SweepShiftSamples(reference, played, settings.sweep);
        if (std::abs(other) > std::abs(m.sweepShiftSamples))
            m.sweepShiftSamples = other;
    }
    if (std::abs(m.sweepShiftSamples) > kIrSweepShiftSamples) {
        m.problem = IrProblem::SweepsDrift;
        return m;
    }
    m.peakToNoiseDb = PeakToNoiseDb(m.ir, m.peak);
    m.driftDb = DriftRatioDb(m.ir, m.peak);
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

void Regate(IrMeasurement& m, const IrGate& gate, const CorrectionTable* output)
{
    if (m.ir.h.empty())
        return;
    m.gate = gate.lengthMs > 0.0 ? gate : FundamentalGate(m.ir, m.peak);
    m.response = ResponseOf(m.ir, m.gate);
    if (output && output->active && output->count > 0)
        ApplyOutputCorrection(m.response, *output, FullLevelLowHz(m.ir.sweep), FullLevelHighHz(m.ir.sweep));
}

} // namespace korvanta
