// devicetest: the device test's default plan through its engine and
// analysis, as the window runs it, judged by the limits of the options.
// Only a run of every step gives a report: a failed check before the run,
// a device fault and an interruption each end with status 3 and no report,
// so a script never takes half a run for a result.

#include "cli/Commands.h"

#include "app/UnixSignals.h"
#include "cli/DeviceTestLimits.h"
#include "cli/DeviceTestReference.h"
#include "cli/MeasureSession.h"
#include "cli/ResultFile.h"
#include "devicetest/DeviceTestEngine.h"
#include "devicetest/DeviceTestProcedure.h"
#include "devicetest/DtHeaderSource.h"
#include "devicetest/DtJson.h"
#include "devicetest/DtReportFile.h"
#include "platform/ModalQuestions.h"
#include "scope/ScopeEngine.h"

#include <QDateTime>
#include <QEventLoop>
#include <cstdio>

namespace korvanta {

namespace {

struct Prepared {
    DtLimits limits;
    DtHeader header;
    DtRunSettings run;
    DtPlan plan;
};

// What the progress line calls a step.
QString stepWhat(DtStepKind kind)
{
    switch (kind) {
    case DtStepKind::Level: return QStringLiteral("loop gain");
    case DtStepKind::Response: return QStringLiteral("frequency response");
    case DtStepKind::Noise: return QStringLiteral("noise");
    case DtStepKind::DynamicRange: return QStringLiteral("dynamic range");
    case DtStepKind::Thd: return QStringLiteral("THD");
    case DtStepKind::ImdSmpte: return QStringLiteral("IMD SMPTE");
    case DtStepKind::ImdCcif: return QStringLiteral("IMD CCIF");
    case DtStepKind::Crosstalk: return QStringLiteral("crosstalk");
    case DtStepKind::CrosstalkOff: return QStringLiteral("crosstalk, tone off");
    case DtStepKind::Match: return QStringLiteral("channel match");
    case DtStepKind::MaxLevel: return QStringLiteral("maximum level");
    }
    return {};
}

// The language of the report: the program's, as the settings file has it.
char reportLetter(const MeasureSession& session) { return session.Settings().Language == 'E' ? 'E' : 'D'; }

// Everything that can refuse the run, before it starts. Returns the error.
QString prepare(const MeasureOptions& o, MeasureSession& session, Prepared& p)
{
    p.limits = {o.minDynamicRange, o.maxThdn, o.maxCrosstalk, o.maxNoise, o.maxImd, o.maxChannelMatch, {}};
    if (!o.toleranceFile.isEmpty()) {
        BandParse parsed = LoadToleranceBand(o.toleranceFile);
        if (!parsed.error.isEmpty())
            return parsed.error;
        p.limits.response = std::move(parsed.band);
    }
    const AnalyzerState& a = session.Records().analyzer;
    DtHeaderState state;
    // Volts only where the input was calibrated; the command leaves the mixer
    // alone, so its volumes are not known here.
    const bool calibrated = a.InLev4Cal >= 0;
    state.calibratedAtVolume = a.InLev4Cal;
    state.inputFullScaleMv = calibrated ? a.CalInMv : 0.0;
    state.referenceLevelDbfs = o.level.value_or(DtPlanSettings{}.referenceLevelDb);
    state.selfTest = o.selfTest;
    state.note = o.note;
    state.when = QDateTime::currentDateTime();
    const DtDevices devices = CurrentDtDevices();
    p.header = ComposeDtHeader(devices, state);

    const DtCardKey key = DtCardKey::Of(p.header);
    const DtReferenceStore store;
    if (o.storeReference)
        if (const QString conflict = DtStoreConflict(o.replaceReference, key, store); !conflict.isEmpty())
            return conflict;
    DtReferenceChoice choice = ChooseDtReference(o.referenceFile, o.selfTest, key, store);
    if (!choice.error.isEmpty())
        return choice.error;
    if (!choice.warning.isEmpty())
        std::fprintf(stderr, "korvanta-measure: %s\n", qPrintable(choice.warning));

    p.run.rate = devices.rate;
    p.run.inputFullScaleVolts = calibrated ? a.CalInMv * kVoltsPerCalibrationUnit : 0.0;
    p.run.reference = std::move(choice.reference);
    p.run.letter = reportLetter(session);
    DtPlanSettings plan;
    plan.rate = devices.rate;
    plan.referenceLevelDb = state.referenceLevelDbfs;
    p.plan = DefaultDtPlan(plan);
    return {};
}

struct Outcome {
    DeviceTestResult result;
    bool started = false;
    bool refused = false;
    bool interrupted = false;
    std::optional<EngineFailure> failure;
    DtPlayedStep last;  // the step that ran when it ended
};

void runPlan(const MeasureOptions& o, MeasureSession& session, const Prepared& p, DeviceTestProcedure& procedure,
             Outcome& out)
{
    DeviceTestEngine engine(session.Records().inputCorrection, session.Records().outputCorrection);
    QEventLoop loop;
    Progress progress(o.quiet);
    QObject::connect(&engine, &DeviceTestEngine::stepStarting, [&](const DtPlayedStep& step) {
        out.last = step;
        const RunEstimate estimate = engine.Estimate();
        progress.show(QStringLiteral("step %1 of %2%3: %4, %5 left")
                          .arg(step.index + 1)
                          .arg(estimate.Steps())
                          .arg(estimate.approximate ? QStringLiteral(" or more") : QString())
                          .arg(stepWhat(step.step.kind), DurationText(TimeLeftMs(estimate, step.index))));
    });
    QObject::connect(&engine, &DeviceTestEngine::ended, [&](const DeviceTestResult& r) { out.result = r; });
    QObject::connect(&engine, &DeviceTestEngine::refused, [&] { out.refused = true; });
    QObject::connect(&engine, &DeviceTestEngine::failed, [&](const EngineFailure& f) { out.failure = f; });
    QObject::connect(&engine, &DeviceTestEngine::stopped, &loop, &QEventLoop::quit);
    // Ctrl+C or SIGTERM: the tone off at once, the run given up.
    TUnixSignals signalHandling;
    QObject::connect(&signalHandling, &TUnixSignals::terminationRequested, [&] {
        out.interrupted = true;
        engine.Stop();
    });
    out.started = engine.Start(p.plan, procedure, p.header);
    if (out.started)
        loop.exec();
}

// Why a run has no report; empty for a complete one.
QString endedEarly(const Outcome& out, const DeviceTestProcedure& procedure)
{
    const QString at = QStringLiteral("step %1 (%2)").arg(out.last.index + 1).arg(stepWhat(out.last.step.kind));
    if (out.failure) {
        const bool output = out.failure->kind == int(DeviceTestEngine::Failure::Output);
        return QStringLiteral("the device test failed at %1, at the %2: %3")
            .arg(at, output ? QStringLiteral("output") : QStringLiteral("input"), out.failure->text);
    }
    if (out.refused) {
        // A step refused later (its input clipped however low it was
        // played, a sweep not in its recording) is no check before the run.
        const DtCheck check = procedure.FailedCheck();
        if (check == DtCheck::Passed)
            return QStringLiteral("the device test ended at %1: %2").arg(at, out.result.error);
        return QStringLiteral("the check before the run failed: %1").arg(CheckMessage(check, 'E'));
    }
    if (out.interrupted)
        return QStringLiteral("the device test was interrupted at %1; no report is written").arg(at);
    if (!out.result.complete)
        return QStringLiteral("the device test ended at %1 before its end: %2").arg(at, out.result.error);
    return {};
}

// Stores the self-test as the card's reference. The command cannot ask, so
// --replace answers the question whether an old one is to go.
QString storeReference(const DeviceTestResult& result, bool replace)
{
    if (replace)
        modal::SetPresenter([](const modal::Question&) {
            modal::Answer yes;
            yes.button = modal::Yes;
            return yes;
        });
    DtReferenceStore store;
    QString message;
    const DtReferenceStore::Store stored = store.store(result, message, 'E');
    modal::SetPresenter({});
    if (stored == DtReferenceStore::Store::Stored)
        return {};
    return QStringLiteral("the self-test was not stored as the card's reference: %1").arg(message);
}

} // namespace

CommandResult RunDeviceTest(const MeasureOptions& o, MeasureSession& session)
{
    Prepared p;
    if (const QString error = prepare(o, session, p); !error.isEmpty())
        return {kExitUsage, {}, {error}};
    DeviceTestProcedure procedure(p.run);
    Outcome out;
    runPlan(o, session, p, procedure, out);
    if (!out.started)
        return {kExitDevice, {}, {QStringLiteral("the device test cannot start on %1 at %2 Hz")
                                      .arg(DtCardKeyText(DtCardKey::Of(p.header)))
                                      .arg(p.header.rate)}};
    if (const QString why = endedEarly(out, procedure); !why.isEmpty())
        return {kExitDevice, {}, {why}};

    CommandResult r;
    if (o.storeReference)
        if (const QString error = storeReference(out.result, o.replaceReference); !error.isEmpty()) {
            r.exitCode = kExitUsage;
            r.reasons << error;
        }
    const DtVerdict verdict = JudgeDeviceTest(out.result, p.limits);
    const QJsonObject extra{{QStringLiteral("verdict"), DtVerdictJson(verdict)}};
    if (o.outFile.isEmpty()) {
        r.report = QString::fromUtf8(DtResultToJson(out.result, extra));
    } else {
        // The JSON file carries the verdict as standard output would; the
        // page and the PDF are the report a person reads.
        QString error;
        const bool json = DtReportFormatOf(o.outFile) == DtReportFormat::Json;
        const bool written = json ? WriteResultFile(o.outFile, DtResultToJson(out.result, extra))
                                  : DtSaveReport(out.result, o.outFile, p.run.letter, error);
        if (!written) {
            r.reasons << (error.isEmpty() ? QStringLiteral("cannot write %1").arg(o.outFile) : error);
            r.exitCode = kExitUsage;
            return r;
        }
    }
    if (!verdict.Pass()) {
        r.reasons << verdict.Failures();
        if (r.exitCode == kExitPass)
            r.exitCode = kExitFail;
    }
    return r;
}

} // namespace korvanta
