// The capture engine end to end on the virtual loopback card: what is played
// comes back converted, in the right channel order, with clipping counted;
// every device fault ends as a missing block with its code and log line, and
// the next recording works.

#include "tests/audio/AudioTestSupport.h"

#include <QFile>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace {
GeneratorSettings sine(int levelLeft, int levelRight)
{
    GeneratorSettings g;
    g.levelLeft = levelLeft;
    g.levelRight = levelRight;
    return g;
}

int zeroCrossings(const std::vector<float>& block, int channel)
{
    int n = 0;
    for (size_t i = 2 + channel; i < block.size(); i += 2)
        if ((block[i - 2] < 0) != (block[i] < 0))
            ++n;
    return n;
}
} // namespace

using CaptureEngine = VirtualLayerTest;

TEST_F(CaptureEngine, PlayedSineComesBackAtItsLevelInTheRightChannelOrder)
{
    ASSERT_EQ(StartPlay(sine(-6, GeneratorSettings::kLevelOff), -1, 1000.0f), 0);
    const RecordedBlock b = RecordBlock(4800, 7);
    StopPlay();
    ASSERT_TRUE(b.present);
    ASSERT_EQ(b.data.size(), 9600u);
    EXPECT_EQ(b.userValue, 7);
    // The left channel played; it arrives as the second float of each pair.
    EXPECT_NEAR(peak(b.data, 1), 0.5f, 0.005f);
    EXPECT_LT(peak(b.data, 0), 1e-4f);
    // 0.1 s of 1 kHz: 100 periods, 200 sign changes.
    EXPECT_NEAR(zeroCrossings(b.data, 1), 200, 2);
    EXPECT_EQ(b.overRange, 0);
    EXPECT_EQ(b.lastError, 0);
}

TEST_F(CaptureEngine, FlipAndPolarityActOnTheRecordedPairs)
{
    SetFlip(true, false);
    SetInversePhase(false, true, false, false); // "R" multiplier: the PCM left channel
    ASSERT_EQ(StartPlay(sine(-6, GeneratorSettings::kLevelOff), -1, 1000.0f), 0);
    const RecordedBlock b = RecordBlock(480);
    StopPlay();
    ASSERT_TRUE(b.present);
    EXPECT_NEAR(peak(b.data, 0), 0.5f, 0.005f);
    EXPECT_LT(peak(b.data, 1), 1e-4f);
    // The played sine starts rising; inverted it starts falling.
    EXPECT_LT(b.data[2], 0.0f);
}

TEST_F(CaptureEngine, ClippingDeviceGivesTheOverRangeCount)
{
    DutConfig loud;
    loud.gainDb[0] = loud.gainDb[1] = 20.0 * std::log10(2.0); // a 0 dBFS sine reaches twice full scale
    VirtualCard::instance().setDut(loud);
    // At 44.1 kHz no sample of a 1 kHz sine sits exactly on the clip point.
    SetSampleRates(44100, 44100);
    ASSERT_EQ(StartPlay(sine(0, 0), -1, 1000.0f), 0);
    const RecordedBlock b = RecordBlock(4410);
    StopPlay();
    ASSERT_TRUE(b.present);
    const auto atLimit = std::count_if(b.data.begin(), b.data.end(), [](float v) {
        return v <= -1.0f || v >= 32767.0f / 32768.0f;
    });
    EXPECT_EQ(b.overRange, atLimit);
    // |2 sin| >= 1 for two thirds of the period.
    EXPECT_NEAR(b.overRange / 8820.0, 2.0 / 3.0, 0.01);
}

