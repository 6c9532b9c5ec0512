// Korvanta end to end on a real sound server: a PulseAudio daemon of this
// test with a null sink whose monitor is the default source, reached through
// ALSA's "default". The playback engine's sine is read back by the analyzer
// at the level it was played; a frozen server is a stall and a killed one a
// device loss, both ending in the error box with the page idle and the
// window never frozen; after the server is back, "&Reset Soundsystem" finds
// it and the next START works. Skipped, with the reason, where the server
// cannot start.

#include "AlsaBackend.h"
#include "AnalyzerPage.h"
#include "AppTestSupport.h"
#include "DeviceLog.h"
#include "Diagr3.h"
#include "FFtuli.h"
#include "LevelUnits.h"
#include "RadioGroup.h"
#include "SoundLayer.h"
#include "SoundServer.h"
#include "Soundd3.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

constexpr int kRate = 44100;
constexpr int kN = 2048;
constexpr float kOnBin64 = 64.0f * kRate / kN; // 1378.125 Hz, exactly on bin 64
enum { kHann = 2 };

// Watches the event loop: the longest time it went without running a timer.
class Heartbeat {
public:
    Heartbeat()
    {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, clock_.restart());
        });
        timer_.start(50);
    }
    qint64 longestGapMs() const { return std::max(longest_, clock_.elapsed()); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

class ServerLoopback : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SKIP_WITHOUT_SOUND_SERVER();
        SoundServer::instance().setVolume(true, QStringLiteral("100%"));
        SoundServer::instance().setVolume(false, QStringLiteral("100%"));
        writeSettings("[MAIN]\nPAGE=0\n[VOLUME]\nFGVOLUME=100\nFGINVOLUME=100\n[SDSOUND]\n");
        AlsaBackend::instance().rescan();
        start();
        setUpDevices();
    }

    void TearDown() override
    {
        StopPlay();
        MainWindowTest::TearDown();
        // A test that stopped or killed the server leaves it running for the next.
        SoundServer::instance().resume();
        if (!SoundServer::instance().running())
            SoundServer::instance().start();
    }

    static void setUpDevices()
    {
        SetInDevice(0);
        SetOutDevice(0);
        SetSampleRates(kRate, kRate);
        SetBits(16, 16);
        SetFlip(false, false);
        SetAutoDC(false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
    }

    // Plays the sine and waits until the server has played a second of it
    // (a sink that was idle may take two seconds to notice a new stream).
    void playSine(int level, int* fault)
    {
        GeneratorSettings g;
        g.levelLeft = g.levelRight = level;
        ASSERT_EQ(StartPlay(g, -1, kOnBin64, [fault](int code) { *fault = code; }), 0)
            << devlog::Lines().join('\n').toStdString();
        const WaveOut* out = Layer().waveOut.get();
        ASSERT_TRUE(out);
        ASSERT_TRUE(QTest::qWaitFor([&] { return out->framesWritten() > 1.5 * kRate; }, 10000));
    }

    TAnalyzerPage* page() const { return main->AnalyzerPage; }

    void startAnalyzer(int running)
    {
        page()->FFTpointsgroup->setItemIndex(0);
        page()->FFTwinGroup->setItemIndex(kHann);
        page()->AverVal->setValue(4);
        page()->RunningGroup->setItemIndex(running);
        page()->StartButton->click();
    }

    // F ln(A w/2) + O: the analyzer's reading of an on-bin sine of peak A.
    static double expectedLevel(double peak)
    {
        MakeWindow(kHann, kN);
        double mean = 0;
        for (int i = 0; i < kN; ++i)
            mean += WindowTable()[i];
        mean /= kN;
        const LevelParameters p = GetLevelParameters(Analyzer());
        return p.factor * std::log(peak * mean / 2) + p.offset;
    }

    // Freezes or kills the server while the analyzer and the generator run:
    // the analyzer's error box comes while the window keeps running, the
    // page is idle, and the generator has heard of its own fault.
    void breakServerWhileRunning(void (SoundServer::*breakIt)(), const QStringList& boxTexts, int outputCode)
    {
        int outputFault = 0;
        playSine(-10, &outputFault);
        startAnalyzer(1);
        ASSERT_TRUE(QTest::qWaitFor([] { return Analyzer().Running; }, 5000));
        QTest::qWait(500);
        Heartbeat heartbeat;
        (SoundServer::instance().*breakIt)();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !modals.messageTexts().isEmpty(); }, 15000))
            << devlog::Lines().join('\n').toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !IsPlaying(); }, 15000));
        EXPECT_LT(heartbeat.longestGapMs(), 4000) << "the window froze";
        ASSERT_FALSE(modals.messageTexts().isEmpty());
        const QString box = modals.messageTexts().first();
        EXPECT_TRUE(std::any_of(boxTexts.begin(), boxTexts.end(), [&](const QString& t) { return box.contains(t); }))
            << box.toStdString();
        EXPECT_FALSE(Analyzer().Running);
        EXPECT_TRUE(page()->StartButton->isEnabled());
        EXPECT_EQ(outputFault, outputCode) << "the generator learns that its output failed";
    }

    // After the server is back: reset the sound system, and START works.
    void resetAndMeasure()
    {
        const qsizetype boxes = modals.messageTexts().size();
        main->Reset1Click();
        setUpDevices();
        int fault = 0;
        playSine(-10, &fault);
        startAnalyzer(0);
        ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000));
        EXPECT_EQ(modals.messageTexts().size(), boxes) << modals.messageTexts().join('\n').toStdString();
        EXPECT_NEAR(Forms().Diagramm->Points().curve1()[64], expectedLevel(std::pow(10.0, -10 / 20.0)), 0.05);
        EXPECT_EQ(fault, 0);
    }
};
} // namespace

