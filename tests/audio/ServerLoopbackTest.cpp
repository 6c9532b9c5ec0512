// Korvanta end to end on a real sound server: a PulseAudio daemon of this
// test with a null sink whose monitor is the default source, reached through
// ALSA's "default". The playback engine's sine is read back by the analyzer
// at the level it was played; a frozen server is a stall and a killed one a
// device loss, both ending in the error box with the page idle and the
// window never frozen; after the server is back, "&Reset Soundsystem" finds
// it and the next START works. So does a START on a server that was frozen
// before it. The input kept open between blocks never hands out what the
// server took in before a block was asked for. The cases that freeze or kill
// their server have a daemon of their own; the others share one, which none
// of them breaks. A test that is killed takes its servers with it. Skipped,
// with the reason, where the server cannot start.

#include "app/ui/ProgramRecords.h"
#include "platform/audio/alsa/AlsaBackend.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "tests/generator/SweepDriver.h"
#include "platform/audio/AudioBackend.h"
#include "platform/DeviceLog.h"
#include "diagram/ui/Diagr3.h"
#include "tests/support/TestFft.h"
#include "measure/LevelUnits.h"
#include "measure/ui/RadioGroup.h"
#include "tests/support/SineFit.h"
#include "audio/SoundLayer.h"
#include "tests/support/SoundServer.h"
#include "audio/Soundd3.h"
#include "generator/ui/Wavegene.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <alsa/asoundlib.h>
#include <cmath>
#include <complex>
#include <csignal>
#include <numbers>
#include <string_view>
#include <unistd.h>

using namespace korvanta;
using korvanta::testing_support::fft;

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

constexpr int kRate = 44100;
constexpr int kN = 2048;
constexpr float kOnBin64 = 64.0f * kRate / kN; // 1378.125 Hz, exactly on bin 64
constexpr int kBlockFrames = kN + kN / 8;       // what the analyzer asks for
constexpr int kResampledGraphRate = 48000;
// What is left of a sine after PipeWire's resampler there and back: its own
// products, about -53 dB (measured), far above a 16-bit sine's. Still far
// below a block with a gap.
constexpr double kResampledResidualDb = -45;
constexpr int kLoopPauseMs = 30;
constexpr int kMutedBlocks = 25;
// Far above a 16-bit sine's own, far below a block with a gap or a splice.
constexpr double kCleanResidualDb = -60;
enum { kHann = 2 };

// The shared server's process at the first case of this program.
qint64 SharedServerAtFirstCase()
{
    static const qint64 pid = SoundServer::instance().pid();
    return pid;
}

// Frames at the start of a block that carry sound, when the rest is silence.
int framesOfSound(const std::vector<float>& block)
{
    for (auto i = static_cast<int>(block.size() / 2); i > 0; --i)
        if (block[2 * i - 2] != 0.0f || block[2 * i - 1] != 0.0f)
            return i;
    return 0;
}

// The server's capture switch, through ALSA's mixer as a program sets it:
// a write returns once the server has muted its source, so from then on it
// captures silence, a step at a known time.
class CaptureSwitch {
public:
    CaptureSwitch()
    {
        if (snd_mixer_open(&mixer_, 0) < 0)
            return;
        if (snd_mixer_attach(mixer_, "default") < 0 || snd_mixer_selem_register(mixer_, nullptr, nullptr) < 0
            || snd_mixer_load(mixer_) < 0)
            return;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
            if (snd_mixer_selem_has_capture_switch(e) && std::string_view(snd_mixer_selem_get_name(e)) == "Capture")
                switch_ = e;
    }
    ~CaptureSwitch()
    {
        if (mixer_)
            snd_mixer_close(mixer_);
    }
    CaptureSwitch(const CaptureSwitch&) = delete;
    CaptureSwitch& operator=(const CaptureSwitch&) = delete;