// One input, the newest request wins: the block in flight is dropped and
// the newest requester gets its own block, or, when its recording cannot
// start, a missing block with the error; a request for the very block in
// flight only takes it over.
TEST_F(CaptureEngine, TheNewestRequestGetsItsOwnBlockOrAnError)
{
    struct Case {
        const char* name;
        int secondFrames;
        int secondValue;
        bool openFails;      // the second recording cannot start
        bool sameBlock;      // the second request names the block in flight
    };
    const Case cases[] = {
        {"another loop", 960, 2, false, false},
        {"another size", 480, 1, false, false},
        {"its start fails", 960, 2, true, false},
        {"the block in flight again", 960, 1, false, true},
    };
    for (const Case& c : cases) {
        int first = 0;
        struct Fetched {
            int calls = 0, samples = 0, value = -1, error = 0;
            bool present = false;
            RecordOwner owner = nullptr;
        } second;
        const int loopA = 0, loopB = 0; // two loops, told apart by address
        const RecordOwner secondOwner = c.sameBlock ? &loopA : &loopB;
        ASSERT_EQ(StartRecord(960, 1, [&first] { ++first; }, &loopA), 0) << c.name;
        if (c.openFails)
            VirtualCard::instance().injectFault(VirtualFault::OpenFails, 4, 1);
        ASSERT_EQ(StartRecord(c.secondFrames, c.secondValue, [&second] {
                      int n = 0, o = 0, u = 0;
                      second.present = GetRecordBlock(n, o, u) != nullptr;
                      second.error = LastSoundError();
                      second.samples = n;
                      second.value = u;
                      second.owner = RecordBlockOwner();
                      ++second.calls;
                  }, secondOwner),
                  0)
            << c.name;
        ASSERT_TRUE(QTest::qWaitFor([&second] { return second.calls > 0; }, 5000)) << c.name << ": left waiting";
        QTest::qWait(50);
        EXPECT_EQ(first, 0) << c.name;
        EXPECT_EQ(second.calls, 1) << c.name;
        EXPECT_EQ(second.owner, secondOwner) << c.name;
        if (c.openFails) {
            EXPECT_FALSE(second.present) << c.name;
            EXPECT_EQ(second.error, 4) << c.name;
        } else {
            EXPECT_TRUE(second.present) << c.name;
            EXPECT_EQ(second.value, c.secondValue) << c.name;
            EXPECT_EQ(second.samples, 2 * c.secondFrames) << c.name << ": the block of the newest request";
        }
        VirtualCard::instance().clearFaults();
    }
}

TEST_F(CaptureEngine, BlocksThatDoNotFitTheBuffersAreRefused)
{
    SetBits(32, 0);
    int rc = -1;
    const RecordedBlock b = RecordBlock(32769, 0, &rc);
    EXPECT_EQ(rc, MMSYSERR_INVALPARAM);
    EXPECT_FALSE(b.arrived);
    // 32768 frames fit every format.
    EXPECT_TRUE(RecordBlock(32768).present);
}

struct FaultCase {
    VirtualFault fault;
    int lastError;
    const char* logLine;
};

class CaptureFaults : public VirtualLayerTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(CaptureFaults, EndAsAMissingBlockAndTheNextStartWorks)
{
    const FaultCase c = GetParam();
    VirtualCard::instance().injectFault(c.fault, 0, 1);
    const RecordedBlock bad = RecordBlock(2304);
    ASSERT_TRUE(bad.arrived) << "no completion: the engine hung";
    EXPECT_FALSE(bad.present);
    EXPECT_EQ(bad.lastError, c.lastError);
    if (c.logLine) {
        EXPECT_TRUE(LogContains(QString::fromLatin1(c.logLine))) << devlog::Lines().join('\n').toStdString();
    }
    EXPECT_FALSE(SoundErrorText(c.lastError).isEmpty());

    const RecordedBlock good = RecordBlock(2304);
    ASSERT_TRUE(good.present);
    EXPECT_EQ(good.data.size(), 4608u);
    EXPECT_EQ(good.lastError, 0);
}

INSTANTIATE_TEST_SUITE_P(
    DeviceFaults, CaptureFaults,
    ::testing::Values(FaultCase{VirtualFault::Stall, WAVERR_DEVICE_STALLED, "waveInBlock Error 901"},
                      FaultCase{VirtualFault::DeviceGone, WAVERR_DEVICE_GONE, "waveInBlock Error 902"},
                      FaultCase{VirtualFault::ShortBlock, WAVERR_DEVICE_SHORT_BLOCK, "waveInBlock Error 903"},
                      FaultCase{VirtualFault::CloseFails, 9, "waveInClose Error "},
                      FaultCase{VirtualFault::NoData, 0, nullptr}));

