// The impulse response's run on the virtual card, with only a
// QCoreApplication: the delay and polarity the card's device under test
// gives come back, the reference mode takes out what both channels share,
// averaged sweeps work, a bad set-up is refused with its text and no
// curve, a stop leaves nothing playing and no result, a device fault ends
// the run with failed(), and every run keeps the engines' contract.
//
// Where the delay comes from: the recorder marks the sweep's first frame
// with the frames it has read when that frame is handed to the output.
// The virtual card then hears it behind the silence still queued between
// its output and its input (at most a twentieth of a second) and the read
// in progress (at most the recorder's 1024 frames) and the silence the
// output has read but not yet written (at most 256 frames), so a run
// measures the card's delay plus a whole number of frames of that path,
// 0 … 3680 at 48 kHz, which differs from run to run with the threads'
// timing (0, 512, 1024, 2304 and 2560 were seen). The fraction of the
// delay is the card's alone, and in the reference mode, where both
// channels share the path, the difference of their delays is exact.
#include "tests/audio/AudioTestSupport.h"
#include "tests/ir/IrEngineSupport.h"
#include "tests/ir/IrRecording.h"

#include "audio/OutputOwner.h"
#include "generator/SweepEngine.h"
#include "ir/IrResponse.h"

#include <QTimer>
#include <memory>

using namespace korvanta;
using namespace korvanta::irtest;

namespace {

constexpr int kRate = 48000;
// The path's whole frames beyond the card's delay (see above).
constexpr double kPathFramesMax = kRate / 20 + 1024 + 256;
constexpr double kDelayTolerance = 0.05; // samples

class IrEngineTest : public VirtualLayerTest {
protected:
    void SetUp() override
    {
        VirtualLayerTest::SetUp();
        // The sweep's own quantisation far below what is asserted.
        SetBits(24, 24);
    }
    void expectGivenBack(const IrEngine& engine)
    {
        EXPECT_FALSE(engine.Running());
        EXPECT_FALSE(VirtualCard::instance().outputOpen()) << "nothing plays on the card";
        EXPECT_FALSE(OutputOwner::Instance().MeasurementOwns());
    }
    EngineRun run(const char* dut, const IrSettings& settings, char letter = 'E')
    {
        VirtualCard::instance().setDut(Dut(QString::fromLatin1(dut)));
        IrEngine engine(in_, out_);
        EngineRecorder r(engine, &IrEngine::measured);
        EngineRun result = RunEngine(engine, r, settings, letter);
        EXPECT_TRUE(result.started) << result.startRefusal.toStdString();
        EXPECT_TRUE(result.stopped);
        expectGivenBack(engine);
        return result;
    }

