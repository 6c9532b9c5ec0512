// The calibration engine on the virtual card with only a QCoreApplication:
// the readings of a tone played on the loopback, a device fault, and stop.
#include "measure/CalibrationEngine.h"
#include "tests/audio/AudioTestSupport.h"

#include <QStringList>
#include <numbers>

using namespace korvanta;

namespace {

class CalibrationEngineTest : public VirtualLayerTest {
protected:
    void SetUp() override
    {
        VirtualLayerTest::SetUp();
        QObject::connect(&engine_, &CalibrationEngine::started, [this] { events_ << "started"; });
        QObject::connect(&engine_, &CalibrationEngine::reading, [this](const CalibrationReading& r) {
            events_ << "reading";
            readings_.push_back(r);
        });
        QObject::connect(&engine_, &CalibrationEngine::failed, [this](const EngineFailure& f) {
            events_ << "failed";
            failure_ = f;
        });
        QObject::connect(&engine_, &CalibrationEngine::stopped, [this] { events_ << "stopped"; });
    }
    void TearDown() override
    {
        engine_.Stop();
        StopPlay();
        VirtualLayerTest::TearDown();
    }
    bool readingsCome(size_t count)
    {
        return QTest::qWaitFor([&] { return readings_.size() >= count; }, 10000);
    }

    CalibrationEngine engine_;
    QStringList events_;
    std::vector<CalibrationReading> readings_;
    EngineFailure failure_;
};

} // namespace

// A sine of peak A reads (both channels, 8000 frames) 16000 * 2A/pi / 50;
// 1200 Hz at 48 kHz puts whole periods into a block, and the loopback adds
// nothing but the 16-bit rounding, so half a percent holds it.
TEST_F(CalibrationEngineTest, ReadsTheLevelOfTheToneOnTheLoopback)
{
    const struct {
        const char* name;
        double amplitude;
        double gainDb; // of the device under test
        bool over;
    } cases[] = {
        {"half scale", 0.5, 0.0, false},
        {"a tenth", 0.1, 0.0, false},
        {"driven into clipping", 0.8, 6.0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DutConfig dut;
        dut.gainDb[0] = dut.gainDb[1] = c.gainDb;
        VirtualCard::instance().setDut(dut);
        ASSERT_EQ(StartPlayTone(c.amplitude, 1200.0f), 0);
        readings_.clear();
        engine_.Start();
        ASSERT_TRUE(readingsCome(3)) << "one reading per block, until stopped";
        const CalibrationReading r = readings_.back();
        if (c.over) {
            EXPECT_GT(r.over, 100);
            EXPECT_TRUE(CalibrationIndicatorText(r).startsWith("over "));
        } else {
            EXPECT_EQ(r.over, 0);
            const double expected = 2.0 * kCalibrationBlockFrames * 2.0 * c.amplitude / std::numbers::pi / 50.0;
            EXPECT_NEAR(r.level, expected, expected * 0.005);
            EXPECT_EQ(CalibrationIndicatorText(r), QString::asprintf("%4.1f%%", double(r.level)));
        }
        engine_.Stop();
        StopPlay();
        EXPECT_FALSE(engine_.Running());
        // The block under way may still be read out; then nothing follows.
        QTest::qWait(100);
        const size_t after = readings_.size();
        QTest::qWait(100);
        EXPECT_EQ(readings_.size(), after) << "no recording after stop";
    }
    EXPECT_EQ(events_.first(), "started");
    EXPECT_EQ(events_.count("started"), events_.count("stopped"));
}

TEST_F(CalibrationEngineTest, ADeviceFaultEndsTheLoopWithTheDevicesText)
{
    const struct {
        VirtualFault fault;
        CalibrationEngine::Failure kind;
    } cases[] = {
        {VirtualFault::Stall, CalibrationEngine::Failure::Block},
        {VirtualFault::DeviceGone, CalibrationEngine::Failure::Block},
        {VirtualFault::OpenFails, CalibrationEngine::Failure::Record},
    };
    ASSERT_EQ(StartPlayTone(0.5, 1200.0f), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.fault));
        events_.clear();
        readings_.clear();
        engine_.Start();
        ASSERT_TRUE(readingsCome(1));
        VirtualCard::instance().injectFault(c.fault, 0, 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !engine_.Running(); }, 10000)) << "never a frozen loop";
        ASSERT_EQ(events_.count("failed"), 1);
        EXPECT_EQ(events_.mid(events_.indexOf("failed")), (QStringList{"failed", "stopped"}));
        EXPECT_EQ(failure_.kind, int(c.kind));
        EXPECT_GT(failure_.code, 0);
        EXPECT_EQ(failure_.text, SoundErrorText(failure_.code));
        EXPECT_FALSE(failure_.text.isEmpty());
    }
    // The next start measures again.
    readings_.clear();
    engine_.Start();
    EXPECT_TRUE(readingsCome(1));
}
