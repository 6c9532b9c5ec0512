// devicetest: the device test's default plan through its engine and
// analysis, as the window runs it, judged by the limits of the options.
// Only a run of every step gives a report: a failed check before the run,
// a device fault and an interruption each end with status 3 and no report,
// so a script never takes half a run for a result. What can refuse the run
// is asked before it starts, not after a minute of measuring.

#include "cli/Commands.h"

#include "app/UnixSignals.h"
#include "audio/Soundd3.h"
#include "cli/CommandLanguage.h"
#include "cli/DeviceTestLimits.h"
#include "cli/DeviceTestReference.h"
#include "cli/DeviceTestText.h"
#include "cli/MeasureSession.h"
#include "cli/ResultFile.h"
#include "devicetest/DeviceTestEngine.h"
#include "devicetest/DeviceTestProcedure.h"
#include "devicetest/DtHeaderSource.h"
#include "devicetest/DtJson.h"
#include "devicetest/DtReportFile.h"
#include "devicetest/DtScreenRows.h"
#include "scope/ScopeEngine.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <cstdio>

namespace korvanta {

namespace {

constexpr Words kRateTooLow{"der Gerätetest kann bei %1 Hz nicht laufen: Schritt %2 (%3) passt nicht zu dieser "
                            "Abtastrate (%4); er braucht mindestens %5 Hz (--rate)",
                            "the device test cannot run at %1 Hz: step %2 (%3) does not fit this rate (%4); it needs "
                            "at least %5 Hz (--rate)"};
constexpr Words kTonesAboveHalf{"seine Töne müssen unter der halben Abtastrate liegen",
                                "its tones must lie below half the rate"};
constexpr Words kSweepUnfit{"sein Sweep passt nicht in diese Rate oder in die Aufnahme",
                            "its sweep does not fit the rate or the recording"};
constexpr Words kOutIsReference{"--out %1 ist der Selbsttest, den --reference nennt: der Bericht des Geräts würde ihn "
                                "ersetzen",
                                "--out %1 is the self-test that --reference names: the device's report would replace "
                                "it"};
constexpr Words kOutIsStored{"--out %1 ist die gespeicherte Referenz der Karte: der Bericht würde sie ersetzen",
                             "--out %1 is the card's stored reference: the report would replace it"};
constexpr Words kCannotStart{"der Gerätetest kann auf %1 bei %2 Hz nicht starten",
                             "the device test cannot start on %1 at %2 Hz"};
constexpr Words kAtStep{"Schritt %1 (%2)", "step %1 (%2)"};
constexpr Words kFailedAt{"der Gerätetest fiel bei %1 aus, am %2: %3", "the device test failed at %1, at the %2: %3"};
constexpr Words kOutput{"Ausgang", "output"};
constexpr Words kInput{"Eingang", "input"};
constexpr Words kCheckFailed{"die Prüfung vor dem Lauf schlug fehl: %1", "the check before the run failed: %1"};
constexpr Words kEndedAt{"der Gerätetest endete bei %1: %2", "the device test ended at %1: %2"};
constexpr Words kInterrupted{"der Gerätetest wurde bei %1 unterbrochen; es wird kein Bericht geschrieben",
                             "the device test was interrupted at %1; no report is written"};
constexpr Words kEndedEarly{"der Gerätetest endete bei %1 vor seinem Ende: %2",
                            "the device test ended at %1 before its end: %2"};
constexpr Words kNotStored{"der Selbsttest wurde nicht als Referenz der Karte gespeichert: %1",
                           "the self-test was not stored as the card's reference: %1"};
constexpr Words kNotWritten{"das Ergebnis konnte nicht nach %1 geschrieben werden", "cannot write %1"};

// The rates a card offers, in the order the smallest that fits is sought.
constexpr int kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000};

struct Prepared {
    DtLimits limits;
    DtHeader header;
    DtRunSettings run;
    DtPlan plan;
    int expectedSteps = 0;
};

DtPlan planAt(int rate, double referenceLevelDb)
{
    DtPlanSettings plan;
    plan.rate = rate;
    plan.referenceLevelDb = referenceLevelDb;
    return DefaultDtPlan(plan);
}

// A rate the plan's tones or its sweep do not fit: which step, and the
// smallest rate at which the test runs.
QString rateProblem(const DtPlan& plan, double referenceLevelDb)
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    const std::optional<size_t> step = DtFirstUnplayableStep(plan, in, out);
    if (!step)
        return {};
    int least = 0;
    for (int rate : kRates)
        if (!DtFirstUnplayableStep(planAt(rate, referenceLevelDb), rate, rate)) {
            least = rate;
            break;
        }
    const DtStep& unfit = plan.steps[*step];
    return Say(kRateTooLow)
        .arg(std::min(in, out))
        .arg(*step + 1)
        .arg(DtStepText(unfit, CommandLetter()), Say(unfit.sweep ? kSweepUnfit : kTonesAboveHalf))
        .arg(least);
}

// A report written over the file it is compared with, or over the card's
// stored reference, would lose that self-test.
QString outputConflict(const MeasureOptions& o, const DtCardKey& key)
{
    if (o.outFile.isEmpty())
        return {};
    const QString out = QDir::toNativeSeparators(o.outFile);
    if (!o.referenceFile.isEmpty() && SameExistingFile(o.outFile, o.referenceFile))
        return Say(kOutIsReference).arg(out);
    if (SameExistingFile(o.outFile, DtReferenceStore().fileFor(key)))
        return Say(kOutIsStored).arg(out);
    return {};
}