    CorrectionTable in_;
    CorrectionTable out_;
};

IrSettings Reference(IrSettings s)
{
    s.referenceMode = true;
    return s;
}

// Each good run: one result, progress to 100 %, and the delay and polarity
// the card was set to, through the path's whole frames or, in the
// reference mode, between the channels alone.
TEST_F(IrEngineTest, TheCardsDelayAndPolarityComeBack)
{
    struct Case {
        const char* dut;
        IrSettings settings;
        double delay;   // the card's, samples
        bool reference; // the delay between the channels: no path frames
        bool inverted;
    };
    const Case cases[] = {
        {"delay=10.37", Settings(kRate), 10.37, false, false},
        {"delay=250.81", Settings(kRate), 250.81, false, false},
        {"delay=10.37 invl=1", Settings(kRate), 10.37, false, true},
        {"delay=10.37", Reference(Settings(kRate)), 0.0, true, false},
        {"delayl=10.37 delayr=0", Reference(Settings(kRate)), 10.37, true, false},
        {"delayl=3.5 delayr=20.25", Reference(Settings(kRate)), -16.75, true, false},
        {"delay=10.37 noise=-80", Settings(kRate, 1.0, 4), 10.37, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dut << (c.reference ? " reference" : "") << " count "
                                        << c.settings.sweep.count);
        VirtualCard::instance().setDut(Dut(QString::fromLatin1(c.dut)));
        IrEngine engine(in_, out_);
        EngineRecorder r(engine, &IrEngine::measured);
        const EngineRun result = RunEngine(engine, r, c.settings);
        ASSERT_TRUE(result.started) << result.startRefusal.toStdString();
        ASSERT_TRUE(result.stopped);
        ExpectCleanIrRun(r, c.dut);
        ASSERT_EQ(result.measured.size(), 1u) << result.refusals.join('\n').toStdString();
        EXPECT_TRUE(result.refusals.isEmpty());
        const IrMeasurement& m = result.measured[0];
        EXPECT_TRUE(m.ok());
        EXPECT_TRUE(engine.Result().ok());
        EXPECT_EQ(m.settings.sweep.count, c.settings.sweep.count);
        EXPECT_EQ(m.peak.inverted(), c.inverted);
        const double beyond = m.peak.samples - c.delay;
        std::printf("%s%s: latency %.4f samples, %.0f frames of the path\n", c.dut, c.reference ? " (reference)" : "",
                    m.peak.samples, beyond);
        if (c.reference) {
            EXPECT_NEAR(m.peak.samples, c.delay, kDelayTolerance);
        } else {
            EXPECT_NEAR(FromWhole(beyond), 0.0, kDelayTolerance) << "the fraction is the card's";
            EXPECT_GE(beyond, -kDelayTolerance);
            EXPECT_LE(beyond, kPathFramesMax);
            EXPECT_NEAR(m.peak.latencyMs(kRate), 1000.0 * m.peak.samples / kRate, 1e-9);
        }
        expectGivenBack(engine);
    }
}

// A bad set-up: a refusal with the analysis's own text, no result, no
// failure, and nothing left playing.
TEST_F(IrEngineTest, ABadSetUpIsRefusedWithItsTextAndNoCurve)
{
    struct Case {
        const char* name;
        const char* dut;
        IrProblem problem;
    };
    const Case cases[] = {
        {"muted", "gain=-200", IrProblem::NoSignal},
        {"noise only", "gain=-200 noise=-60", IrProblem::NoSignal},
        {"clipping", "gain=12", IrProblem::Clipping},
        {"later than the tail", "delay=30000", IrProblem::LatencyBeyondTail},
    };
    for (const Case& c : cases) {
        for (const char letter : {'E', 'D'}) {
            SCOPED_TRACE(testing::Message() << c.name << " " << letter);
            VirtualCard::instance().setDut(Dut(QString::fromLatin1(c.dut)));
            IrEngine engine(in_, out_);
            EngineRecorder r(engine, &IrEngine::measured);
            const EngineRun result = RunEngine(engine, r, Settings(kRate), letter);
            ASSERT_TRUE(result.started) << result.startRefusal.toStdString();
            ASSERT_TRUE(result.stopped);
            ExpectCleanIrRun(r, c.name);
            EXPECT_TRUE(result.measured.empty());
            EXPECT_EQ(result.refusals, QStringList{IrProblemText(c.problem, letter)});
            EXPECT_EQ(engine.Result().problem, c.problem);
            EXPECT_FALSE(engine.Result().ok());
            EXPECT_TRUE(engine.Result().response.h.empty()) << "no curve";
            expectGivenBack(engine);
        }
    }
}

// What cannot be measured does not start: nothing plays, no signal comes,
// and StartRefusal() says why in the language asked for.
TEST_F(IrEngineTest, WhatCannotBeMeasuredDoesNotStart)
{
    struct Case {
        const char* name;
        int inRate, outRate;
        IrSettings settings;
    };
    auto with = [](auto change) {
        IrSettings s = Settings(kRate);
        change(s);
        return s;
    };
    const Case cases[] = {
        {"rates differ", kRate, 44100, Settings(kRate)},
        {"end above 0.45 of the rate", kRate, kRate, with([](IrSettings& s) { s.sweep.f2 = 23000.0; })},
        {"sweep too short", kRate, kRate, with([](IrSettings& s) { s.sweep.seconds = 0.1; })},
        {"no sweep to average", kRate, kRate, with([](IrSettings& s) { s.sweep.count = 0; })},
        {"beyond one recording", kRate, kRate, with([](IrSettings& s) {
             s.sweep.seconds = 5.0;
             s.sweep.count = 6; // 33 s with the tails
         })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetSampleRates(c.inRate, c.outRate);
        IrEngine engine(in_, out_);
        EngineRecorder r(engine, &IrEngine::measured);
        QStringList texts;
        for (const char letter : {'E', 'D'}) {
            EXPECT_FALSE(engine.Start(c.settings, letter));
            texts << engine.StartRefusal();
        }
        EXPECT_FALSE(texts[0].isEmpty());
        EXPECT_FALSE(texts[1].isEmpty());
        EXPECT_NE(texts[0], texts[1]) << "both languages";
        EXPECT_TRUE(r.events().empty());
        expectGivenBack(engine);
    }
    // The longest that fits one recording starts.
    SetSampleRates(kRate, kRate);
    IrSettings longest = Settings(kRate, 4.5, 5); // 25 s with the tails
    IrEngine engine(in_, out_);
    ASSERT_TRUE(engine.Start(longest));
    EXPECT_TRUE(engine.StartRefusal().isEmpty());
    EXPECT_TRUE(OutputOwner::Instance().MeasurementOwns());
    EXPECT_FALSE(engine.Start(longest)) << "one run at a time";
    engine.Stop();
    expectGivenBack(engine);
}

// A stop in the middle of the sweep: stopped() at once, no result, no
// failure, the output silent and given back.
TEST_F(IrEngineTest, AStopMidSweepLeavesNoResultAndTheOutputFree)
{
    VirtualCard::instance().setFastMode(false); // the sweep takes its time
    VirtualCard::instance().setDut(Dut(QStringLiteral("delay=10.37")));
    IrEngine engine(in_, out_);
    EngineRecorder r(engine, &IrEngine::measured);
    int refusals = 0;
    QObject::connect(&engine, &IrEngine::refused, [&] { ++refusals; });
    ASSERT_TRUE(engine.Start(Settings(kRate, 2.0)));
    EXPECT_TRUE(OutputOwner::Instance().MeasurementOwns());
    EXPECT_TRUE(engine.Running());
    // Somewhere inside the sweep; what is asserted holds wherever it is.
    QTest::qWait(300);
    engine.Stop();
    EXPECT_FALSE(engine.Running());
    ASSERT_TRUE(r.waitStopped());
    ExpectCleanIrRun(r, "stop");
    EXPECT_EQ(r.count(EngineEvent::Result), 0);
    EXPECT_EQ(refusals, 0);
    EXPECT_FALSE(engine.Result().ok());
    expectGivenBack(engine);
    engine.Stop(); // a second stop says nothing
    QTest::qWait(kQuietAfterStopMs);
    EXPECT_EQ(r.count(EngineEvent::Stopped), 1);
}

// In real time the progress moves while the sweep is recorded; once all
// is in (99 %) the devices are free and the analysis runs off the GUI
// thread. A stop there, or the engine's end, drops its result: no
// measured(), one stopped(), and nothing afterwards.
TEST_F(IrEngineTest, TheAnalysisRunsAsideAndAStopThereDropsIt)
{
    VirtualCard::instance().setFastMode(false);
    VirtualCard::instance().setDut(Dut(QStringLiteral("delay=10.37")));
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "engine destroyed" : "stopped");
        auto engine = std::make_unique<IrEngine>(in_, out_);
        auto r = std::make_unique<EngineRecorder>(*engine, &IrEngine::measured);
        bool analysingSeen = false, freeSeen = false;
        QObject::connect(engine.get(), &IrEngine::progress, [&](int done, int) {
            if (done != 99 || !engine->Analysing())
                return;
            analysingSeen = true;
            freeSeen = !VirtualCard::instance().outputOpen() && !OutputOwner::Instance().MeasurementOwns();
            if (!destroy)
                engine->Stop();
            else
                QTimer::singleShot(0, [&] {
                    r.reset(); // it listens to the engine
                    engine.reset();
                });
        });
        ASSERT_TRUE(engine->Start(Settings(kRate)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return analysingSeen; }, kEngineRunTimeoutMs));
        EXPECT_TRUE(freeSeen) << "the devices are given back before the analysis";
        if (destroy) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !engine; }, kEngineRunTimeoutMs));
            continue;
        }
        ASSERT_TRUE(r->waitStopped());
        QTest::qWait(kQuietAfterStopMs);
        ExpectCleanIrRun(*r, "stop in the analysis");
        EXPECT_EQ(r->count(EngineEvent::Result), 0);
        int moving = 0;
        for (const EngineEvent& e : r->progress())
            moving += e.done > 0 && e.done < 99;
        EXPECT_GT(moving, 0) << "no progress while the sweep was recorded";
        EXPECT_FALSE(engine->Result().ok());
        EXPECT_FALSE(engine->Analysing());
        expectGivenBack(*engine);
    }
}

