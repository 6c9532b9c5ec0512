// The oscilloscope's frame loop alone, with only a QCoreApplication, on the
// virtual card: frames show the input's sine at its height, a device fault
// ends the loop with its kind, code and text, and a stop ends it at once.
#include "tests/audio/AudioTestSupport.h"
#include "tests/support/EngineContract.h"

#include "platform/audio/WaveTypes.h"
#include "scope/OscilloscopeSettings.h"
#include "scope/OszidiaStore.h"
#include "scope/ScopeDisplay.h"
#include "scope/ScopeEngine.h"
#include "scope/ScopeTables.h"

#include <algorithm>
#include <cmath>

using namespace korvanta;

namespace {

constexpr float kVoltageScale = 1.5f; // volts at full scale
constexpr double kSinePeak = 0.5;     // of full scale
constexpr int kOneVoltPerDiv = 13;
constexpr int kOneMsPerDiv = 6;

// The display's point store, without its window.
class StoreDisplay : public ScopeDisplay {
public:
    int SetupOszi(const QString& caption, int n, bool logX, float param, float xMin, float xMax, float yMin,
                  float yMax) override
    {
        return store.Setup(caption, n, logX, param, xMin, xMax, yMin, yMax);
    }
    int StorePoint(int j, bool trig1, float ypos2, float ypos1, float vdiv2, float vdiv1, float x, float y2,
                   float y1) override
    {
        return store.StorePoint(j, trig1, ypos2, ypos1, vdiv2, vdiv1, x, y2, y1);
    }
    void RepaintOszi() override { }

    OszidiaStore store;
};

class ScopeEngineTest : public VirtualLayerTest {
protected:
    void SetUp() override
    {
        VirtualLayerTest::SetUp();
        DutConfig d;
        d.ext = ExternalKind::Sine;
        d.extFreq = 1000.0;
        d.extLevelDb = 20 * std::log10(kSinePeak);
        VirtualCard::instance().setDut(d);
        settings.voltsIndex1 = kOneVoltPerDiv;
        settings.timebaseIndex = kOneMsPerDiv;
    }

    OscilloscopeSettings settings;
};

// The loop runs until it is stopped or the page is left; either ends it on
// the frame it is on.
TEST_F(ScopeEngineTest, FramesShowTheInputsSineAtItsHeightUntilTheLoopEnds)
{
    struct Case {
        const char* name;
        void (ScopeEngine::*end)();
    };
    const Case cases[] = {{"stop", &ScopeEngine::Stop}, {"leave", &ScopeEngine::Leave}};
    for (const Case& c : cases) {
        StoreDisplay display;
        ScopeEngine engine(settings);
        engine.SetDisplay(&display);
        EngineRecorder r(engine, &ScopeEngine::frameShown);
        r.atFirstResult([&] { (engine.*c.end)(); });
        engine.Enter(kVoltageScale, true);
        ASSERT_TRUE(r.waitStopped()) << c.name;
        ExpectCleanRun(r, 0, c.name);
        EXPECT_EQ(r.count(EngineEvent::Result), 1) << c.name;
        EXPECT_EQ(engine.FramesShown(), 1) << c.name;
        EXPECT_FALSE(engine.Running()) << c.name;
        const std::vector<float>& y = display.store.Curve1();
        ASSERT_FALSE(y.empty()) << c.name;
        const auto [lo, hi] = std::minmax_element(y.begin(), y.end());
        const double expected = 2 * kSinePeak * kVoltageScale / VoltsPerDiv(kOneVoltPerDiv);
        EXPECT_NEAR(*hi - *lo, expected, 0.01 * expected) << c.name << ": peak to peak, divisions";
    }
}

struct FaultCase {
    const char* name;
    VirtualFault fault;
    bool atFirstFrame; // else before the page is entered
    ScopeEngine::Failure kind;
    int code;
};

TEST_F(ScopeEngineTest, ADeviceFaultEndsTheLoopWithItsKindCodeAndText)
{
    const FaultCase cases[] = {
        {"open fails at entry", VirtualFault::OpenFails, false, ScopeEngine::Failure::StartRecording,
         MMSYSERR_ALLOCATED},
        {"open fails later", VirtualFault::OpenFails, true, ScopeEngine::Failure::StartRecording, MMSYSERR_ALLOCATED},
        {"stall", VirtualFault::Stall, true, ScopeEngine::Failure::Block, WAVERR_DEVICE_STALLED},
        {"device gone", VirtualFault::DeviceGone, true, ScopeEngine::Failure::Block, WAVERR_DEVICE_GONE},
    };
    VirtualCard& card = VirtualCard::instance();
    for (const FaultCase& c : cases) {
        ScopeEngine engine(settings);
        EngineRecorder r(engine, &ScopeEngine::frameShown);
        if (c.atFirstFrame)
            r.atFirstResult([&] { card.injectFault(c.fault, 0, 1); });
        else
            card.injectFault(c.fault, 0, 1);
        engine.Enter(kVoltageScale, true);
        ASSERT_TRUE(r.waitStopped()) << c.name;
        card.clearFaults();
        ExpectFailedRun(r, static_cast<int>(c.kind), c.code, c.name);
        EXPECT_EQ(r.count(EngineEvent::Result), c.atFirstFrame ? 1 : 0) << c.name;
        EXPECT_FALSE(engine.Running()) << c.name;
    }
}

} // namespace