    bool set(bool on) { return switch_ && snd_mixer_selem_set_capture_switch_all(switch_, on ? 1 : 0) == 0; }

private:
    snd_mixer_t* mixer_ = nullptr;
    snd_mixer_elem_t* switch_ = nullptr;
};

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
    // The daemon the case talks to: the shared one of the test program.
    virtual SoundServer& server() { return SoundServer::instance(); }
    // The page the program starts on: the analyzer's.
    virtual int startPage() const { return 0; }

    void SetUp() override
    {
        SharedServerAtFirstCase();
        MainWindowTest::SetUp();
        SKIP_UNLESS_RUNNING(server());
        server().setVolume(true, QStringLiteral("100%"));
        server().setVolume(false, QStringLiteral("100%"));
        server().pactlSucceeds({"set-source-mute", "@DEFAULT_SOURCE@", "0"});
        writeSettings(QStringLiteral("[MAIN]\nPAGE=%1\n[VOLUME]\nFGVOLUME=100\nFGINVOLUME=100\n[SDSOUND]\n")
                          .arg(startPage())
                          .toUtf8());
        AlsaBackend::instance().rescan();
        start();
        setUpDevices();
    }

    void TearDown() override
    {
        StopPlay();
        MainWindowTest::TearDown();
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
        fft().MakeWindow(kHann, kN);
        double mean = 0;
        for (int i = 0; i < kN; ++i)
            mean += fft().Window()[i];
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
        (server().*breakIt)();
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

    // Records one block of the analyzer's size through the capture engine,
    // interleaved; empty when none came.
    static std::vector<float> recordBlock()
    {
        bool arrived = false;
        EXPECT_EQ(StartRecord(kBlockFrames, 0, [&] { arrived = true; }), 0) << devlog::Lines().join('\n').toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return arrived; }, 10000));
        int count = 0, over = 0, user = 0;
        const float* data = GetRecordBlock(count, over, user);
        if (!data || count != 2 * kBlockFrames)
            return {};
        return {data, data + count};
    }

    // Peak of the on-bin sine in the right channel of a block (the first of
    // each pair), by a single-bin DFT.
    static double sinePeak(const std::vector<float>& block)
    {
        if (block.size() < 2u * kN)
            return -1;
        double re = 0, im = 0;
        for (int i = 0; i < kN; ++i) {
            const double phase = 2 * std::numbers::pi * 64 * i / kN;
            re += block[2 * i] * std::cos(phase);
            im += block[2 * i] * std::sin(phase);
        }
        return 2 * std::hypot(re, im) / kN;
    }

    // After the server is back: reset the sound system, and START works.
    void resetAndMeasure()
    {
        const qsizetype boxes = modals.messageTexts().size();
        main->Reset1Click();
        setUpDevices();
        int fault = 0;
        playSine(-10, &fault);
        // A fresh daemon links the new output stream to its loop a while
        // after the stream began: START measures once the loop carries the
        // sine, as a user starts it once the generator is heard.
        const double peak = std::pow(10.0, -10 / 20.0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(sinePeak(recordBlock()) - peak) < 0.01 * peak; }, 10000))
            << "the loop never carried the sine";
        startAnalyzer(0);
        ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000));
        EXPECT_EQ(modals.messageTexts().size(), boxes) << modals.messageTexts().join('\n').toStdString();
        EXPECT_NEAR(Forms().Diagramm->Points().curve1()[64], expectedLevel(std::pow(10.0, -10 / 20.0)), 0.05);
        EXPECT_EQ(fault, 0);
    }
};

