#pragma once
// Shared by the impulse response's engine tests on the virtual card and on
// a sound server: one run driven to its end, with what it said.

#include "correction/CorrectionTable.h"
#include "ir/IrEngine.h"
#include "tests/support/EngineContract.h"

#include <QString>
#include <gtest/gtest.h>

namespace korvanta::irtest {


// What a run ended with.
struct EngineRun {
    bool started = false;
    bool stopped = false;
    QString startRefusal;
    QStringList refusals;
    std::vector<IrMeasurement> measured;
    std::vector<EngineEvent> events;
};

// Starts `engine` with `settings` and waits for its end (recording the
// contract's events in `r`, which the caller may arm).
inline EngineRun RunEngine(IrEngine& engine, EngineRecorder& r, const IrSettings& settings, char letter = 'E')
{
    EngineRun run;
    QObject::connect(&engine, &IrEngine::refused, [&run](const QString& m) { run.refusals << m; });
    QObject::connect(&engine, &IrEngine::measured, [&run](const IrMeasurement& m) { run.measured.push_back(m); });
    run.started = engine.Start(settings, letter);
    run.startRefusal = engine.StartRefusal();
    if (run.started)
        run.stopped = r.waitStopped();
    run.events = r.events();
    QObject::disconnect(&engine, &IrEngine::refused, nullptr, nullptr);
    QObject::disconnect(&engine, &IrEngine::measured, nullptr, nullptr);
    return run;
}

// A run that ended by itself or by a stop: no failure, and progress in
// percent of the sweeps recorded, never going back, 99 once all is
// recorded and 100 with the result alone.
inline void ExpectCleanIrRun(const EngineRecorder& r, const char* name)
{
    ExpectOneRun(r, name);
    EXPECT_EQ(r.count(EngineEvent::Failed), 0) << name;
    int last = -1;
    for (const EngineEvent& e : r.progress()) {
        EXPECT_EQ(e.total, 100) << name;
        EXPECT_GT(e.done, last) << name << ": progress went back";
        last = e.done;
    }
    EXPECT_EQ(last == 100, r.count(EngineEvent::Result) == 1) << name;
}

// A 1 s sweep at the engine's default band for `rate`.
inline IrSettings Settings(int rate, double seconds = 1.0, int count = 1)
{
    IrSettings s;
    s.sweep = DefaultSweep(rate);
    s.sweep.seconds = seconds;
    s.sweep.count = count;
    return s;
}

// The fraction of a latency in samples from the nearest whole number.
inline double FromWhole(double samples) { return samples - std::round(samples); }

} // namespace korvanta::irtest
