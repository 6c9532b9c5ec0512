// The device test's step loop on the virtual card, with only a
// QCoreApplication: every step's recording holds that step's own signal at
// its level in each channel (never a piece of the step before), progress
// counts the steps of the plan as it grows, and a stop, a failed check or a
// device fault ends the run with the tone off, the output and the
// corrections given back and a result that is not complete.
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/EngineContract.h"
#include "tests/devicetest/DtEngineTestSupport.h"

#include "audio/OutputOwner.h"

using namespace korvanta;
using namespace dttest;

namespace {

// The steps of one channel's gain each, then one of every kind of signal,
// the sweep played once last.
DtPlan mixedPlan()
{
    DtPlan p;
    p.steps = {
        step(DtStepKind::Level, {997.0}, -20.0, DtLevelRef::Output, DtPlays::LeftOnly),
        step(DtStepKind::Level, {997.0}, -20.0, DtLevelRef::Output, DtPlays::RightOnly),
        step(DtStepKind::Response, {1000.0}, -10.0, DtLevelRef::Input, DtPlays::Both),
        step(DtStepKind::Crosstalk, {3000.0}, -6.0, DtLevelRef::Input, DtPlays::LeftOnly),
        step(DtStepKind::Noise, {}, 0.0, DtLevelRef::Input, DtPlays::Both),
        step(DtStepKind::ImdSmpte, {60.0, 7000.0}, -8.0, DtLevelRef::Input, DtPlays::Both),
        step(DtStepKind::Response, {5000.0}, -12.0, DtLevelRef::Input, DtPlays::RightOnly),
        DtSweepStep(DtResponseSweep(48000), 48000, kStepSettleMs),
    };
    p.steps[5].weights = {4.0, 1.0};
    return p;
}

class DeviceTestEngineTest : public VirtualLayerTest {
protected:
    void SetUp() override
    {
        VirtualLayerTest::SetUp();
        in_.active = out_.active = true;
    }
    DtHeader header() const
    {
        DtHeader h;
        h.note = QStringLiteral("straight wire");
        return h;
    }
    void expectGivenBack(const DeviceTestEngine& engine)
    {
        EXPECT_FALSE(engine.Running());
        EXPECT_FALSE(engine.TonePlaying());
        EXPECT_FALSE(VirtualCard::instance().outputOpen()) << "the tone is off on the card";
        EXPECT_FALSE(OutputOwner::Instance().MeasurementOwns());
        EXPECT_TRUE(in_.active && out_.active) << "corrections restored";
    }