// The cases that freeze or kill their server, each with a daemon of its own.
class BrokenServerLoopback : public ServerLoopback {
protected:
    SoundServer& server() override { return own_; }

private:
    OwnSoundServer own_;
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

// Blocks follow each other at the device's pace, but none holds what the
// server took in before the block was asked for: not after a pause of the
// loop, when the input has run on since the last block (not even the sound
// the server had already sent, which a busy machine receives late), and not
// after the generator stopped (none of the old sine is left in it). A step
// tells which frames a block holds: the server's source is muted just before
// each block is asked for, so every frame of sound in a block was taken in
// before that. The bound is none at all. Each block is one draw (on the
// server, sound in transit at the moment of asking is a matter of chance),
// hence many of them.
TEST_F(ServerLoopback, EveryBlockIsRecordedAfterItWasAskedFor)
{
    int fault = 0;
    playSine(-10, &fault);
    const double peak = std::pow(10.0, -10 / 20.0);
    CaptureSwitch capture;
    EXPECT_NEAR(sinePeak(recordBlock()), peak, 0.01);
    for (int i = 0; i < kMutedBlocks; ++i) {
        ASSERT_TRUE(capture.set(true));
        // The loop pauses without running events (so the input surely runs
        // on), long enough for sound to be on its way again.
        QThread::msleep(kLoopPauseMs);
        ASSERT_TRUE(capture.set(false));
        ASSERT_TRUE(Layer().keptIn) << "the block would not come from the input that ran on";
        const std::vector<float> block = recordBlock();
        ASSERT_FALSE(block.empty());
        EXPECT_EQ(framesOfSound(block), 0) << "block " << i << " began with sound from before it was asked for";
    }
    // A block of the input that ran on is whole: one clean sine.
    ASSERT_TRUE(capture.set(true));
    QThread::msleep(kLoopPauseMs);
    const SineFit fit = FitSine(recordBlock(), 0, kOnBin64, kRate);
    EXPECT_NEAR(fit.amplitude, peak, 0.01);
    EXPECT_LT(fit.residualDb, kCleanResidualDb);
    // The sine the server still had on its way when the generator stopped
    // reaches the input after the next block is asked for, as late as a busy
    // machine delivers it: that is the loop's delay, not an old block. So the
    // source is muted here too, and the block may hold nothing at all.
    StopPlay();
    ASSERT_TRUE(capture.set(false));
    const std::vector<float> afterStop = recordBlock();
    ASSERT_FALSE(afterStop.empty());
    EXPECT_EQ(framesOfSound(afterStop), 0) << "the block held the sine played before it was asked for";
    EXPECT_EQ(fault, 0);
}

// PipeWire's plugin opens and starts a stream without waiting for its
// server, so a frozen PipeWire is met as a stall, never as an open without
// an answer; and it does not tell its output that the server is gone: a
// killed PipeWire's output is one that takes nothing.
static bool onPipeWire() { return TestServerKind() == ServerKind::PipeWire; }

TEST_F(BrokenServerLoopback, FrozenServerIsAStallAndAResetFindsItAgain)
{
    // Frozen during a block, the block stalls; between two blocks, the next
    // one's start gets no answer.
    breakServerWhileRunning(&SoundServer::pause,
                            {SoundErrorText(WAVERR_DEVICE_STALLED),
                             Messages().nextBlockError + SoundErrorText(WAVERR_DEVICE_NO_ANSWER)},
                            WAVERR_OUTPUT_STALLED);
    server().resume();
    resetAndMeasure();
}

TEST_F(BrokenServerLoopback, KilledServerIsADeviceLossAndARestartedOneIsFoundAgain)
{
    // Killed during a block, the block is cut off; between two blocks, the
    // next one cannot open it (refused: no server listens).
    breakServerWhileRunning(&SoundServer::kill,
                            {SoundErrorText(WAVERR_DEVICE_GONE), Messages().nextBlockError + SoundErrorText(MMSYSERR_ERROR)},
                            onPipeWire() ? WAVERR_OUTPUT_STALLED : WAVERR_OUTPUT_GONE);
    ASSERT_TRUE(server().start()) << server().reason().toStdString();
    resetAndMeasure();
}

// The generator window plays and the analyzer runs when the server dies:
// both fail, and the second failure arrives while the first box is open
// (a real box runs the event loop, as the hook here does). The user gets one
// box with the cause and the remedy, not two stacked on each other.
TEST_F(BrokenServerLoopback, AServerThatDiesUnderGeneratorAndAnalyzerIsOneBox)
{
    TWavegen* gen = Forms().Wavegen;
    ASSERT_TRUE(gen);
    gen->SetFrequency(kOnBin64);
    gen->Gstart->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return gen->RunningLook() && IsPlaying(); }, 5000));
    startAnalyzer(1);
    ASSERT_TRUE(QTest::qWaitFor([] { return Analyzer().Running; }, 5000));
    QStringList boxes;
    const auto bothEnded = [&] { return !Analyzer().Running && !gen->RunningLook() && !IsPlaying(); };
    modal::SetHook([&](const modal::Question& q) {
        boxes << q.text;
        (void)QTest::qWaitFor(bothEnded, 20000); // checked after the hook
        return modal::Answer{};
    });
    server().kill();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !boxes.isEmpty() && bothEnded(); }, 20000))
        << devlog::Lines().join('\n').toStdString();
    modal::SetHook({});
    ASSERT_EQ(boxes.size(), 1) << boxes.join("\n----\n").toStdString();
    EXPECT_TRUE(boxes.first().contains(QStringLiteral("\n\n"))) << "the cause and what to do follow the text";
    EXPECT_TRUE(devlog::Lines().join('\n').contains(QStringLiteral("folded"))) << "the other failure was seen";
}