DtHeader composeHeader(const MeasureOptions& o, const AnalyzerState& a, const DtDevices& devices)
{
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
    return ComposeDtHeader(devices, state);
}

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
    const DtDevices devices = CurrentDtDevices();
    p.header = composeHeader(o, a, devices);
    p.plan = planAt(devices.rate, p.header.referenceLevelDbfs);
    p.expectedSteps = DtExpectedSteps(p.plan);
    if (const QString why = rateProblem(p.plan, p.header.referenceLevelDbfs); !why.isEmpty())
        return why;

    const DtCardKey key = DtCardKey::Of(p.header);
    const DtReferenceStore store;
    if (o.storeReference)
        if (const QString conflict = DtStoreConflict(o.replaceReference, key, store); !conflict.isEmpty())
            return conflict;
    if (const QString conflict = outputConflict(o, key); !conflict.isEmpty())
        return conflict;
    DtReferenceChoice choice = ChooseDtReference(o.referenceFile, o.selfTest, key, store);
    if (!choice.error.isEmpty())
        return choice.error;
    if (!choice.warning.isEmpty())
        std::fprintf(stderr, "korvanta-measure: %s\n", qPrintable(choice.warning));

    p.run.rate = devices.rate;
    p.run.inputFullScaleVolts = a.InLev4Cal >= 0 ? a.CalInMv * kVoltsPerCalibrationUnit : 0.0;
    p.run.reference = std::move(choice.reference);
    p.run.letter = CommandLetter();
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
        progress.show(DtProgressLine(step.index, step.step, engine.Estimate(), p.expectedSteps, CommandLetter()));
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
    const QString at = Say(kAtStep).arg(out.last.index + 1).arg(DtStepText(out.last.step, CommandLetter()));
    if (out.failure) {
        const bool output = out.failure->kind == int(DeviceTestEngine::Failure::Output);
        return Say(kFailedAt).arg(at, Say(output ? kOutput : kInput), out.failure->text);
    }
    if (out.refused) {
        // A step refused later (its input clipped however low it was
        // played, a sweep not in its recording) is no check before the run.
        const DtCheck check = procedure.FailedCheck();
        if (check == DtCheck::Passed)
            return Say(kEndedAt).arg(at, out.result.error);
        return Say(kCheckFailed).arg(CheckMessage(check, CommandLetter()));
    }
    if (out.interrupted)
        return Say(kInterrupted).arg(at);
    if (!out.result.complete)
        return Say(kEndedEarly).arg(at, out.result.error);
    return {};
}

// Stores the self-test as the card's reference. The command cannot ask:
// --replace is the answer whether an old one is to go.
QString storeReference(const DeviceTestResult& result, bool replace)
{
    using Replace = DtReferenceStore::Replace;
    DtReferenceStore store;
    QString message;
    if (store.store(result, message, CommandLetter(), replace ? Replace::Yes : Replace::No) ==
        DtReferenceStore::Store::Stored)
        return {};
    return Say(kNotStored).arg(message);
}

// The report where --out names it, else on standard output as the summary
// or, with --json, as JSON. False with the reason when a file could not be
// written.
bool report(const MeasureOptions& o, const Prepared& p, const DeviceTestResult& result, const DtVerdict& verdict,
            CommandResult& r)
{
    const QJsonObject extra{{QStringLiteral("verdict"), DtVerdictJson(verdict)}};
    if (o.outFile.isEmpty()) {
        r.report = o.format == OutputFormat::Json ? QString::fromUtf8(DtResultToJson(result, extra))
                                                  : DtSummaryText(result, verdict, CommandLetter());
        return true;
    }
    // The JSON file carries the verdict as standard output would; the page
    // and the PDF are the report a person reads.
    QString error;
    const bool json = DtReportFormatOf(o.outFile) == DtReportFormat::Json;
    const bool written = json ? WriteResultFile(o.outFile, DtResultToJson(result, extra))
                              : DtSaveReport(result, o.outFile, p.run.letter, error);
    if (!written)
        r.reasons << (error.isEmpty() ? Say(kNotWritten).arg(o.outFile) : error);
    return written;
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
        return {kExitDevice, {}, {Say(kCannotStart).arg(DtCardKeyText(DtCardKey::Of(p.header))).arg(p.header.rate)}};
    if (const QString why = endedEarly(out, procedure); !why.isEmpty())
        return {kExitDevice, {}, {why}};

    CommandResult r;
    if (o.storeReference)
        if (const QString error = storeReference(out.result, o.replaceReference); !error.isEmpty()) {
            r.exitCode = kExitUsage;
            r.reasons << error;
        }
    const DtVerdict verdict = JudgeDeviceTest(out.result, p.limits);
    if (!report(o, p, out.result, verdict, r)) {
        r.exitCode = kExitUsage;
        return r;
    }
    if (!verdict.Pass()) {
        r.reasons << verdict.Failures();
        if (r.exitCode == kExitPass)
            r.exitCode = kExitFail;
    }
    return r;
}

} // namespace korvanta
