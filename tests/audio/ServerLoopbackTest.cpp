// Korvanta end to end on a real sound server: a PulseAudio daemon of this
// test with a null sink whose monitor is the default source, reached through
// ALSA's "default". The playback engine's sine is read back by the analyzer
// at the level it was played; a frozen server is a stall and a killed one a
// device loss, both ending in the error box with the page idle and the
// window never frozen; after the server is back, "&Reset Soundsystem" finds
// it and the next START works. So does a START on a server that was frozen
// before it. The input kept open between blocks never hands out what it
// captured before a block was asked for. The cases that freeze or kill
// their server have a daemon of their own; the others share one, which none
// of them breaks. A test that is killed takes its servers with it. Skipped,
// with the reason, where the server cannot start.

#include "AlsaBackend.h"
#include "AnalyzerPage.h"
#include "AppTestSupport.h"
#include "AudioBackend.h"
#include "DeviceLog.h"
#include "Diagr3.h"
#include "FFtuli.h"
#include "LevelUnits.h"
#include "RadioGroup.h"
#include "SoundLayer.h"
#include "SoundServer.h"
#include "Soundd3.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <numbers>
#include <unistd.h>

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

constexpr int kRate = 44100;
constexpr int kN = 2048;
constexpr float kOnBin64 = 64.0f * kRate / kN; // 1378.125 Hz, exactly on bin 64
enum { kHann = 2 };

// The shared server's process at the first case of this program.
qint64 SharedServerAtFirstCase()
{
    static const qint64 pid = SoundServer::instance().pid();
    return pid;
}

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

    void SetUp() override
    {
        SharedServerAtFirstCase();
        MainWindowTest::SetUp();
        SKIP_UNLESS_RUNNING(server());
        server().setVolume(true, QStringLiteral("100%"));
        server().setVolume(false, QStringLiteral("100%"));
        writeSettings("[MAIN]\nPAGE=0\n[VOLUME]\nFGVOLUME=100\nFGINVOLUME=100\n[SDSOUND]\n");
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

    // Records one block of the analyzer's size through the capture engine;
    // how long it took goes to `ms`. Returns the peak of the on-bin sine in
    // its right channel (a single-bin DFT).
    static double recordBlock(qint64& ms)
    {
        const int frames = kN + kN / 8;
        bool arrived = false;
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(StartRecord(frames, 0, [&] { arrived = true; }), 0) << devlog::Lines().join('\n').toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return arrived; }, 10000));
        ms = t.elapsed();
        int count = 0, over = 0, user = 0;
        const float* data = GetRecordBlock(count, over, user);
        if (!data || count != 2 * frames)
            return -1;
        double re = 0, im = 0;
        for (int i = 0; i < kN; ++i) {
            const double phase = 2 * std::numbers::pi * 64 * i / kN;
            re += data[2 * i] * std::cos(phase);
            im += data[2 * i] * std::sin(phase);
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

// Blocks follow each other at the device's pace, but none starts with what
// was captured before it was asked for: not after a pause of the loop (it
// takes its whole duration to record), and not after the generator stopped
// (none of the old sine is left in it).
TEST_F(ServerLoopback, EveryBlockIsRecordedAfterItWasAskedFor)
{
    int fault = 0;
    playSine(-10, &fault);
    qint64 ms = 0;
    const double blockMs = 1000.0 * (kN + kN / 8) / kRate;
    EXPECT_NEAR(recordBlock(ms), std::pow(10.0, -10 / 20.0), 0.01);
    QTest::qWait(300);
    EXPECT_NEAR(recordBlock(ms), std::pow(10.0, -10 / 20.0), 0.01);
    EXPECT_GE(ms, blockMs - 2) << "the block held sound from before it was asked for";
    StopPlay();
    EXPECT_LT(recordBlock(ms), 1e-3) << "the block held the sine played before it was asked for";
    EXPECT_EQ(fault, 0);
}

TEST_F(BrokenServerLoopback, FrozenServerIsAStallAndAResetFindsItAgain)
{
    breakServerWhileRunning(&SoundServer::pause, {SoundErrorText(WAVERR_DEVICE_STALLED)}, WAVERR_OUTPUT_STALLED);
    server().resume();
    resetAndMeasure();
}

TEST_F(BrokenServerLoopback, KilledServerIsADeviceLossAndARestartedOneIsFoundAgain)
{
    // Killed during a block, the block is cut off; between two blocks, the
    // next one cannot open it (refused: no server listens).
    breakServerWhileRunning(&SoundServer::kill,
                            {SoundErrorText(WAVERR_DEVICE_GONE), Messages().nextBlockError + SoundErrorText(MMSYSERR_ERROR)},
                            WAVERR_OUTPUT_GONE);
    ASSERT_TRUE(server().start()) << server().reason().toStdString();
    resetAndMeasure();
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
    EXPECT_TRUE(box.startsWith(Messages().startSampleError)) << box.toStdString();
    EXPECT_TRUE(box.contains(SoundErrorText(WAVERR_DEVICE_NO_ANSWER))) << box.toStdString();
    EXPECT_FALSE(Analyzer().Running);
    EXPECT_TRUE(page()->StartButton->isEnabled());
    // The generator's start likewise.
    t.restart();
    EXPECT_EQ(StartPlay(GeneratorSettings{}, -1, kOnBin64), WAVERR_DEVICE_NO_ANSWER);
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_FALSE(IsPlaying());
    server().resume();
    resetAndMeasure();
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
        if (fields.contains("(pulseaudio)") && after.size() > 1 && after[1].toLongLong() == ::getpid()
            && alive(entry.toLongLong()))
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
        std::printf("server pids %lld %lld\n", static_cast<long long>(SoundServer::instance().pid()),
                    static_cast<long long>(own.pid()));
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
    const QRegularExpression line(QStringLiteral("server pids (\\d+) (\\d+)"));
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alive(shared) && !alive(own); }, 5000))
        << "a server of the killed test is still running";
}

// The cases that froze or killed their server did so to a daemon of their
// own, which ended with them: the shared one is the same process as at the
// first case, answers, and is the only server left.
TEST(SoundServerLifetime, TheSharedServerOutlivesTheCasesThatBrokeTheirs)
{
    SKIP_WITHOUT_SOUND_SERVER();
    EXPECT_EQ(SoundServer::instance().pid(), SharedServerAtFirstCase());
    EXPECT_TRUE(SoundServer::instance().pactlSucceeds({"info"}));
    EXPECT_EQ(runningServers(), QList<qint64>{SoundServer::instance().pid()});
}