TEST_F(BrokenServerLoopback, StartOnAFrozenServerFailsWithinSecondsAndAResetRecovers)
{
    server().pause();
    Heartbeat heartbeat;
    QElapsedTimer t;
    t.start();
    startAnalyzer(0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !modals.messageTexts().isEmpty(); }, 8000));
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_LT(heartbeat.longestGapMs(), 4000) << "the window froze";
    ASSERT_FALSE(modals.messageTexts().isEmpty());
    const QString box = modals.messageTexts().first();
    // On PipeWire the start succeeds and its first block stalls.
    EXPECT_TRUE(box.startsWith(onPipeWire() ? Messages().nextBlockError : Messages().startSampleError))
        << box.toStdString();
    EXPECT_TRUE(box.contains(SoundErrorText(onPipeWire() ? WAVERR_DEVICE_STALLED : WAVERR_DEVICE_NO_ANSWER)))
        << box.toStdString();
    EXPECT_FALSE(Analyzer().Running);
    EXPECT_TRUE(page()->StartButton->isEnabled());
    // The generator's start likewise; on PipeWire it starts, and learns
    // within seconds that nothing is taken.
    t.restart();
    int fault = 0;
    const int started = StartPlay(GeneratorSettings{}, -1, kOnBin64, [&fault](int code) { fault = code; });
    EXPECT_LT(t.elapsed(), 5000);
    if (onPipeWire()) {
        EXPECT_EQ(started, 0);
        EXPECT_TRUE(QTest::qWaitFor([] { return !IsPlaying(); }, 8000));
        EXPECT_EQ(fault, WAVERR_OUTPUT_STALLED);
    } else {
        EXPECT_EQ(started, WAVERR_DEVICE_NO_ANSWER);
    }
    EXPECT_FALSE(IsPlaying());
    server().resume();
    resetAndMeasure();
}

// A block of the input kept from the last one begins with a new stream,
// which asks the server: a stopped server gives that start up within
// seconds, as it does an open, and once it is back the next block comes.
TEST_F(BrokenServerLoopback, KeptInputOnAFrozenServerGivesUpWithinSeconds)
{
    ASSERT_EQ(recordBlock().size(), 2u * kBlockFrames) << devlog::Lines().join('\n').toStdString();
    ASSERT_TRUE(Layer().keptIn);
    server().pause();
    QElapsedTimer t;
    t.start();
    if (onPipeWire()) {
        bool arrived = false;
        EXPECT_EQ(StartRecord(kBlockFrames, 0, [&] { arrived = true; }), 0);
        EXPECT_LT(t.elapsed(), 5000) << "the window was held";
        EXPECT_TRUE(QTest::qWaitFor([&] { return arrived; }, 10000));
        int count = 0, over = 0, user = 0;
        EXPECT_EQ(GetRecordBlock(count, over, user), nullptr) << "a block of a frozen server";
        EXPECT_EQ(Layer().lastError, WAVERR_DEVICE_STALLED);
    } else {
        EXPECT_EQ(StartRecord(kBlockFrames, 0, [] {}), WAVERR_DEVICE_NO_ANSWER);
        EXPECT_LT(t.elapsed(), 5000) << "the window was held";
        EXPECT_TRUE(devlog::Lines().join('\n').contains("did not start within"));
    }
    server().resume();
    EXPECT_EQ(recordBlock().size(), 2u * kBlockFrames) << devlog::Lines().join('\n').toStdString();
}

// "&Reset Soundsystem" reads the device list again, which opens every PCM:
// on a stopped server that must not freeze the window either, and the
// server's devices stay in the list, so they work again once it is back.
TEST_F(BrokenServerLoopback, ResetOnAFrozenServerKeepsTheWindowResponsive)
{
    server().pause();
    Heartbeat heartbeat;
    QElapsedTimer t;
    t.start();
    main->Reset1Click();
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_LT(heartbeat.longestGapMs(), 4000) << "the window froze";
    EXPECT_GE(CurrentAudioBackend().inputCount(), 1) << "the server's input left the list";
    server().resume();
    resetAndMeasure();
}