TEST_F(CaptureEngine, OpenFailureIsReportedLoggedAndLeavesTheEngineIdle)
{
    VirtualCard::instance().injectFault(VirtualFault::OpenFails, MMSYSERR_ALLOCATED, 1);
    int rc = 0;
    const RecordedBlock bad = RecordBlock(960, 0, &rc);
    EXPECT_EQ(rc, MMSYSERR_ALLOCATED);
    EXPECT_EQ(LastSoundError(), MMSYSERR_ALLOCATED);
    EXPECT_TRUE(LogContains("waveinOpen Error 4"));
    EXPECT_TRUE(RecordBlock(960).present);
}

TEST_F(CaptureEngine, UnsupportedFormatIsRefusedByTheQuery)
{
    SetSampleRates(500, 0); // below what the card takes
    int rc = 0;
    RecordBlock(960, 0, &rc);
    EXPECT_EQ(rc, WAVERR_BADFORMAT);
    EXPECT_TRUE(LogContains("InFormatQuery Error"));
    EXPECT_FALSE(FormatSupported(500, 16, true));
    EXPECT_TRUE(FormatSupported(96000, 24, true));
}

// The device is opened once per block, and the open checks the format: a
// change between blocks takes effect at the next one, a refusal is logged
// as the query's, and what the device takes instead is said.
TEST_F(CaptureEngine, OneOpenPerBlockAndAFormatChangeActsAtTheNextBlock)
{
    VirtualCard& card = VirtualCard::instance();
    card.setFormatLimits({48000}, {});
    const int before = card.inputOpenings();
    ASSERT_TRUE(RecordBlock(960).present);
    EXPECT_EQ(card.inputOpenings() - before, 1);
    SetSampleRates(44100, 0);
    int rc = 0;
    RecordBlock(960, 0, &rc);
    EXPECT_EQ(rc, WAVERR_BADFORMAT);
    EXPECT_TRUE(LogContains("InFormatQuery Error"));
    EXPECT_FALSE(LogContains("waveinOpen Error"));
    EXPECT_TRUE(SoundErrorText(rc).endsWith("The device takes 48000 Hz at 16 bit: choose a rate under "
                                            "Audio-In-Parameter (In-Para)."))
        << SoundErrorText(rc).toStdString();
    SetSampleRates(48000, 0);
    const int beforeGood = card.inputOpenings();
    ASSERT_TRUE(RecordBlock(960).present);
    EXPECT_EQ(card.inputOpenings() - beforeGood, 1);
    EXPECT_EQ(SoundErrorText(rc), WaveErrorText(rc)) << "the advice goes with the start that works";
}

// A block the device overran in is recorded again from its start, never
// handed out spliced; the third overrun in a row gives the block up.
TEST_F(CaptureEngine, OverrunBlocksAreRecordedAgainAndTheThirdInARowIsAnError)
{
    GeneratorSettings tone;
    tone.levelLeft = -6;
    tone.levelRight = GeneratorSettings::kLevelOff;
    ASSERT_EQ(StartPlay(tone, -1, 1000.0f), 0);
    VirtualCard::instance().injectFault(VirtualFault::Overrun, 0, 2);
    const RecordedBlock b = RecordBlock(4800);
    ASSERT_TRUE(b.present);
    ASSERT_EQ(b.data.size(), 9600u);
    // 1 kHz at 48 kHz: a sign change every 24 frames. The device lost a third
    // of a block at each overrun, so a splice would break that rhythm.
    std::vector<int> crossings;
    for (size_t i = 3; i < b.data.size(); i += 2)
        if ((b.data[i - 2] < 0) != (b.data[i] < 0))
            crossings.push_back(static_cast<int>(i / 2));
    ASSERT_GT(crossings.size(), 190u);
    for (size_t k = 1; k < crossings.size(); ++k)
        EXPECT_NEAR(crossings[k] - crossings[k - 1], 24, 1) << "at frame " << crossings[k];
    EXPECT_EQ(devlog::Lines().filter("block recorded again").size(), 2);

    VirtualCard::instance().injectFault(VirtualFault::Overrun, 0, 3);
    const RecordedBlock lost = RecordBlock(4800);
    EXPECT_FALSE(lost.present);
    EXPECT_EQ(lost.lastError, WAVERR_DEVICE_OVERRUN);
    EXPECT_TRUE(LogContains("waveInBlock Error 908"));
    EXPECT_TRUE(RecordBlock(4800).present);
    StopPlay();
}

