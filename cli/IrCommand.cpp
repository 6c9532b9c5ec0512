// ir: one exponential sweep played and recorded by the impulse response's
// engine, analysed as the window analyses it, judged by a tolerance band,
// and written as the report (text, CSV, JSON) and, with --out FILE.wav, as
// the response itself. A bad set-up, a device fault and an interruption
// each end with their status and write nothing, so a script never takes
// half a run for a result.

#include "cli/Commands.h"

#include "app/UnixSignals.h"
#include "cli/IrLimits.h"
#include "cli/IrReport.h"
#include "cli/MeasureSession.h"
#include "ir/IrEngine.h"
#include "ir/IrWaveFile.h"
#include "audio/Soundd3.h"

#include <QEventLoop>
#include <optional>

namespace korvanta {

namespace {

// The sweep of the devices' rate, with the options' changes.
IrSettings settingsOf(const MeasureOptions& o)
{
    int inRate = 0, outRate = 0;
    GetSampleRates(inRate, outRate);
    IrSettings s;
    s.sweep = DefaultSweep(inRate);
    s.sweep.f1 = o.from.value_or(s.sweep.f1);
    s.sweep.f2 = o.to.value_or(s.sweep.f2);
    s.sweep.seconds = o.seconds.value_or(s.sweep.seconds);
    s.sweep.tailSeconds = o.tailSeconds.value_or(s.sweep.tailSeconds);
    s.sweep.levelDbfs = o.level.value_or(s.sweep.levelDbfs);
    s.sweep.count = o.count.value_or(s.sweep.count);
    s.referenceMode = o.referenceChannel.has_value();
    s.measuredChannel = s.referenceMode ? 1 - *o.referenceChannel : o.channel.value_or(0);
    s.smoothing = o.smoothing.value_or(0);
    return s;
}

struct Outcome {
    std::optional<IrMeasurement> result;
    QString refusal;
    std::optional<EngineFailure> failure;
    bool interrupted = false;
};

void runSweep(const MeasureOptions& o, IrEngine& engine, const IrSettings& settings, Outcome& out, bool& started)
{
    QEventLoop loop;
    Progress progress(o.quiet);
    QObject::connect(&engine, &IrEngine::progress, [&](int done, int total) {
        if (total > 0)
            progress.show(QStringLiteral("sweep %1 %").arg(100 * done / total));
    });
    QObject::connect(&engine, &IrEngine::measured, [&](const IrMeasurement& m) { out.result = m; });
    QObject::connect(&engine, &IrEngine::refused, [&](const QString& text) { out.refusal = text; });
    QObject::connect(&engine, &IrEngine::failed, [&](const EngineFailure& f) { out.failure = f; });
    QObject::connect(&engine, &IrEngine::stopped, &loop, &QEventLoop::quit);
    // Ctrl+C or SIGTERM: the sweep off at once, the run given up.
    TUnixSignals signalHandling;
    QObject::connect(&signalHandling, &TUnixSignals::terminationRequested, [&] {
        out.interrupted = true;
        engine.Stop();
    });
    started = engine.Start(settings, 'E');
    if (started)
        loop.exec();
}

// Why a run has no result, with its status; empty for a good one.
CommandResult endedWithout(const Outcome& out)
{
    if (out.failure) {
        const bool output = out.failure->kind == int(IrEngine::Failure::Output);
        return {kExitDevice, {}, {QStringLiteral("the impulse response failed at the %1: %2")
                                      .arg(output ? QStringLiteral("output") : QStringLiteral("input"),
                                           out.failure->text)}};
    }
    if (out.interrupted)
        return {kExitDevice, {}, {QStringLiteral("the impulse response was interrupted; nothing is written")}};
    if (!out.refusal.isEmpty())
        return {kExitDevice, {}, {QStringLiteral("no impulse response: %1").arg(out.refusal)}};
    if (!out.result || !out.result->ok())
        return {kExitDevice, {}, {QStringLiteral("the impulse response ended without a result")}};
    return {};
}

// A start the engine refuses is the devices' fault (none usable, rates
// that differ, one that does not open), unless the sweeps asked for are
// longer than one recording holds, which is the command line's; the
// engine's own rule tells which.
int startRefusalStatus(const IrSweep& sweep) { return IrEngine::FitsOneRecording(sweep) ? kExitDevice : kExitUsage; }

// --gate's own terms: the start from the peak and the length, in ms.
QString gateOption(const MeasureOptions& o)
{
    return QStringLiteral("--gate %1:%2").arg(*o.gateStartMs).arg(*o.gateLengthMs);
}

// A gate that lies outside every response the sweep can give (whatever the
// latency, as long as the tail holds it) is refused before anything plays.
QString gateBeforeRun(const MeasureOptions& o, const IrSweep& sweep)
{
    if (!o.gateLengthMs)
        return {};
    const IrGateLimits limits = GateLimitsBefore(sweep);
    if (limits.Hold(*o.gateStartMs, *o.gateLengthMs))
        return {};
    return QStringLiteral("%1 does not fit in the response: %2").arg(gateOption(o), GateLimitsText(limits, 'E'));
}

// The gate of --gate on the measured response (the engine measures with
// the fundamental's own), the output correction divided out as the engine
// does it. Empty, or why the gate does not fit in this run's response.
//
// The option's start counts from the peak (GateFromPeak): a script cannot
// know the latency before the run.
QString applyGate(const MeasureOptions& o, MeasureSession& session, IrMeasurement& m)
{
    if (!o.gateLengthMs)
        return {};
    const IrGateLimits limits = GateLimitsOf(m);
    if (!limits.Hold(*o.gateStartMs, *o.gateLengthMs))
        return QStringLiteral("%1 does not fit in the response: %2").arg(gateOption(o), GateLimitsText(limits, 'E'));
    const IrGate gate = GateFromPeak(m, *o.gateStartMs, *o.gateLengthMs);
    m.settings.gate = gate;
    Regate(m, gate, &session.Records().outputCorrection);
    if (m.response.h.empty())
        return QStringLiteral("%1 holds fewer than two samples of the response").arg(gateOption(o));
    return {};
}

} // namespace

CommandResult RunIr(const MeasureOptions& o, MeasureSession& session)
{
    ToleranceBand band;
    if (!o.toleranceFile.isEmpty()) {
        BandParse parsed = LoadToleranceBand(o.toleranceFile);
        if (!parsed.error.isEmpty())
            return {kExitUsage, {}, {parsed.error}};
        band = std::move(parsed.band);
    }
    const IrSettings settings = settingsOf(o);
    if (const IrSweepFit fit = CheckSweep(settings.sweep); fit != IrSweepFit::Fits)
        return {kExitUsage, {}, {SweepFitText(fit, settings.sweep, 'E')}};
    if (const QString gate = gateBeforeRun(o, settings.sweep); !gate.isEmpty())
        return {kExitUsage, {}, {gate}};

    IrEngine engine(session.Records().inputCorrection, session.Records().outputCorrection);
    Outcome out;
    bool started = false;
    runSweep(o, engine, settings, out, started);
    if (!started) {
        const QString why = engine.StartRefusal();
        return {startRefusalStatus(settings.sweep), {},
                {why.isEmpty() ? QStringLiteral("the impulse response cannot start") : why}};
    }
    if (CommandResult ended = endedWithout(out); !ended.reasons.isEmpty())
        return ended;
    IrMeasurement& m = *out.result;
    if (const QString gate = applyGate(o, session, m); !gate.isEmpty())
        return {kExitUsage, {}, {gate}};

    const std::vector<IrRow> rows = IrResultRows(m, settings.smoothing);
    Verdict v;
    if (!o.toleranceFile.isEmpty())
        v = CheckIrResponse(rows, band, FullLevelLowHz(settings.sweep), FullLevelHighHz(settings.sweep));
    CommandResult r;
    if (IrWaveOut(o)) {
        QString error;
        if (!WriteImpulseWave(m.ir, o.outFile, error))
            return {kExitUsage, {}, {error}};
    }
    r.report = ReportIr(m, rows, CurrentContext(QStringLiteral("ir"), true, true), v, o.format);
    if (!v.pass()) {
        r.exitCode = kExitFail;
        r.reasons << v.failures;
    }
    return r;
}

} // namespace korvanta