namespace {
// What is PipeWire's own. On PulseAudio these cases say so and skip.
class PipeWireLoopback : public ServerLoopback {
protected:
    void SetUp() override
    {
        ServerLoopback::SetUp();
        if (!onPipeWire())
            GTEST_SKIP() << "a case of PipeWire's own";
    }

    // The sine fitted to the raw block and the analyzer's reading of it: one
    // block of the input as it is, then an analyzer run on the same input.
    void expectLevelOfFittedSine(double sineHz, double residualDb = kCleanResidualDb)
    {
        const std::vector<float> block = recordBlock();
        ASSERT_EQ(block.size(), 2u * kBlockFrames);
        const SineFit first = FitSine(block, 0, sineHz, kRate), second = FitSine(block, 1, sineHz, kRate);
        EXPECT_LT(first.residualDb, residualDb) << "the raw block is no clean sine";
        startAnalyzer(0);
        ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 20000));
        EXPECT_TRUE(modals.messageTexts().isEmpty()) << modals.messageTexts().join('\n').toStdString();
        const TDiagramm* d = Forms().Diagramm;
        EXPECT_NEAR(d->Points().curve1()[64], expectedLevel(first.amplitude), 0.05);
        EXPECT_NEAR(d->Points().curve2()[64], expectedLevel(second.amplitude), 0.05);
    }
};

// The graph runs at 48 kHz and the program at 44.1 kHz: the server
// resamples both ways, and what the analyzer reads is what came.
class ResamplingPipeWire : public PipeWireLoopback {
protected:
    SoundServer& server() override { return own_; }

private:
    OwnSoundServer own_{kResampledGraphRate};
};

// A loop whose sink WirePlumber suspends when it was idle for five seconds.
class SleepingPipeWire : public PipeWireLoopback {
protected:
    SoundServer& server() override { return own_; }

private:
    OwnSoundServer own_{kDefaultServerRate, true};
};

// WirePlumber suspends a node idle for five seconds.
constexpr int kSuspendedAfterMs = 7000;
// Shorter than the server's 1024, and no divisor of the analyzer's block:
// a block's edges fall inside a quantum.
constexpr int kOtherQuantum = 512;
} // namespace

TEST_F(ResamplingPipeWire, LevelOfAResampledSineIsThatOfItsFit)
{
    int fault = 0;
    playSine(-10, &fault);
    expectLevelOfFittedSine(kOnBin64, kResampledResidualDb);
    EXPECT_EQ(fault, 0);
}

namespace {
// A low-pass on the loop's first channel inside the resampling graph: the
// filter-chain's builtin "bq_lowpass", which runs at the graph's rate.
constexpr double kLoopLowPassHz = 2000;
constexpr double kLoopLowPassQ = 0.707;
constexpr int kPhaseSweepFrom = 100;
constexpr int kPhaseSweepTo = 5000;
constexpr int kPhaseSweepSteps = 16;
// Every step starts a new stream through the server: the tone has to pass
// the server's buffers and the filter has to settle before its block.
constexpr int kPhaseSweepSettleMs = 300;
constexpr int kPhaseSweepTimeoutMs = 120000;
constexpr double kPhaseToleranceDeg = 2.0;
constexpr double kGainToleranceDb = 0.1;

struct BiquadCoefficients {
    double b0, b1, b2, a1, a2;
};

// The builtin low-pass as PipeWire 0.3 computes it from its "Freq" and "Q"
// at the graph's rate: the Web Audio low-pass of old, whose "Q" is a
// resonance in dB (0 dB is Butterworth), not the quality factor of the
// audio-EQ cookbook's (which later PipeWire releases use: at Q 0.707 the two
// differ by up to 6 degrees here).
BiquadCoefficients PipeWireLowPass(double corner, double resonanceDb, int rate)
{
    const double g = std::pow(10.0, std::max(0.0, resonanceDb) / 20);
    const double d = std::sqrt((4 - std::sqrt(16 - 16 / (g * g))) / 2);
    const double theta = 2 * std::numbers::pi * corner / rate;
    const double sn = 0.5 * d * std::sin(theta);
    const double beta = 0.5 * (1 - sn) / (1 + sn);
    const double gamma = (0.5 + beta) * std::cos(theta);
    const double alpha = 0.25 * (0.5 + beta - gamma);
    return {2 * alpha, 4 * alpha, 2 * alpha, -2 * gamma, 2 * beta};
}

std::complex<double> BiquadResponse(const BiquadCoefficients& k, double f, int rate)
{
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / rate);
    return (k.b0 + k.b1 * z1 + k.b2 * z1 * z1) / (1.0 + k.a1 * z1 + k.a2 * z1 * z1);
}