// A device fault ends the run with failed() of its kind and code, no
// result and nothing playing.
TEST_F(IrEngineTest, ADeviceFaultEndsTheRunWithFailed)
{
    struct Case {
        const char* name;
        VirtualFault fault;
        IrEngine::Failure kind;
        int code;
    };
    const Case cases[] = {
        {"input gone", VirtualFault::DeviceGone, IrEngine::Failure::Input, WAVERR_DEVICE_GONE},
        {"input stalls", VirtualFault::Stall, IrEngine::Failure::Input, WAVERR_DEVICE_STALLED},
        {"output gone", VirtualFault::OutputGone, IrEngine::Failure::Output, WAVERR_OUTPUT_GONE},
    };
    // In real time, so the output's fault strikes while the sweep plays.
    VirtualCard::instance().setFastMode(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IrEngine engine(in_, out_);
        EngineRecorder r(engine, &IrEngine::measured);
        ExpectFaultEndsRun(r, engine, c.fault, false, int(c.kind), c.code, c.name,
                           [&] { ASSERT_TRUE(engine.Start(Settings(kRate))); });
        EXPECT_FALSE(engine.Result().ok());
        expectGivenBack(engine);
    }
}

// The impulse response's magnitude between its bins, linear in dB (the
// bins lie a few Hz apart, where the card's filters change by far less than
// what is asserted).
double MagnitudeAtDb(const IrResponse& r, double hz)
{
    const double at = hz / r.binHz;
    const size_t k = std::min(static_cast<size_t>(at), r.h.size() - 2);
    const double share = at - static_cast<double>(k);
    return (1.0 - share) * MagnitudeDb(r.h[k]) + share * MagnitudeDb(r.h[k + 1]);
}

