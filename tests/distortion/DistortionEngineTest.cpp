// The distortion run's engine alone, with only a QCoreApplication, on the
// virtual card: a run over frequency measures the gain of a straight wire at
// every step, a device fault ends the run with its kind, code and text, and
// a stop ends it after the step in progress.
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/EngineContract.h"

#include "distortion/DistortionEngine.h"
#include "platform/audio/WaveTypes.h"
#include "correction/CorrectionTable.h"
#include "analysis/AnalysisSettings.h"

#include <cmath>

using namespace korvanta;

// No correction, no weighting: what is measured is what the card hears.
const CorrectionTable kNoCorrection{};
const AnalysisSettings kAnalysis{};

namespace {

constexpr double kPlayedDb = -10.0;
// What a straight wire recorded in 16 bits gives back of the played tone.
constexpr double kGainToleranceDb = 0.1;

DistortionSettings overFrequency(int steps, int settleMs)
{
    DistortionSettings s;
    s.sweep = DistortionSweep::Frequency;
    s.fromHz = 500.0;
    s.toHz = 2000.0;
    s.frequencySteps = steps;
    s.fixedLevelDb = kPlayedDb;
    s.settleMs = settleMs;
    return s;
}

using DistortionEngineTest = VirtualLayerTest;

TEST_F(DistortionEngineTest, ARunOverFrequencyMeasuresTheWiresGainAtEveryStep)
{
    const DistortionSettings s = overFrequency(2, 1);
    TDistortionEngine engine(kAnalysis, kNoCorrection, kNoCorrection);
    EngineRecorder r(engine, &TDistortionEngine::pointReady);
    std::vector<DistortionPoint> points;
    QObject::connect(&engine, &TDistortionEngine::pointReady, [&](const DistortionPoint& p) { points.push_back(p); });
    ASSERT_TRUE(engine.Start(s));
    ASSERT_TRUE(r.waitStopped());
    ExpectCleanRun(r, TDistortionEngine::PlannedSteps(s), "distortion");
    EXPECT_EQ(TDistortionEngine::PlannedSteps(s), 3);
    ASSERT_EQ(points.size(), 3u);
    for (size_t k = 0; k < points.size(); ++k) {
        EXPECT_NEAR(points[k].frequency, DistortionStepFrequency(s, int(k)), 1e-9) << k;
        EXPECT_DOUBLE_EQ(points[k].levelDb, kPlayedDb) << k;
        EXPECT_NEAR(points[k].gainDb, 0.0, kGainToleranceDb) << "at " << points[k].frequency << " Hz";
    }
    EXPECT_FALSE(IsPlaying());
}

// An output fault strikes once its tone has played a while, and a slow
// machine may measure a step before it does: the fault stays until the run
// has failed, so it is the next tone's if not this one's.
struct FaultCase {
    const char* name;
    VirtualFault fault;
    bool atFirstPoint; // else before the start
    TDistortionEngine::Failure kind;
    int code;
    int settleMs; // an output fault strikes after the tone played a while
};

TEST_F(DistortionEngineTest, ADeviceFaultEndsTheRunWithItsKindCodeAndText)
{
    const FaultCase cases[] = {
        {"output open fails", VirtualFault::OutputOpenFails, false, TDistortionEngine::Failure::FrequencyOutput,
         MMSYSERR_ALLOCATED, 1},
        {"input gone", VirtualFault::DeviceGone, true, TDistortionEngine::Failure::NextBlock, WAVERR_DEVICE_GONE, 1},
        {"output gone", VirtualFault::OutputGone, true, TDistortionEngine::Failure::FrequencyOutput, WAVERR_OUTPUT_GONE,
         400},
    };
    for (const FaultCase& c : cases) {
        TDistortionEngine engine(kAnalysis, kNoCorrection, kNoCorrection);
        EngineRecorder r(engine, &TDistortionEngine::pointReady);
        ExpectFaultEndsRun(r, engine, c.fault, c.atFirstPoint, static_cast<int>(c.kind), c.code, c.name,
                           [&] { ASSERT_TRUE(engine.Start(overFrequency(3, c.settleMs))) << c.name; });
    }
}

// A stop ends the run after the step in progress, an abort at once, and a
// run over level that drives the wire into clipping ends by itself at its
// THD+N limit. A run over level cannot say in advance how many steps it
// takes: its fine steps near the THD+N thresholds depend on what it
// measures.
TEST_F(DistortionEngineTest, EveryWayOfEndingARunClosesIt)
{
    enum class End { Stop, Abort, Limit };
    struct Case {
        const char* name;
        End end;
        DistortionSettings settings;
        double wireGainDb;
        int total;
    };
    DistortionSettings overLevel;
    overLevel.levels = {-30.0, 0.0, 10, LevelSpacing::Decibel, 10.0};
    overLevel.settleMs = 1;
    const Case cases[] = {
        {"stop over frequency", End::Stop, overFrequency(20, 1), 0.0, 21},
        {"stop over level", End::Stop, overLevel, 0.0, 0},
        {"abort", End::Abort, overFrequency(20, 1), 0.0, 21},
        {"limit", End::Limit, overLevel, 6.0, 0},
    };
    for (const Case& c : cases) {
        DutConfig wire;
        wire.gainDb[0] = wire.gainDb[1] = c.wireGainDb;
        VirtualCard::instance().setDut(wire);
        TDistortionEngine engine(kAnalysis, kNoCorrection, kNoCorrection);
        EngineRecorder r(engine, &TDistortionEngine::pointReady);
        std::vector<bool> finished;
        QObject::connect(&engine, &TDistortionEngine::finished, [&](bool atLimit) { finished.push_back(atLimit); });
        if (c.end == End::Stop)
            r.atFirstResult([&] { engine.Stop(); });
        else if (c.end == End::Abort)
            r.atFirstResult([&] { engine.Abort(); });
        ASSERT_TRUE(engine.Start(c.settings)) << c.name;
        ASSERT_TRUE(r.waitStopped()) << c.name;
        ExpectCleanRun(r, c.total, c.name);
        if (c.end == End::Limit)
            EXPECT_GT(r.count(EngineEvent::Result), 1) << c.name;
        else
            EXPECT_EQ(r.count(EngineEvent::Result), 1) << c.name;
        EXPECT_EQ(finished, std::vector<bool>{c.end == End::Limit}) << c.name;
        EXPECT_FALSE(engine.Running()) << c.name;
        EXPECT_FALSE(IsPlaying()) << c.name;
    }
}

} // namespace
