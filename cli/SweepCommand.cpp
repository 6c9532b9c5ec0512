// sweep: the sweep engine on the settings file's plan with the options'
// changes, every point collected; a tolerance band judges them. A point
// where a channel heard nothing fails any band, and is named on standard
// error without one.

#include "cli/Commands.h"

#include "generator/GeneratorSection.h"
#include "cli/CommandLanguage.h"
#include "cli/Limits.h"
#include "cli/MeasureReport.h"
#include "cli/MeasureSession.h"
#include "audio/Soundd3.h"
#include "generator/SweepEngine.h"
#include "generator/SweepSettings.h"

#include <QEventLoop>

namespace korvanta {

namespace {

constexpr Words kPoint{"Punkt %1 von %2, %3 Hz", "point %1 of %2, %3 Hz"};
constexpr Words kFailedAt{"der Sweep fiel bei %1 Hz aus: %2", "the sweep failed at %1 Hz: %2"};
constexpr Words kEndedAt{"der Sweep endete bei %1 Hz: über der halben Abtastrate",
                         "the sweep ended at %1 Hz: above half the sample rate"};

void setUpPlan(const MeasureOptions& o, SweepSettings& s)
{
    s.fromFrequency = o.from.value_or(s.fromFrequency);
    s.toFrequency = o.to.value_or(s.toFrequency);
    s.steps = o.steps.value_or(s.steps);
    s.linear = o.linear.value_or(s.linear);
    s.mode = o.mode.value_or(s.mode);
    s.phaseOn = o.phase.value_or(s.phaseOn);
    if (o.level)
        s.digitalLevel = static_cast<float>(*o.level);
    s.settleMs = o.settleMs.value_or(s.settleMs);
}

struct Collected {
    SweepRun run;
    int failure = 0;
    float lastFrequency = 0.0f;
};

void collect(const MeasureOptions& o, TSweepEngine& engine, int points, Collected& c)
{
    QEventLoop loop;
    Progress progress(o.quiet);
    QObject::connect(&engine, &TSweepEngine::pointReady, [&](const SweepPoint& p) {
        c.run.points.push_back(p);
        progress.show(Say(kPoint).arg(c.run.points.size()).arg(points).arg(PointText(p.frequency)));
    });
    QObject::connect(&engine, &TSweepEngine::frequencyShown, [&](float f) { c.lastFrequency = f; });
    QObject::connect(&engine, &TSweepEngine::nyquistStop, [&] { c.run.complete = false; });
    QObject::connect(&engine, &TSweepEngine::failed, [&](const EngineFailure& f) { c.failure = f.code; });
    QObject::connect(&engine, &TSweepEngine::stopped, &loop, &QEventLoop::quit);
    engine.Start();
    loop.exec();
}

} // namespace

CommandResult RunSweep(const MeasureOptions& o, MeasureSession& session)
{
    CommandResult result;
    ToleranceBand band;
    if (!o.toleranceFile.isEmpty()) {
        BandParse parsed = LoadToleranceBand(o.toleranceFile);
        if (!parsed.error.isEmpty())
            return {kExitUsage, {}, {parsed.error}};
        band = std::move(parsed.band);
    }
    SweepSettings& s = session.Records().sweep;
    setUpPlan(o, s);
    TSweepEngine engine(s, session.Records().inputCorrection, session.Records().outputCorrection);
    engine.SetGenerator(&session.Records().generator);
    Collected c;
    c.run.mode = s.mode;
    c.run.phaseOn = s.phaseOn;
    collect(o, engine, s.steps + 1, c);
    if (c.failure != 0) {
        result.exitCode = kExitDevice;
        result.reasons << Say(kFailedAt).arg(PointText(c.lastFrequency), SoundErrorText(c.failure));
        return result;
    }
    Verdict v;
    if (!o.toleranceFile.isEmpty())
        v = CheckSweep(c.run, band);
    result.report = ReportSweep(c.run, CurrentContext(QStringLiteral("sweep"), true, true), v, o.format);
    if (!c.run.complete) {
        result.exitCode = kExitUsage;
        result.reasons << Say(kEndedAt).arg(PointText(c.lastFrequency));
    } else if (!v.pass()) {
        result.exitCode = kExitFail;
        result.reasons << v.failures;
    }
    // Without a limit nothing fails, but a silent channel is still said.
    if (!v.checked)
        result.reasons << NoSignalLines(c.run);
    return result;
}

} // namespace korvanta
