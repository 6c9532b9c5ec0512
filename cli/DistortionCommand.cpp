// distortion: the distortion engine on the distortion window's plan (its
// settings section, only read) with the options' changes; THD+N limits up
// to a power and a least clip power judge the run.

#include "cli/Commands.h"

#include "distortion/DistortionSection.h"
#include "distortion/DistortionText.h"
#include "cli/CommandLanguage.h"
#include "platform/LevelConventions.h"
#include "cli/MeasureReport.h"
#include "cli/MeasureSession.h"
#include "scope/ScopeEngine.h"
#include "audio/Soundd3.h"
#include "measure/samplemem.h"

#include <QEventLoop>
#include <algorithm>

namespace korvanta {

namespace {

constexpr Words kToDb{"--to-db muss über --from-db liegen", "--to-db must lie above --from-db"};
constexpr Words kTo{"--to muss über --from liegen", "--to must lie above --from"};
constexpr Words kStep{"Schritt %1, %2 dBFS, %3 Hz", "step %1, %2 dBFS, %3 Hz"};
constexpr Words kNoSignal{"%1 dBFS, %2 Hz: kein Signal am Eingang", "%1 dBFS, %2 Hz: no signal at the input"};
constexpr Words kAbove{"THD+N %1 dB bei %2 W (%3 dBFS, %4 Hz) liegt über %5 dB",
                       "THD+N %1 dB at %2 W (%3 dBFS, %4 Hz) lies above %5 dB"};
constexpr Words kClipBelow{"THD+N erreicht 1 Prozent bei %1 W, unter %2 W",
                           "THD+N reaches 1 percent at %1 W, below %2 W"};
constexpr Words kFailedAt{"der Verzerrungslauf fiel am %1 aus: %2", "the distortion run failed at %1: %2"};
constexpr Words kAtOutput{"Ausgang", "the output"};
constexpr Words kAtInput{"Eingang", "the input"};

// The window's plan with what the options change; an error text for a plan
// that cannot run.
QString setUpPlan(const MeasureOptions& o, float calInMv, DistortionSettings& s)
{
    if (o.over)
        s.sweep = *o.over == 1 ? DistortionSweep::Frequency : DistortionSweep::Level;
    s.levels.startDb = o.fromDb.value_or(s.levels.startDb);
    s.levels.stopDb = o.toDb.value_or(s.levels.stopDb);
    if (o.linearLevels)
        s.levels.spacing = *o.linearLevels ? LevelSpacing::Linear : LevelSpacing::Decibel;
    s.levels.limitPercent = o.stopThdn.value_or(s.levels.limitPercent);
    s.frequency = o.frequency.value_or(s.frequency);
    s.fromHz = o.from.value_or(int(s.fromHz));
    s.toHz = o.to.value_or(int(s.toHz));
    if (o.steps)
        s.levels.steps = s.frequencySteps = *o.steps;
    s.fixedLevelDb = o.level.value_or(s.fixedLevelDb);
    s.channel = o.channel.value_or(s.channel);
    s.scale.loadOhms = o.loadOhms.value_or(s.scale.loadOhms);
    s.scale.divider = o.divider.value_or(s.scale.divider);
    s.settleMs = o.settleMs.value_or(s.settleMs);
    // Volts follow the input calibration of the settings file, as in the window.
    s.scale.voltsAtFullScale = calInMv * kVoltsPerCalibrationUnit;
    if (s.sweep == DistortionSweep::Level && s.levels.stopDb <= s.levels.startDb)
        return Say(kToDb);
    if (s.sweep == DistortionSweep::Frequency && s.toHz <= s.fromHz)
        return Say(kTo);
    return {};
}

struct Collected {
    DistortionRun run;
    int failure = 0;
    bool outputFailed = false;
};

void collect(const MeasureOptions& o, const DistortionSettings& s, const MeasuringRecords& r, Collected& c)
{
    TDistortionEngine engine(r.analysis, r.weighting, r.outputCorrection);
    QEventLoop loop;
    Progress progress(o.quiet);
    QObject::connect(&engine, &TDistortionEngine::stepStarting, [&](int index, double level, double hz) {
        progress.show(Say(kStep).arg(index + 1).arg(level, 0, 'f', 1).arg(hz, 0, 'f', 1));
    });
    QObject::connect(&engine, &TDistortionEngine::pointReady, [&](const DistortionPoint& p) {
        auto& points = c.run.points;
        // In order of level, as the window's table shows a run over level.
        const auto at = s.sweep == DistortionSweep::Level
            ? std::find_if(points.begin(), points.end(), [&p](const DistortionPoint& q) { return q.levelDb > p.levelDb; })
            : points.end();
        points.insert(at, p);
    });
    QObject::connect(&engine, &TDistortionEngine::finished, [&](bool atLimit) { c.run.stoppedAtLimit = atLimit; });
    QObject::connect(&engine, &TDistortionEngine::failed, [&](const EngineFailure& f) {
        c.failure = f.code;
        c.outputFailed = f.kind == static_cast<int>(TDistortionEngine::Failure::FrequencyOutput);
    });
    QObject::connect(&engine, &TDistortionEngine::stopped, &loop, &QEventLoop::quit);
    if (!engine.Start(s)) {
        c.failure = MMSYSERR_BADDEVICEID;
        return;
    }
    loop.exec();
}

// Rows whose tone the input did not record at all: a dead amplifier reads
// -192 dB everywhere, which every THD+N limit would pass.
QStringList noSignalLines(const DistortionRun& run)
{
    int inBits = 0, outBits = 0;
    GetBits(inBits, outBits);
    QStringList lines;
    for (const DistortionPoint& p : run.points)
        if (p.m.fundamentalAmplitude < HalfInputStep(inBits))
            lines << Say(kNoSignal).arg(p.levelDb, 0, 'f', 2).arg(p.frequency, 0, 'f', 1);
    return lines;
}

Verdict judge(const MeasureOptions& o, const DistortionRun& run)
{
    Verdict v;
    v.checked = o.maxThdn.has_value() || o.minClipWatts.has_value();
    if (v.checked)
        v.failures << noSignalLines(run);
    if (o.maxThdn) {
        for (const DistortionPoint& p : run.points) {
            if (o.upToWatts && p.watts > *o.upToWatts)
                continue;
            if (p.m.thdnDb > *o.maxThdn)
                v.failures << Say(kAbove)
                                  .arg(p.m.thdnDb, 0, 'f', 2)
                                  .arg(p.watts, 0, 'g', 4)
                                  .arg(p.levelDb, 0, 'f', 2)
                                  .arg(p.frequency, 0, 'f', 1)
                                  .arg(*o.maxThdn);
        }
    }
    if (o.minClipWatts && run.clip1Watts && *run.clip1Watts < *o.minClipWatts)
        v.failures << Say(kClipBelow).arg(*run.clip1Watts, 0, 'g', 4).arg(*o.minClipWatts);
    return v;
}

} // namespace

CommandResult RunDistortion(const MeasureOptions& o, MeasureSession& session)
{
    DistortionWindowState state;
    ReadDistortionSection(state, session.SettingsPath());
    DistortionSettings s = state.run;
    if (const QString error = setUpPlan(o, session.Records().analyzer.CalInMv, s); !error.isEmpty())
        return {kExitUsage, {}, {error}};
    Collected c;
    c.run.overFrequency = s.sweep == DistortionSweep::Frequency;
    collect(o, s, session.Records(), c);
    if (c.failure != 0) {
        const QString where = Say(c.outputFailed ? kAtOutput : kAtInput);
        return {kExitDevice, {}, {Say(kFailedAt).arg(where, SoundErrorText(c.failure))}};
    }
    if (!c.run.overFrequency) {
        c.run.clip1Watts = ClipPointWatts(c.run.points, 1.0);
        c.run.clip10Watts = ClipPointWatts(c.run.points, 10.0);
    }
    const Verdict v = judge(o, c.run);
    CommandResult result;
    result.report = ReportDistortion(c.run, CurrentContext(QStringLiteral("distortion"), true, true), v, o.format);
    if (!v.pass()) {
        result.exitCode = kExitFail;
        result.reasons << v.failures;
    }
    // Without a limit nothing fails, but a silent input is still said.
    if (!v.checked)
        result.reasons << noSignalLines(c.run);
    return result;
}

} // namespace korvanta
