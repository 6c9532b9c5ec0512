// The sweep engine alone, with only a QCoreApplication, on the virtual
// card: a run measures the tone it plays, a device fault ends the run with
// its kind, code and text, and a stop ends it after the step in progress.
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/EngineContract.h"

#include "generator/SweepEngine.h"
#include "generator/SweepPlan.h"
#include "platform/audio/WaveTypes.h"
#include "correction/CorrectionTable.h"

#include <cmath>

using namespace korvanta;

// No correction, no weighting: what is measured is what the card hears.
const CorrectionTable kNoCorrection{};

namespace {

constexpr double kPlayedDb = -6.0;
// 16-bit recording of a straight wire: the level read back is the played
// one to a few hundredths of a dB.
constexpr double kLevelToleranceDb = 0.1;

class SweepEngineTest : public VirtualLayerTest {
protected:
    SweepSettings plan(int steps, int settleMs) const
    {
        SweepSettings s;
        s.fromFrequency = 1000;
        s.toFrequency = 2000;
        s.steps = steps;
        s.mode = kNoReference;
        s.digitalLevel = static_cast<float>(kPlayedDb);
        s.settleMs = settleMs;
        return s;
    }
};

TEST_F(SweepEngineTest, ARunMeasuresThePlayedLevelAtEveryStep)
{
    SweepSettings s = plan(2, 1);
    TSweepEngine engine(s, kNoCorrection, kNoCorrection);
    EngineRecorder r(engine, &TSweepEngine::pointReady);
    std::vector<SweepPoint> points;
    QObject::connect(&engine, &TSweepEngine::pointReady, [&](const SweepPoint& p) { points.push_back(p); });
    engine.Start();
    ASSERT_TRUE(r.waitStopped());
    ExpectCleanRun(r, 3, "sweep");
    ASSERT_EQ(points.size(), 3u);
    for (size_t k = 0; k < points.size(); ++k) {
        EXPECT_NEAR(points[k].frequency, StepFrequency(1000, 2000, 2, int(k), false), 0.01) << k;
        EXPECT_NEAR(points[k].values.value1, kPlayedDb, kLevelToleranceDb) << "right at step " << k;
        EXPECT_NEAR(points[k].values.value2, kPlayedDb, kLevelToleranceDb) << "left at step " << k;
    }
    EXPECT_FALSE(engine.Running());
    EXPECT_FALSE(IsPlaying());
}

// An output fault strikes once its tone has played a while, and a slow
// machine may measure a step before it does: the fault stays until the run
// has failed, so it is the next tone's if not this one's.
struct FaultCase {
    const char* name;
    VirtualFault fault;
    bool atFirstPoint; // else before START
    TSweepEngine::Failure kind;
    int code;
    int settleMs; // an output fault strikes after the tone played a while
};

TEST_F(SweepEngineTest, ADeviceFaultEndsTheRunWithItsKindCodeAndText)
{
    const FaultCase cases[] = {
        {"output open fails", VirtualFault::OutputOpenFails, false, TSweepEngine::Failure::FrequencyOutput,
         MMSYSERR_ALLOCATED, 1},
        {"input open fails", VirtualFault::OpenFails, true, TSweepEngine::Failure::FrequencyOutput, MMSYSERR_ALLOCATED,
         1},
        {"input gone", VirtualFault::DeviceGone, true, TSweepEngine::Failure::NextBlock, WAVERR_DEVICE_GONE, 1},
        {"output gone", VirtualFault::OutputGone, true, TSweepEngine::Failure::FrequencyOutput, WAVERR_OUTPUT_GONE,
         400},
    };
    for (const FaultCase& c : cases) {
        SweepSettings s = plan(3, c.settleMs);
        TSweepEngine engine(s, kNoCorrection, kNoCorrection);
        EngineRecorder r(engine, &TSweepEngine::pointReady);
        ExpectFaultEndsRun(r, engine, c.fault, c.atFirstPoint, static_cast<int>(c.kind), c.code, c.name,
                           [&] { engine.Start(); });
    }
}

// STOP lets the step in progress finish; Abort (another loop takes over)
// and leaving the page end the run at once. Each closes it, and nothing
// follows.
TEST_F(SweepEngineTest, EveryWayOfEndingARunClosesIt)
{
    struct Case {
        const char* name;
        void (TSweepEngine::*end)();
    };
    const Case cases[] = {
        {"stop", &TSweepEngine::Stop}, {"abort", &TSweepEngine::Abort}, {"leave", &TSweepEngine::Leave}};
    for (const Case& c : cases) {
        SweepSettings s = plan(20, 1);
        TSweepEngine engine(s, kNoCorrection, kNoCorrection);
        EngineRecorder r(engine, &TSweepEngine::pointReady);
        r.atFirstResult([&] { (engine.*c.end)(); });
        engine.Start();
        ASSERT_TRUE(r.waitStopped()) << c.name;
        ExpectCleanRun(r, 21, c.name);
        EXPECT_EQ(r.count(EngineEvent::Result), 1) << c.name;
        EXPECT_FALSE(engine.Running()) << c.name;
        EXPECT_FALSE(engine.AwaitingBlock()) << c.name;
        EXPECT_FALSE(IsPlaying()) << c.name;
    }
}

} // namespace