TEST_F(CaptureEngine, KorvantaDutIsReadAtEveryOpen)
{
    VirtualCard::instance().clearDut();
    qputenv("KORVANTA_DUT", "ext=sine freq=1000 level=-20 gainr=-200");
    const RecordedBlock b = RecordBlock(4800);
    qputenv("KORVANTA_DUT", "fault=close");
    const RecordedBlock failing = RecordBlock(480);
    qunsetenv("KORVANTA_DUT");
    ASSERT_TRUE(b.present);
    EXPECT_NEAR(peak(b.data, 1), 0.1f, 0.002f); // PCM left at -20 dBFS
    EXPECT_LT(peak(b.data, 0), 1e-4f);          // PCM right silenced
    EXPECT_FALSE(failing.present);
    EXPECT_EQ(failing.lastError, 9);
}

TEST_F(CaptureEngine, RealTimeModeDeliversNoFasterThanTheClock)
{
    VirtualCard::instance().setFastMode(false);
    QElapsedTimer t;
    t.start();
    const RecordedBlock b = RecordBlock(9600); // 200 ms at 48 kHz
    EXPECT_TRUE(b.present);
    EXPECT_GE(t.elapsed(), 190);
}

TEST(SoundLayerStart, FailedInitialisationReturnsThree)
{
    VirtualCard::instance().reset();
    VirtualCard::instance().injectFault(VirtualFault::InitFails, 0, 1);
    EXPECT_EQ(SoundInit(), 3);
    EXPECT_EQ(LastSoundError(), 3);
    EXPECT_FALSE(SoundInitialised());
    // Nothing to record into or play from: starts fail with the same code
    // instead of reporting success and leaving the caller waiting for a
    // block that never comes (after a failed sound system reset).
    Tdummy dummy;
    bool called = false;
    EXPECT_EQ(StartRecord(100, 0, [&called] { called = true; }), 3);
    EXPECT_EQ(LastSoundError(), 3);
    EXPECT_EQ(StartPlay(GeneratorSettings{}, -1, 1000.0f), 3);
    EXPECT_FALSE(IsPlaying());
    EXPECT_FALSE(SoundErrorText(3).isEmpty());
    QTest::qWait(50);
    EXPECT_FALSE(called);
    EXPECT_EQ(SoundInit(), 0);
    SoundDone();
}

TEST_F(CaptureEngine, AnnouncementOfARecordingShutMeanwhileIsIgnored)
{
    int calls = 0;
    ASSERT_EQ(StartRecord(64, 0, [&calls] { ++calls; }), 0);
    // The block is done and announced, but not yet handled ...
    QThread::msleep(100);
    // ... when the sound system is reset under it.
    SoundDone();
    ASSERT_EQ(SoundInit(), 0);
    QTest::qWait(50);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(RecordBlock(64).present);
}

TEST(SoundLayerStart, RecordingWithoutNotificationObjectIsRefused)
{
    VirtualCard::instance().reset();
    VirtualCard::instance().setFastMode(true);
    ASSERT_EQ(SoundInit(), 0);
    ASSERT_EQ(NotifyWindow(), nullptr);
    EXPECT_EQ(StartRecord(64, 0, [] {}), MMSYSERR_INVALHANDLE);
    {
        Tdummy dummy;
        EXPECT_TRUE(RecordBlock(64).present);
    }
    EXPECT_EQ(NotifyWindow(), nullptr);
    SoundDone();
    VirtualCard::instance().reset();
}