    CorrectionTable in_;
    CorrectionTable out_;
};

TEST_F(DeviceTestEngineTest, EveryStepRecordsItsOwnSignalAtItsLevel)
{
    DutConfig dut;
    dut.gainDb[0] = -6.0;
    dut.gainDb[1] = -3.0;
    VirtualCard::instance().setDut(dut);
    DeviceTestEngine engine(in_, out_);
    RecordingProcedure proc(in_, out_);
    EngineRecorder r(engine, &DeviceTestEngine::stepDone);
    std::vector<DeviceTestResult> ended;
    QObject::connect(&engine, &DeviceTestEngine::ended, [&](const DeviceTestResult& res) { ended.push_back(res); });
    const DtPlan plan = mixedPlan();
    ASSERT_TRUE(engine.Start(plan, proc, header()));
    EXPECT_TRUE(OutputOwner::Instance().MeasurementOwns());
    EXPECT_FALSE(engine.Start(plan, proc, header())) << "one run at a time";
    ASSERT_TRUE(r.waitStopped());
    ExpectCleanRun(r, int(plan.steps.size()), "device test");
    ASSERT_EQ(proc.taken.size(), plan.steps.size());
    ExpectOwnSignals(proc.taken, dut.gainDb);
    EXPECT_NEAR(engine.LoopGainDb(0), -6.0, kLevelToleranceDb);
    EXPECT_NEAR(engine.LoopGainDb(1), -3.0, kLevelToleranceDb);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_TRUE(ended[0].complete);
    EXPECT_TRUE(ended[0].error.isEmpty());
    EXPECT_EQ(ended[0].header.note, QStringLiteral("straight wire"));
    ASSERT_EQ(ended[0].figures.size(), 1u) << "the procedure's figures";
    EXPECT_EQ(proc.finished, 1);
    expectGivenBack(engine);
}

// The card's 24-bit input delivers 32-bit samples: the run's header says
// its path carried more than the width named, which a 16-bit one cannot.
TEST_F(DeviceTestEngineTest, TheHeaderSaysWhereTheInputCarriedMoreThanItsWidth)
{
    for (const auto& [bits, finer] : {std::pair{16, false}, std::pair{24, true}}) {
        SCOPED_TRACE(bits);
        SetBits(bits, bits);
        DeviceTestEngine engine(in_, out_);
        RecordingProcedure proc(in_, out_);
        EngineRecorder r(engine, &DeviceTestEngine::stepDone);
        DtPlan plan;
        plan.steps = {step(DtStepKind::Response, {1000.0}, -10.0, DtLevelRef::Output, DtPlays::Both)};
        ASSERT_TRUE(engine.Start(plan, proc, header()));
        ASSERT_TRUE(r.waitStopped());
        ASSERT_TRUE(engine.Result().complete);
        EXPECT_EQ(engine.Result().header.inputFinerThanBits, finer);
    }
}

// Steps the analysis adds run next, before the rest of the plan; the plan
// grows, becomes approximate, and progress counts against its new length.
// A plan the devices cannot take does not start.
TEST_F(DeviceTestEngineTest, AddedStepsRunNextAndExtendThePlan)
{
    DeviceTestEngine engine(in_, out_);
    RecordingProcedure proc(in_, out_);
    DtPlan plan;
    plan.steps = {step(DtStepKind::Response, {1000.0}, -10.0, DtLevelRef::Output, DtPlays::Both),
                  step(DtStepKind::Response, {2000.0}, -10.0, DtLevelRef::Output, DtPlays::Both)};
    proc.addAfter = 0;
    proc.added = {step(DtStepKind::Response, {1234.5678}, -20.0, DtLevelRef::Output, DtPlays::Both),
                  step(DtStepKind::MaxLevel, {997.0}, -3.0, DtLevelRef::Output, DtPlays::Both)};
    EngineRecorder r(engine, &DeviceTestEngine::stepDone);
    // Nothing starts that the devices cannot take: no step, a tone at half
    // the rate, a stretch beyond the recorder's length, a sweep that does
    // not fit.
    DtPlan bad;
    EXPECT_FALSE(engine.Start(bad, proc, header()));
    bad.steps = {step(DtStepKind::Response, {24000.0}, -10.0, DtLevelRef::Output, DtPlays::Both)};
    EXPECT_FALSE(engine.Start(bad, proc, header()));
    bad.steps[0].frequencies = {1000.0};
    bad.steps[0].frames = (StretchRecorder::kMaxSeconds + 1) * 48000;
    EXPECT_FALSE(engine.Start(bad, proc, header()));
    // Nor a sweep above 0.45 of the rate, or one whose stretch cannot hold
    // it and its tail.
    bad.steps = {DtSweepStep(DtResponseSweep(48000), 48000, 0)};
    bad.steps[0].sweep->f2Hz = 0.46 * 48000;
    EXPECT_FALSE(engine.Start(bad, proc, header()));
    bad.steps = {DtSweepStep(DtResponseSweep(48000), 48000, 0)};
    bad.steps[0].frames = DtIrSweep(*bad.steps[0].sweep, 48000, 1.0).PeriodFrames() - 1;
    EXPECT_FALSE(engine.Start(bad, proc, header()));
    EXPECT_TRUE(r.events().empty());
    ASSERT_TRUE(engine.Start(plan, proc, header()));
    EXPECT_FALSE(engine.Plan().approximate);
    ASSERT_TRUE(r.waitStopped());
    const std::vector<EngineEvent> p = r.progress();
    ASSERT_EQ(p.size(), 4u);
    for (size_t k = 0; k < p.size(); ++k) {
        EXPECT_EQ(p[k].done, int(k) + 1);
        EXPECT_EQ(p[k].total, 4);
    }
    ASSERT_EQ(proc.taken.size(), 4u);
    const double order[] = {1000.0, 1234.5678, 997.0, 2000.0};
    for (size_t k = 0; k < 4; ++k)
        EXPECT_NEAR(proc.taken[k].played.step.frequencies[0], order[k], 0.1) << k;
    const double wire[2] = {0.0, 0.0};
    ExpectOwnSignals(proc.taken, wire);
    EXPECT_TRUE(engine.Plan().approximate);
    EXPECT_EQ(engine.Estimate().Steps(), 4);
    EXPECT_TRUE(engine.Estimate().approximate);
    EXPECT_TRUE(engine.Result().complete);
}

// A stop, or a check that fails, ends the run within the step: no more
// steps, no failure, the tone off and no complete result.
TEST_F(DeviceTestEngineTest, AStopOrAFailedCheckEndsTheRunWithTheToneOff)
{
    struct Case {
        const char* name;
        bool byStop;
    };
    for (const Case c : {Case{"stop", true}, Case{"check fails", false}}) {
        SCOPED_TRACE(c.name);
        DeviceTestEngine engine(in_, out_);
        RecordingProcedure proc(in_, out_);
        EngineRecorder r(engine, &DeviceTestEngine::stepDone);
        QStringList refusals;
        QObject::connect(&engine, &DeviceTestEngine::refused, [&](const QString& m) { refusals << m; });
        const QString message = QStringLiteral("connect the output to the input");
        if (c.byStop) {
            QObject::connect(&engine, &DeviceTestEngine::stepDone, [&](const DtPlayedStep& s) {
                if (s.index == 1)
                    engine.Stop();
            });
        } else {
            proc.refuseAt = 1;
            proc.refusal = message;
        }
        const DtPlan plan = mixedPlan();
        ASSERT_TRUE(engine.Start(plan, proc, header()));
        ASSERT_TRUE(r.waitStopped());
        ExpectOneRun(r, c.name);
        EXPECT_EQ(r.count(EngineEvent::Failed), 0);
        EXPECT_EQ(proc.taken.size(), 2u) << "nothing recorded after the end";
        EXPECT_EQ(r.count(EngineEvent::Result), c.byStop ? 2 : 1);
        EXPECT_FALSE(engine.Result().complete);
        EXPECT_FALSE(engine.Result().error.isEmpty());
        EXPECT_EQ(proc.finished, 1);
        if (!c.byStop) {
            EXPECT_EQ(engine.Result().error, message);
            EXPECT_EQ(refusals, QStringList{message});
        } else {
            EXPECT_TRUE(refusals.isEmpty());
        }
        expectGivenBack(engine);
    }
}

// A device that fails mid-run (the input gone after a step, the output
// while a step plays) ends the run with failed(), the tone off and the
// result not complete, its error the device's text.
TEST_F(DeviceTestEngineTest, ADeviceFaultEndsTheRunWithAnIncompleteResult)
{
    struct Case {
        const char* name;
        VirtualFault fault;
        bool atFirstResult;
        DeviceTestEngine::Failure kind;
        int code;
        int settleMs; // an output fault strikes once its tone has played a while
    };
    const Case cases[] = {
        {"input gone", VirtualFault::DeviceGone, true, DeviceTestEngine::Failure::Input, WAVERR_DEVICE_GONE,
         kStepSettleMs},
        {"output gone", VirtualFault::OutputGone, false, DeviceTestEngine::Failure::Output, WAVERR_OUTPUT_GONE, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceTestEngine engine(in_, out_);
        RecordingProcedure proc(in_, out_);
        EngineRecorder r(engine, &DeviceTestEngine::stepDone);
        int endedCount = 0;
        QObject::connect(&engine, &DeviceTestEngine::ended, [&] { ++endedCount; });
        DtPlan plan = mixedPlan();
        for (DtStep& s : plan.steps)
            s.settleMs = c.settleMs;
        ExpectFaultEndsRun(r, engine, c.fault, c.atFirstResult, int(c.kind), c.code, c.name,
                           [&] { ASSERT_TRUE(engine.Start(plan, proc, header())); });
        EXPECT_LT(proc.taken.size(), plan.steps.size());
        EXPECT_FALSE(engine.Result().complete);
        EXPECT_EQ(engine.Result().error, SoundErrorText(c.code));
        EXPECT_EQ(endedCount, 1);
        EXPECT_EQ(proc.finished, 1);
        expectGivenBack(engine);
    }
}

// The default plan, end to end on a straight wire at 24 bits: every step
// recordable and holding its own signal, the result complete.
TEST_F(DeviceTestEngineTest, TheDefaultPlanRunsEndToEnd)
{
    SetBits(24, 24);
    DeviceTestEngine engine(in_, out_);
    RecordingProcedure proc(in_, out_);
    EngineRecorder r(engine, &DeviceTestEngine::stepDone);
    DtPlanSettings settings;
    settings.settleMs = kStepSettleMs;
    const DtPlan plan = DefaultDtPlan(settings);
    ASSERT_TRUE(engine.Start(plan, proc, header()));
    ASSERT_TRUE(r.waitStopped());
    ExpectCleanRun(r, int(plan.steps.size()), "default plan");
    ASSERT_EQ(proc.taken.size(), plan.steps.size());
    const double wire[2] = {0.0, 0.0};
    ExpectOwnSignals(proc.taken, wire);
    EXPECT_TRUE(engine.Result().complete);
    expectGivenBack(engine);
}

} // namespace
