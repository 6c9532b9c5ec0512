// spectrum, thdn and level: one single run of the analyzer engine, set up
// from the settings file and the options as the analyzer page would be;
// with --play, while the generator's engine plays a sine on the output, as
// the generator window plays beside the analyzer.

#include "cli/Commands.h"

#include "analysis/AnalysisSettings.h"
#include "correction/CorrectionTable.h"
#include "measure/AnalyzerEngine.h"
#include "cli/CommandLanguage.h"
#include "cli/GeneratorStart.h"
#include "cli/Limits.h"
#include "cli/MeasureReport.h"
#include "cli/MeasureSession.h"
#include "audio/Soundd3.h"
#include "analysis/WeightingCurves.h"
#include "measure/samplemem.h"
#include "generator/GeneratorEngine.h"
#include "platform/DeviceLog.h"
// Last: its read-out function LevelReadout would hide the sweep's record of
// that name from the headers above.
#include "measure/AnalyzerLogic.h"

#include <QEventLoop>
#include <QTimer>
#include <cmath>
#include <memory>

namespace korvanta {

namespace {

constexpr int kSingleRun = 0;
// From the tone's start to the first block: the output's buffer and the
// sound server in front of the card, which may hold a few hundred ms, and
// the device under test's own settling, so that no block records the
// tone's start or the silence before it.
constexpr int kPlaySettleMs = 500;

constexpr Words kAverage{"Mittelwert %1 von %2", "average %1 of %2"};
constexpr Words kCannotStart{"die Aufnahme kann nicht starten: %1", "the recording cannot start: %1"};
constexpr Words kInputFailed{"der Eingang fiel aus: %1", "the input failed: %1"};
constexpr Words kNoBlock{"der Eingang lieferte keinen Block", "the input delivered no block"};
constexpr Words kNoWorkArrays{"die Arbeitsspeicher können nicht angelegt werden", "the work arrays cannot be allocated"};

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
    std::optional<EngineFailure> toneFailure;
};

// The tone of --play, from before the first block to after the last.
class Tone {
public:
    Tone(const MeasureOptions& o, MeasuringRecords& r) : record_(GeneratorRecordFor(o, r.generator))
    {
        record_.mode = kGeneratorSine;
        record_.frequency = static_cast<float>(*o.playFrequency);
        engine_ = std::make_unique<GeneratorEngine>(record_, r.outputCorrection);
        QObject::connect(engine_.get(), &GeneratorEngine::failed, [this](const EngineFailure& f) { failure_ = f; });
    }
    ~Tone() { engine_->Stop(); }

    // Plays it and waits `settleMs` (a failure of the output meanwhile ends
    // the wait). Returns the reasons it does not play, with their status.
    CommandResult start(int settleMs)
    {
        const qsizetype logged = devlog::Lines().size();
        if (engine_->Start() != 0)
            return GeneratorStartFailed(record_, failure_.value_or(EngineFailure{}), logged);
        QEventLoop wait;
        QTimer::singleShot(settleMs, &wait, &QEventLoop::quit);
        QObject::connect(engine_.get(), &GeneratorEngine::failed, &wait, &QEventLoop::quit);
        wait.exec();
        if (failure_)
            return {kExitDevice, {}, {GeneratorPlayFailed(*failure_)}};
        return {};
    }
    GeneratorEngine& engine() { return *engine_; }
    PlayedTone played() const
    {
        const GeneratorResult& r = engine_->Result();
        return {r.frequency, r.levelLeft, r.levelRight};
    }

private:
    GeneratorSettings record_;
    std::unique_ptr<GeneratorEngine> engine_;
    std::optional<EngineFailure> failure_;
};

Measured measure(const MeasureOptions& o, TAnalyzerEngine& engine, Tone* tone, CommandResult& result)
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
    // A tone that stops mid-run leaves blocks without it: no reading.
    if (tone)
        QObject::connect(&tone->engine(), &GeneratorEngine::failed, &engine, [&](const EngineFailure& f) {
            m.toneFailure = f;
            engine.Stop();
            loop.quit();
        });
    if (count > 1)
        QObject::connect(&engine, &TAnalyzerEngine::averagesLeft, [&](int left) {
            if (left < count)
                progress.show(Say(kAverage).arg(count - left).arg(count));
        });
    const int rc = engine.Start();
    if (rc != 0) {
        result.exitCode = kExitDevice;
        result.reasons << Say(kCannotStart).arg(SoundErrorText(rc));
        return m;
    }
    ExitIfTimingStartUp();
    loop.exec();
    if (m.toneFailure) {
        result.exitCode = kExitDevice;
        result.reasons << GeneratorPlayFailed(*m.toneFailure);
    } else if (m.failure != 0) {
        result.exitCode = kExitDevice;
        result.reasons << Say(kInputFailed).arg(SoundErrorText(m.failure));
    } else if (!m.spectrum) {
        result.exitCode = kExitDevice;
        result.reasons << Say(kNoBlock);
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

AnalyzerRun describe(const AnalyzerSpectrum& s, TAnalyzerEngine& engine, const std::optional<PlayedTone>& play)
{
    AnalyzerRun run;
    run.play = play;
    run.spectrum = s;
    run.window = WindowOptionNames().value(engine.State().FFTwin);
    run.averages = engine.State().AverCount;
    run.bandLow = engine.Analysis().bandLow;
    run.bandHigh = engine.Analysis().bandHigh;
    run.filter = engine.Analysis().filterName;
    return run;
}

void report(const MeasureOptions& o, const AnalyzerSpectrum& s, TAnalyzerEngine& engine,
            const std::optional<PlayedTone>& play, CommandResult& result)
{
    const RunContext ctx = CurrentContext(CommandName(o.command), true, play.has_value());
    const AnalyzerRun run = describe(s, engine, play);
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
    default: result.report = ReportSpectrum(describe(inRunRange(s), engine, play), ctx, o.format); break;
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
        result.reasons << Say(kNoWorkArrays);
        return result;
    }
    MeasuringRecords& r = session.Records();
    std::unique_ptr<Tone> tone;
    if (o.playFrequency) {
        tone = std::make_unique<Tone>(o, r);
        if (CommandResult refused = tone->start(o.settleMs.value_or(kPlaySettleMs)); !refused.reasons.isEmpty()) {
            FreeWorkArrays(a);
            return refused;
        }
    }
    TAnalyzerEngine engine(a, r.analysis, r.weighting, r.inputCorrection);
    setUpAnalyzer(o, engine);
    setUpAnalysis(o, engine, r.weighting);
    const Measured m = measure(o, engine, tone.get(), result);
    const std::optional<PlayedTone> played = tone ? std::optional(tone->played()) : std::nullopt;
    if (m.spectrum && result.exitCode == kExitPass)
        report(o, *m.spectrum, engine, played, result);
    a.AnalyzerActive = false;
    FreeWorkArrays(a);
    return result;
}

} // namespace korvanta