TEST_F(ServerLoopback, PlayedSineIsReadAtItsLevelOnBothChannels)
{
    int fault = 0;
    playSine(-6, &fault);
    startAnalyzer(0);
    ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000));
    ASSERT_TRUE(modals.messageTexts().isEmpty()) << modals.messageTexts().join('\n').toStdString();
    const double expected = expectedLevel(std::pow(10.0, -6 / 20.0));
    const TDiagramm* d = Forms().Diagramm;
    EXPECT_NEAR(d->Points().x()[64], kOnBin64, 0.01);
    EXPECT_NEAR(d->Points().curve1()[64], expected, 0.05);
    EXPECT_NEAR(d->Points().curve2()[64], expected, 0.05);
    EXPECT_EQ(fault, 0);
}

TEST_F(ServerLoopback, FrozenServerIsAStallAndAResetFindsItAgain)
{
    breakServerWhileRunning(&SoundServer::pause, {SoundErrorText(WAVERR_DEVICE_STALLED)}, WAVERR_OUTPUT_STALLED);
    SoundServer::instance().resume();
    resetAndMeasure();
}

TEST_F(ServerLoopback, KilledServerIsADeviceLossAndARestartedOneIsFoundAgain)
{
    // Killed during a block, the block is cut off; between two blocks, the
    // next one cannot start.
    breakServerWhileRunning(&SoundServer::kill, {SoundErrorText(WAVERR_DEVICE_GONE), Messages().startSampleError},
                            WAVERR_OUTPUT_GONE);
    ASSERT_TRUE(SoundServer::instance().start()) << SoundServer::instance().reason().toStdString();
    resetAndMeasure();
}

// A short run of what the soak benchmark does for half an hour: the device
// sets the pace, and it never runs dry.
TEST_F(ServerLoopback, GeneratorPlaysTenSecondsWithoutAnUnderrun)
{
    int fault = 0;
    playSine(-10, &fault);
    QTest::qWait(10000);
    const WaveOut* out = Layer().waveOut.get();
    ASSERT_TRUE(out);
    EXPECT_EQ(out->underruns(), 0);
    EXPECT_EQ(devlog::Lines().filter(QStringLiteral("underrun")).size(), 0);
    EXPECT_EQ(fault, 0);
    EXPECT_TRUE(IsPlaying());
}