// The graph at 48 kHz resamples what the program plays at 44.1 kHz and what
// it records; the first channel runs through the low-pass, the second
// passes straight as the sweep's reference. A plain loop would read 0°
// whatever the resampler did to both channels alike.
class FilteredResamplingPipeWire : public PipeWireLoopback {
protected:
    SoundServer& server() override { return own_; }
    int startPage() const override { return 1; }

private:
    OwnSoundServer own_{kResampledGraphRate, false,
                        LoopFilter{QStringLiteral("type = builtin label = bq_lowpass control = { Freq = %1 Q = %2 }")
                                       .arg(kLoopLowPassHz)
                                       .arg(kLoopLowPassQ),
                                   {}}};
};
} // namespace

// The sweep against its reference channel, as the program runs it: the
// filtered channel is the left one (the device's first), measured against
// the right, and what it reads is the filter's own gain and phase.
TEST_F(FilteredResamplingPipeWire, ReferenceSweepReadsTheFiltersPhase)
{
    TGeneratorPage* sweepPage = main->GeneratorPage;
    ASSERT_TRUE(sweepPage->Entered());
    SetSweepPlan(sweepPage, Forms().Wobbeldlg,
                 {.from = kPhaseSweepFrom, .to = kPhaseSweepTo, .steps = kPhaseSweepSteps, .mode = kRightReference,
                  .phaseOn = true, .settleMs = kPhaseSweepSettleMs});
    ASSERT_TRUE(RunSweep(sweepPage, kPhaseSweepTimeoutMs));
    EXPECT_TRUE(modals.messageTexts().isEmpty()) << modals.messageTexts().join('\n').toStdString();
    const std::vector<DrawnPoint> points = DrawnPoints(Forms().Diagramm);
    ASSERT_EQ(points.size(), size_t(kPhaseSweepSteps + 1));
    const BiquadCoefficients lowPass = PipeWireLowPass(kLoopLowPassHz, kLoopLowPassQ, kResampledGraphRate);
    for (const DrawnPoint& p : points) {
        const std::complex<double> h = BiquadResponse(lowPass, p.f, kResampledGraphRate);
        std::printf("%8.1f Hz: read %7.2f dB %8.2f deg, filter %7.2f dB %8.2f deg\n", p.f, p.v1, p.v2,
                    20 * std::log10(std::abs(h)), std::arg(h) * 180 / std::numbers::pi);
        EXPECT_NEAR(p.v1, 20 * std::log10(std::abs(h)), kGainToleranceDb) << "gain at " << p.f << " Hz";
        EXPECT_NEAR(p.v2, std::arg(h) * 180 / std::numbers::pi, kPhaseToleranceDeg) << "phase at " << p.f << " Hz";
    }
}

// The loop's sink and source sleep while nothing plays; a block after that
// is read right, and so is the generator's first second.
TEST_F(SleepingPipeWire, AfterTheLoopWasSuspendedTheSineIsReadRight)
{
    int fault = 0;
    playSine(-10, &fault);
    StopPlay();
    QTest::qWait(kSuspendedAfterMs);
    EXPECT_TRUE(server().pactl({"list", "short", "sinks"}).contains(QLatin1String("SUSPENDED")))
        << server().pactl({"list", "short", "sinks"}).toStdString();
    playSine(-10, &fault);
    expectLevelOfFittedSine(kOnBin64);
    EXPECT_EQ(fault, 0);
}

