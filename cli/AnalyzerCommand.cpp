// spectrum, thdn and level: one single run of the analyzer engine, set up
// from the settings file and the options as the analyzer page would be.

#include "cli/Commands.h"

#include "analysis/AnalysisSettings.h"
#include "correction/CorrectionTable.h"
#include "measure/AnalyzerEngine.h"
#include "cli/Limits.h"
#include "cli/MeasureReport.h"
#include "cli/MeasureSession.h"
#include "audio/Soundd3.h"
#include "analysis/WeightingCurves.h"
#include "measure/samplemem.h"
// Last: its read-out function LevelReadout would hide the sweep's record of
// that name from the headers above.
#include "measure/AnalyzerLogic.h"

#include <QEventLoop>
#include <cmath>

namespace korvanta {

namespace {

constexpr int kSingleRun = 0;

void setUpAnalyzer(const MeasureOptions& o, TAnalyzerEngine& engine)
{
    AnalyzerState& a = engine.State();
    a.Running = false;
    a.RunMode = kSingleRun;
    a.LeftOn = o.leftOn.value_or(true);
    a.RightOn = o.rightOn.value_or(true);
    if (o.window)
        a.FFTwin = *o.window;
    engine.SetFftSize(o.fftPoints.value_or(a.FFTpoints));
    a.AverCount = std::max(1, o.averages.value_or(a.AverCount));
    if (o.unit)
        a.LevelUnit = static_cast<uint8_t>(*o.unit);
    a.AnalyzerActive = true;
}

void setUpAnalysis(const MeasureOptions& o, TAnalyzerEngine& engine, CorrectionTable& weighting)
{
    AnalysisSettings& an = engine.Analysis();
    an.thdOn = o.command == Command::Thdn;
    an.levelOn = o.command == Command::Level;
    if (o.bandLow && o.bandHigh) {
        an.bandLow = *o.bandLow;
        an.bandHigh = *o.bandHigh;
    }
    if (o.weighting)
        SelectFilter(an, weighting, *o.weighting);
    if (o.fundamental) {
        an.fundamentalAuto = *o.fundamental == 0.0;
        if (!an.fundamentalAuto)
            an.fundamental = *o.fundamental;
    }
    if (o.thresholdDb)
        an.fundamentalThreshold = std::pow(10.0, *o.thresholdDb / 20.0);
}

struct Measured {
    std::optional<AnalyzerSpectrum> spectrum;
    int failure = 0;
};

Measured measure(const MeasureOptions& o, TAnalyzerEngine& engine, CommandResult& result)
{
    Measured m;
    QEventLoop loop;
    Progress progress(o.quiet);
    const int count = engine.State().AverCount;
    QObject::connect(&engine, &TAnalyzerEngine::spectrumReady, [&](const AnalyzerSpectrum& s) { m.spectrum = s; });
    QObject::connect(&engine, &MeasuringEngine::failed, [&](const EngineFailure& f) { m.failure = f.code; });
    QObject::connect(&engine, &TAnalyzerEngine::runningChanged, [&](bool running) {
        if (!running)
            loop.quit();
    });
    if (count > 1)
        QObject::connect(&engine, &TAnalyzerEngine::averagesLeft, [&](int left) {
            if (left < count)
                progress.show(QStringLiteral("average %1 of %2").arg(count - left).arg(count));
        });
    const int rc = engine.Start();
    if (rc != 0) {
        result.exitCode = kExitDevice;
        result.reasons << QStringLiteral("the recording cannot start: %1").arg(SoundErrorText(rc));
        return m;
    }
    ExitIfTimingStartUp();
    loop.exec();
    if (m.failure != 0) {
        result.exitCode = kExitDevice;
        result.reasons << QStringLiteral("the input failed: %1").arg(SoundErrorText(m.failure));
    } else if (!m.spectrum) {
        result.exitCode = kExitDevice;
        result.reasons << QStringLiteral("the input delivered no block");
    }
    return m;
}

// The bins of the run's frequency range, the ones the diagram's text
// export writes (the DC bin and those below the run's lowest frequency are
// left out).
AnalyzerSpectrum inRunRange(const AnalyzerSpectrum& s)
{
    const RunRange range = RunFrequencyRange(s.sampleRate, s.fftPoints);
    AnalyzerSpectrum r = s;
    r.frequency.clear();
    r.left.clear();
    r.right.clear();
    for (size_t i = 0; i < s.frequency.size(); ++i) {
        const double f = s.frequency[i];
        if (range.xmin <= f && f <= range.xmax) {
            r.frequency.push_back(s.frequency[i]);
            r.left.push_back(s.left[i]);
            r.right.push_back(s.right[i]);
        }
    }
    return r;
}

AnalyzerRun describe(const AnalyzerSpectrum& s, TAnalyzerEngine& engine)
{
    AnalyzerRun run;
    run.spectrum = s;
    run.window = WindowOptionNames().value(engine.State().FFTwin);
    run.averages = engine.State().AverCount;
    run.bandLow = engine.Analysis().bandLow;
    run.bandHigh = engine.Analysis().bandHigh;
    run.filter = engine.Analysis().filterName;
    return run;
}

void report(const MeasureOptions& o, const AnalyzerSpectrum& s, TAnalyzerEngine& engine, CommandResult& result)
{
    const RunContext ctx = CurrentContext(CommandName(o.command), true, false);
    const AnalyzerRun run = describe(s, engine);
    Verdict v;
    switch (o.command) {
    case Command::Thdn:
        v = CheckThdn(s, o.maxThdn);
        result.report = ReportThdn(run, ctx, v, o.format);
        break;
    case Command::Level:
        v = CheckLevel(s, o.minLevel, o.maxLevel);
        result.report = ReportLevel(run, ctx, v, o.format);
        break;
    default: result.report = ReportSpectrum(describe(inRunRange(s), engine), ctx, o.format); break;
    }
    if (!v.pass()) {
        result.exitCode = kExitFail;
        result.reasons << v.failures;
    }
}

} // namespace

CommandResult RunAnalyzer(const MeasureOptions& o, MeasureSession& session)
{
    CommandResult result;
    AnalyzerState& a = session.Records().analyzer;
    if (!AllocateWorkArrays(a)) {
        result.exitCode = kExitDevice;
        result.reasons << QStringLiteral("the work arrays cannot be allocated");
        return result;
    }
    MeasuringRecords& r = session.Records();
    TAnalyzerEngine engine(a, r.analysis, r.weighting, r.inputCorrection);
    setUpAnalyzer(o, engine);
    setUpAnalysis(o, engine, r.weighting);
    const Measured m = measure(o, engine, result);
    if (m.spectrum && result.exitCode == kExitPass)
        report(o, *m.spectrum, engine, result);
    a.AnalyzerActive = false;
    FreeWorkArrays(a);
    return result;
}

} // namespace korvanta
