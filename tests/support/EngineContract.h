#pragma once
// What every measuring engine promises whoever drives it, checked alike for
// each: the signals of one run, recorded as a list of events in the order
// they came. A run opens with started() and closes with stopped(); results
// and their progress come in between; a device fault is one failed() with
// its kind, code and that code's text, followed by stopped(); after
// stopped() nothing comes.

#include "audio/MeasuringEngine.h"
#include "audio/Soundd3.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

using namespace korvanta;

struct EngineEvent {
    enum Kind { Started, Result, Progress, Failed, Stopped };
    Kind kind = Started;
    int done = 0;
    int total = 0;
    EngineFailure failure = {};
};

// How long a run on the fast virtual card may take at most; a bound for a
// hung engine, never a measured time.
inline constexpr int kEngineRunTimeoutMs = 20000;
// Events are pumped this long after stopped() to see that nothing follows.
inline constexpr int kQuietAfterStopMs = 200;

class EngineRecorder {
public:
    // Records `engine`'s contract signals and its result signal.
    template <class Engine, class Signal> EngineRecorder(Engine& engine, Signal resultSignal)
    {
        QObject::connect(&engine, &MeasuringEngine::started, [this] { add({EngineEvent::Started}); });
        QObject::connect(&engine, &MeasuringEngine::stopped, [this] { add({EngineEvent::Stopped}); });
        QObject::connect(&engine, &MeasuringEngine::progress, [this](int done, int total) {
            add({EngineEvent::Progress, done, total});
        });
        QObject::connect(&engine, &MeasuringEngine::failed, [this](const EngineFailure& f) {
            add({EngineEvent::Failed, 0, 0, f});
        });
        QObject::connect(&engine, resultSignal, [this] {
            add({EngineEvent::Result});
            if (onResult_) {
                // Once: the action may itself lead to more results.
                auto action = std::move(onResult_);
                onResult_ = nullptr;
                action();
            }
        });
    }

    // Runs `action` inside the first result's signal (a fault injected or a
    // stop asked for at a known point of the run).
    void atFirstResult(std::function<void()> action) { onResult_ = std::move(action); }

    const std::vector<EngineEvent>& events() const { return events_; }
    int count(EngineEvent::Kind kind) const
    {
        int n = 0;
        for (const EngineEvent& e : events_)
            n += e.kind == kind;
        return n;
    }
    std::vector<EngineEvent> progress() const
    {
        std::vector<EngineEvent> out;
        for (const EngineEvent& e : events_)
            if (e.kind == EngineEvent::Progress)
                out.push_back(e);
        return out;
    }

    // Waits for stopped(), then lets the event loop run on a while so that
    // anything the engine still sends is recorded.
    bool waitStopped()
    {
        const bool ok = QTest::qWaitFor([this] { return count(EngineEvent::Stopped) > 0; }, kEngineRunTimeoutMs);
        QTest::qWait(kQuietAfterStopMs);
        return ok;
    }

private:
    void add(const EngineEvent& e) { events_.push_back(e); }

    std::vector<EngineEvent> events_;
    std::function<void()> onResult_;
};

// One run: started() first and once, stopped() last and once.
inline void ExpectOneRun(const EngineRecorder& r, const char* name)
{
    const auto& ev = r.events();
    ASSERT_FALSE(ev.empty()) << name;
    EXPECT_EQ(ev.front().kind, EngineEvent::Started) << name;
    EXPECT_EQ(ev.back().kind, EngineEvent::Stopped) << name << ": something came after stopped()";
    EXPECT_EQ(r.count(EngineEvent::Started), 1) << name;
    EXPECT_EQ(r.count(EngineEvent::Stopped), 1) << name;
}

// A run that ended by itself or by a stop: no failure, and progress counts
// the results one by one against `total`.
inline void ExpectCleanRun(const EngineRecorder& r, int total, const char* name)
{
    ExpectOneRun(r, name);
    EXPECT_EQ(r.count(EngineEvent::Failed), 0) << name;
    const auto p = r.progress();
    ASSERT_EQ(int(p.size()), r.count(EngineEvent::Result)) << name << ": one progress per result";
    for (size_t i = 0; i < p.size(); ++i) {
        EXPECT_EQ(p[i].done, int(i) + 1) << name;
        EXPECT_EQ(p[i].total, total) << name;
    }
}

// A run ended by a device fault: one failed() with `kind` and `code` and
// the code's text, right before the closing stopped().
inline void ExpectFailedRun(const EngineRecorder& r, int kind, int code, const char* name)
{
    ExpectOneRun(r, name);
    const auto& ev = r.events();
    ASSERT_EQ(r.count(EngineEvent::Failed), 1) << name;
    ASSERT_GE(ev.size(), 2u) << name;
    const EngineEvent& f = ev[ev.size() - 2];
    ASSERT_EQ(f.kind, EngineEvent::Failed) << name << ": failed() is not followed by stopped()";
    EXPECT_EQ(f.failure.kind, kind) << name;
    EXPECT_EQ(f.failure.code, code) << name;
    EXPECT_FALSE(f.failure.text.isEmpty()) << name;
    EXPECT_EQ(f.failure.text, SoundErrorText(code)) << name;
}

// One device-fault case of an engine that plays and records: `fault` is
// injected on the virtual card before the start or at the first result and
// kept until the run has ended (an output fault strikes only after the tone
// played a while); `start` begins the run. The run must end with that
// failure, with results only when the fault came after the first one, and
// with nothing left playing.
inline void ExpectFaultEndsRun(EngineRecorder& r, const MeasuringEngine& engine, VirtualFault fault,
                               bool atFirstResult, int kind, int code, const char* name,
                               const std::function<void()>& start)
{
    constexpr int kUntilCleared = -1;
    VirtualCard& card = VirtualCard::instance();
    if (atFirstResult)
        r.atFirstResult([&card, fault] { card.injectFault(fault, 0, kUntilCleared); });
    else
        card.injectFault(fault, 0, kUntilCleared);
    start();
    ASSERT_TRUE(r.waitStopped()) << name;
    card.clearFaults();
    ExpectFailedRun(r, kind, code, name);
    if (atFirstResult)
        EXPECT_GE(r.count(EngineEvent::Result), 1) << name;
    else
        EXPECT_EQ(r.count(EngineEvent::Result), 0) << name;
    EXPECT_FALSE(engine.Running()) << name;
    EXPECT_FALSE(IsPlaying()) << name;
}