// Another program asks for a shorter period: the graph's quantum changes
// while the input is kept open and the generator plays. The blocks asked
// for after it are whole.
TEST_F(PipeWireLoopback, BlocksAfterAQuantumChangeAreWhole)
{
    int fault = 0;
    playSine(-10, &fault);
    ASSERT_EQ(recordBlock().size(), 2u * kBlockFrames);
    ASSERT_TRUE(server().setQuantum(kOtherQuantum));
    // The graph takes the new quantum at a cycle of its own after the
    // setting is written, later on a busy machine; the first block asked for
    // after it may still hold that cycle. The blocks after it cannot.
    ASSERT_EQ(recordBlock().size(), 2u * kBlockFrames);
    const double peak = std::pow(10.0, -10 / 20.0);
    for (int i = 0; i < 3; ++i) {
        const SineFit fit = FitSine(recordBlock(), 0, kOnBin64, kRate);
        EXPECT_NEAR(fit.amplitude, peak, 0.01) << "block " << i;
        EXPECT_LT(fit.residualDb, kCleanResidualDb) << "block " << i;
    }
    EXPECT_TRUE(server().setQuantum(1024));
    EXPECT_EQ(fault, 0);
}

namespace {
// Whether a process runs (a zombie waiting for a parent that does not reap
// it counts as gone).
bool alive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray fields = stat.readAll();
    return !fields.mid(fields.lastIndexOf(')') + 2, 1).startsWith('Z');
}

// The sound servers this process has started and that still run.
QList<qint64> runningServers()
{
    QList<qint64> pids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray fields = stat.readAll();
        const QList<QByteArray> after = fields.mid(fields.lastIndexOf(')') + 2).split(' ');
        const bool server = fields.contains("(pulseaudio)") || fields.contains("(pipewire)")
                            || fields.contains("(wireplumber)") || fields.contains("(dbus-daemon)");
        if (server && after.size() > 1 && after[1].toLongLong() == ::getpid() && alive(entry.toLongLong()))
            pids.append(entry.toLongLong());
    }
    return pids;
}
} // namespace

// A test killed outright leaves no server behind, neither the shared one
// nor one of a case: this program runs itself as a child that starts both
// and waits, and the child is killed.
TEST(SoundServerLifetime, ServersEndWithAKilledTest)
{
    if (qEnvironmentVariableIsSet("KORVANTA_SERVER_CHILD")) {
        OwnSoundServer own;
        QStringList pids;
        for (const qint64 pid : SoundServer::instance().pids() + own.pids())
            pids << QString::number(pid);
        std::printf("server pids %lld %lld all %s\n", static_cast<long long>(SoundServer::instance().pid()),
                    static_cast<long long>(own.pid()), qPrintable(pids.join(',')));
        std::fflush(stdout);
        QTest::qWait(60000);
        return;
    }
    SKIP_WITHOUT_SOUND_SERVER();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANTA_SERVER_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=SoundServerLifetime.ServersEndWithAKilledTest")});
    QString out;
    const QRegularExpression line(QStringLiteral("server pids (\\d+) (\\d+) all ([\\d,]+)"));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        out += QString::fromLocal8Bit(child.readAllStandardOutput());
        return line.match(out).hasMatch();
    }, 30000)) << out.toStdString();
    const qint64 shared = line.match(out).captured(1).toLongLong();
    const qint64 own = line.match(out).captured(2).toLongLong();
    ASSERT_GT(shared, 0) << "the child could not start its shared server";
    ASSERT_GT(own, 0) << "the child could not start a server of its own";
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished(5000);
    QList<qint64> all;
    for (const QString& pid : line.match(out).captured(3).split(','))
        all.append(pid.toLongLong());
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::none_of(all.begin(), all.end(), alive); }, 5000))
        << "a process of a server of the killed test is still running";
}

// The cases that froze or killed their server did so to a daemon of their
// own, which ended with them: the shared one is the same process as at the
// first case, answers, and is the only server left.
TEST(SoundServerLifetime, TheSharedServerOutlivesTheCasesThatBrokeTheirs)
{
    SKIP_WITHOUT_SOUND_SERVER();
    EXPECT_EQ(SoundServer::instance().pid(), SharedServerAtFirstCase());
    EXPECT_TRUE(SoundServer::instance().pactlSucceeds({"info"}));
    QList<qint64> expected = SoundServer::instance().pids();
    QList<qint64> running = runningServers();
    std::sort(expected.begin(), expected.end());
    std::sort(running.begin(), running.end());
    EXPECT_EQ(running, expected);
}