// The stepped sweep and the impulse response measure the same filters alike
// at every step. Both run without corrections (the stepped one's tone is
// set by its level alone and its levels are the input's own in mode 2), so
// each step's level over the played one is the card's gain there.
TEST_F(IrEngineTest, TheSteppedSweepAgreesAtEveryStep)
{
    const char* const dut = "lp=5000 hp=50";
    constexpr double kPlayedDb = -6.0;
    constexpr double kLowTolerance = 0.1;  // dB, up to 0.35 of the rate
    constexpr double kHighTolerance = 0.25;
    const EngineRun ir = run(dut, Settings(kRate));
    ASSERT_EQ(ir.measured.size(), 1u) << ir.refusals.join('\n').toStdString();
    const IrResponse& h = ir.measured[0].response;
    ASSERT_GT(h.binHz, 0.0);

    SweepSettings plan;
    // Inside the band the sweep plays at full level (its fades and the
    // regularisation beyond them leave the response's edges to the band).
    const IrSweep& sweep = ir.measured[0].ir.sweep;
    plan.fromFrequency = static_cast<int32_t>(std::ceil(FullLevelLowHz(sweep)));
    plan.toFrequency = static_cast<int32_t>(std::floor(FullLevelHighHz(sweep)));
    plan.steps = 30;
    plan.linear = false;
    plan.mode = 2; // both channels' own levels
    plan.digitalLevel = static_cast<float>(kPlayedDb);
    plan.settleMs = 1;
    const CorrectionTable none{};
    TSweepEngine stepped(plan, none, none);
    EngineRecorder r(stepped, &TSweepEngine::pointReady);
    std::vector<SweepPoint> points;
    QObject::connect(&stepped, &TSweepEngine::pointReady, [&](const SweepPoint& p) { points.push_back(p); });
    stepped.Start();
    ASSERT_TRUE(r.waitStopped());
    ASSERT_EQ(points.size(), size_t(plan.steps + 1));
    double worst[2] = {0.0, 0.0};
    for (const SweepPoint& p : points) {
        SCOPED_TRACE(testing::Message() << p.frequency << " Hz");
        const double fromIr = MagnitudeAtDb(h, p.frequency);
        const double fromSteps = p.values.value2 - kPlayedDb; // the left channel, as the response's
        const bool high = p.frequency > 0.35 * kRate;
        EXPECT_NEAR(fromSteps, fromIr, high ? kHighTolerance : kLowTolerance);
        worst[high] = std::max(worst[high], std::abs(fromSteps - fromIr));
    }
    std::printf("stepped against impulse response: at most %.3f dB up to 0.35 fs, %.3f dB above\n", worst[0],
                worst[1]);
}

} // namespace
