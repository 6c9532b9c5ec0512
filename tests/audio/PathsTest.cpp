// The paths for measurements beyond the generator's tone: a looped buffer
// of any content and a one-shot, played into an ALSA `file` PCM whose file
// must hold exactly what was played, and a long stretch recorded from a
// `file` PCM and from the virtual card's loopback, where the one-shot must
// come back whole at the frame the recorder marked for it.

#include "audio/MarkedOneShot.h"
#include "audio/PlayPath.h"
#include "audio/Soundd3.h"
#include "audio/StretchRecorder.h"
#include "platform/DeviceLog.h"
#include "platform/audio/alsa/AlsaBackend.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "tests/audio/PathLoopback.h"
#include "tests/audio/PathSignals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

using namespace korvanta;
using namespace pathtest;

namespace {
constexpr int kInFrames = 100000;
// Longer than the generator's loop buffer in frames (32768) and in bytes.
constexpr int kLongFrames = 70001;

// Frame k of the capture file: two counters that never repeat within it.
int16_t inSample(int k, int channel)
{
    return channel == 0 ? static_cast<int16_t>(k % 32749) : static_cast<int16_t>(-(k % 30011));
}

// A capture file, a playback file and an ALSA configuration naming them,
// written before alsa-lib is first used.
struct FilePcms {
    QString dir = qEnvironmentVariable("KORVANTA_TEST_HOME");
    QString inFile = dir + "/capture.raw";
    QString outFile = dir + "/playback.raw";

    FilePcms()
    {
        QDir().mkpath(dir);
        QFile in(inFile);
        in.open(QIODevice::WriteOnly);
        for (int k = 0; k < kInFrames; ++k) {
            const int16_t frame[2] = {inSample(k, 0), inSample(k, 1)};
            in.write(reinterpret_cast<const char*>(frame), sizeof frame);
        }
        in.close();
        const QString conf = QStringLiteral(
                                 "</usr/share/alsa/alsa.conf>\n"
                                 "pcm.korvanta_path_in { type file slave.pcm \"null\" file \"/dev/null\" infile \"%1\" "
                                 "format \"raw\" hint { show on description \"Path capture\" } }\n"
                                 "pcm.korvanta_path_out { type file slave.pcm \"null\" file \"%2\" format \"raw\" "
                                 "hint { show on description \"Path playback\" } }\n")
                                 .arg(inFile, outFile);
        QFile f(dir + "/asound.conf");
        f.open(QIODevice::WriteOnly);
        f.write(conf.toUtf8());
        f.close();
        qputenv("ALSA_CONFIG_PATH", (dir + "/asound.conf").toUtf8());
    }
};

const FilePcms& pcms()
{
    static const FilePcms p;
    return p;
}

int alsaIndex(bool capture, const QString& label)
{
    AlsaBackend& b = AlsaBackend::instance();
    const int n = capture ? b.inputCount() : b.outputCount();
    for (int i = 0; i < n; ++i)
        if (b.deviceName(capture, i) == label)
            return i;
    return -1;
}

std::string log() { return devlog::Lines().join('\n').toStdString(); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class AlsaPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pcms();
        AlsaBackend::instance().rescan();
        SetAudioBackendForTests(&AlsaBackend::instance());
    }
    void TearDown() override { SetAudioBackendForTests(nullptr); }
};

enum class Play { Loop, OnceFromBuffer, OnceFromCallback };

struct PlayCase {
    const char* name;
    Play play;
    int rate;
    int bits;
    long long frames;
};

// What the file must hold: the loop over and over from its first frame, or
// the one-shot once followed by nothing but silence.
TEST_F(AlsaPathTest, FileHoldsExactlyWhatWasPlayed)
{
    const int out = alsaIndex(false, "Path playback");
    ASSERT_GE(out, 0);
    const PlayCase cases[] = {
        {"two tones looped, 16 bit", Play::Loop, 96000, 16, kLongFrames},
        {"two tones looped, 32 bit", Play::Loop, 96000, 32, 40000},
        {"sweep from a buffer", Play::OnceFromBuffer, 48000, 16, kLongFrames},
        {"sweep from a callback", Play::OnceFromCallback, 96000, 32, 3 * 48000},
    };
    for (const PlayCase& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(pcms().outFile);
        const bool loop = c.play == Play::Loop;
        const std::vector<uint8_t> content = Encode(
            loop ? TwoTones(c.frames, c.rate) : LogSweep(c.frames, c.rate, 20.0, 20000.0), c.bits);
        // Read by the output's thread until the path is closed below, so it
        // lives as long as the path does.
        size_t at = 0;
        PlayPath path;
        bool finished = false;
        QObject::connect(&path, &PlayPath::finished, [&] { finished = true; });
        ASSERT_EQ(path.open(out, MakeWaveFormat(c.rate, c.bits)), 0) << log();
        if (loop) {
            ASSERT_EQ(path.playLoop(content), 0);
            const qint64 want = content.size() * 5 / 2;
            ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(pcms().outFile).size() >= want; }, 20000));
            EXPECT_TRUE(path.playing()) << "a loop plays until stopped";
            path.stop();
        } else if (c.play == Play::OnceFromBuffer) {
            ASSERT_EQ(path.playOnce(content), 0);
        } else {
            // Handed over in pieces of whatever size the output asks for.
            const int align = c.bits / 4;
            ASSERT_EQ(path.playOnce([&content, &at, align](uint8_t* dst, int frames) {
                const size_t n = std::min(content.size() - at, size_t(frames) * align);
                std::memcpy(dst, content.data() + at, n);
                at += n;
                return int(n / align);
            }),
                      0);
        }
        if (!loop) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 20000));
        }
        EXPECT_FALSE(path.playing());
        path.close();
        const QByteArray played = readAll(pcms().outFile);
        if (loop) {
            ASSERT_GE(size_t(played.size()), content.size() * 5 / 2);
            for (qsizetype i = 0; i < played.size(); ++i)
                ASSERT_EQ(uint8_t(played[i]), content[size_t(i) % content.size()]) << "byte " << i;
        } else {
            ASSERT_GE(size_t(played.size()), content.size());
            for (size_t i = 0; i < content.size(); ++i)
                ASSERT_EQ(uint8_t(played[qsizetype(i)]), content[i]) << "byte " << i;
            for (qsizetype i = qsizetype(content.size()); i < played.size(); ++i)
                ASSERT_EQ(played[i], 0) << "byte " << i;
        }
    }
}

TEST_F(AlsaPathTest, StretchLongerThanABlockIsTheFilesContent)
{
    const int in = alsaIndex(true, "Path capture");
    ASSERT_GE(in, 0);
    constexpr int kFrames = kLongFrames;
    StretchRecorder rec;
    bool done = false;
    int failure = -1;
    QObject::connect(&rec, &StretchRecorder::recorded, [&] { done = true; });
    QObject::connect(&rec, &StretchRecorder::failed, [&](int code, const QString&) { failure = code; });
    ASSERT_EQ(rec.start(in, MakeWaveFormat(48000, 16), kFrames), 0) << log();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done || failure >= 0; }, 20000));
    ASSERT_TRUE(done) << failure << "\n" << log();
    ASSERT_EQ(rec.data().size(), size_t(kFrames) * 4);
    const auto* pcm = reinterpret_cast<const int16_t*>(rec.data().data());
    for (int k = 0; k < kFrames; ++k) {
        ASSERT_EQ(pcm[2 * k], inSample(k, 0)) << k;
        ASSERT_EQ(pcm[2 * k + 1], inSample(k, 1)) << k;
    }
    EXPECT_EQ(rec.firstPlayedFrame(), -1) << "nothing was played";
}

class VirtualPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetAudioBackendForTests(&VirtualCard::instance());
        VirtualCard::instance().reset();
    }
    void TearDown() override
    {
        VirtualCard::instance().reset();
        SetAudioBackendForTests(nullptr);
    }
};

constexpr int kRate = 48000;
// How far the marked frame may lie from where the one-shot is heard on the
// virtual card: the output's first read of the source and the input's reads
// are not taken at one instant (one read of the recorder, plus one chunk of
// the output). On an idle machine the two agree to the frame.
constexpr long long kMarkBound = 2048;

// Played to the virtual card's output while its input records in real
// time, through a device under test that delays by a known number of
// frames: the one-shot is heard where the recorder marked it plus that
// delay, and its tone comes back without a gap. A stretch asked to end
// after the mark ends there to the frame, whatever it was given room for.
TEST_F(VirtualPathTest, OneShotComesBackWholeWhereItWasMarked)
{
    constexpr long long kShot = 3 * kRate / 2;
    struct Case {
        int delay;
        long long afterMark; // 0: the whole stretch
    };
    for (const Case c : {Case{0, 0}, Case{1500, 0}, Case{1500, kShot + kRate / 10}}) {
        SCOPED_TRACE(testing::Message() << c.delay << " " << c.afterMark);
        DutConfig dut;
        dut.delaySamples = c.delay;
        VirtualCard::instance().setDut(dut);
        const LoopbackResult r = RecordOneShot(0, 0, MakeWaveFormat(kRate, 16), 3.0, 1.5, 0.3, c.afterMark);
        ASSERT_TRUE(r.recorded) << r.failure << "\n" << log();
        EXPECT_EQ(r.frames, c.afterMark > 0 ? r.marked + c.afterMark : 3 * kRate);
        EXPECT_TRUE(r.finished);
        ASSERT_GE(r.heard, 0);
        ASSERT_GE(r.marked, 0);
        std::printf("delay %d: heard at %lld, marked at %lld\n", c.delay, r.heard, r.marked);
        EXPECT_NEAR(double(r.heard), double(r.marked + c.delay), double(kMarkBound));
        EXPECT_NEAR(r.toneAmplitude, kToneLevel, 0.01);
        EXPECT_LT(r.toneResidualDb, kGapFreeResidualDb);
    }
}

// On a card that runs as fast as it is read, the output's silence would
// carry the input through a whole stretch while the caller is held up
// between starting it and arming the sweep. Armed first, the sweep lies
// whole inside its stretch, after its mark, however long the hold.
TEST_F(VirtualPathTest, ASweepArmedBeforeItsStretchLiesInsideItDespiteAHeldUpCaller)
{
    VirtualCard::instance().setFastMode(true);
    const WaveFormat format = MakeWaveFormat(kRate, 16);
    constexpr long long kShot = kRate / 2;
    constexpr long long kStretch = 2 * kRate;
    PlayPath player;
    ASSERT_EQ(player.open(0, format), 0);
    MarkedOneShot shot(Encode(MarkedTone(kShot, kRate), 16), SilentFrame(16));
    ASSERT_EQ(player.playOnce(shot.Callback()), 0);
    auto clock = std::make_shared<StretchClock>();
    shot.Arm(clock);
    StretchRecorder rec;
    bool done = false;
    int failure = -1;
    QObject::connect(&rec, &StretchRecorder::recorded, [&] { done = true; });
    QObject::connect(&rec, &StretchRecorder::failed, [&](int code, const QString&) { failure = code; });
    ASSERT_EQ(rec.start(0, format, kStretch, 0, clock), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // far longer than the stretch takes here
    ASSERT_TRUE(QTest::qWaitFor([&] { return done || failure >= 0; }, 20000));
    ASSERT_TRUE(done) << failure << "\n" << log();
    ASSERT_GE(rec.firstPlayedFrame(), 0);
    const long long heard = FirstAbove(Channel16(rec.data(), 0), kMarker / 2) - MarkerAt(kRate);
    // Heard after its mark by what the output had queued of its silence.
    EXPECT_GE(heard, rec.firstPlayedFrame());
    EXPECT_LE(heard + kShot, rec.frames()) << "the sweep lies whole in its stretch";
}

// A stretch that cannot be whole, or an output that fails while it plays,
// is a failure with today's code and text, never a recording or an end.
TEST_F(VirtualPathTest, BrokenPathIsReportedAsAFailure)
{
    struct Case {
        VirtualFault fault;
        int code;
        bool output; // the fault is the output's: it strikes while playing
    };
    const Case cases[] = {
        {VirtualFault::Overrun, WAVERR_DEVICE_OVERRUN, false},
        {VirtualFault::Stall, WAVERR_DEVICE_STALLED, false},
        {VirtualFault::DeviceGone, WAVERR_DEVICE_GONE, false},
        {VirtualFault::ShortBlock, WAVERR_DEVICE_SHORT_BLOCK, false},
        {VirtualFault::OutputGone, WAVERR_OUTPUT_GONE, true},
        {VirtualFault::OutputWriteFails, WAVERR_OUTPUT_WRITE, true},
    };
    VirtualCard::instance().setFastMode(true);
    const WaveFormat format = MakeWaveFormat(kRate, 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        VirtualCard::instance().injectFault(c.fault);
        StretchRecorder rec;
        PlayPath player;
        bool done = false;
        int failure = -1;
        QString text;
        const auto fail = [&](int code, const QString& t) {
            failure = code;
            text = t;
        };
        QObject::connect(&rec, &StretchRecorder::recorded, [&] { done = true; });
        QObject::connect(&rec, &StretchRecorder::failed, fail);
        QObject::connect(&player, &PlayPath::finished, [&] { done = true; });
        QObject::connect(&player, &PlayPath::failed, fail);
        if (c.output) {
            ASSERT_EQ(player.open(0, format), 0);
            ASSERT_EQ(player.playOnce(Encode(TwoTones(10 * kRate, kRate), 16)), 0);
        } else {
            ASSERT_EQ(rec.start(0, format, 10 * kRate), 0);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return done || failure >= 0; }, 10000));
        EXPECT_FALSE(done);
        EXPECT_EQ(failure, c.code);
        EXPECT_EQ(text, SoundErrorText(c.code));
        EXPECT_FALSE(player.playing());
        VirtualCard::instance().clearFaults();
    }
}

TEST_F(VirtualPathTest, StretchLengthAndBufferAreChecked)
{
    const WaveFormat format = MakeWaveFormat(kRate, 16);
    StretchRecorder rec;
    EXPECT_EQ(rec.start(0, format, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(rec.start(0, format, StretchRecorder::kMaxSeconds * kRate + 1), MMSYSERR_INVALPARAM);
    EXPECT_FALSE(rec.recording());
    ASSERT_EQ(rec.start(0, format, StretchRecorder::kMaxSeconds * kRate), 0);
    EXPECT_EQ(rec.start(0, format, kRate), MMSYSERR_NOTSUPPORTED);
    rec.stop();
    EXPECT_FALSE(rec.recording());

    PlayPath player;
    EXPECT_EQ(player.playLoop({1, 2, 3, 4}), MMSYSERR_INVALHANDLE) << "not open";
    ASSERT_EQ(player.open(0, format), 0);
    EXPECT_EQ(player.playLoop({}), MMSYSERR_INVALPARAM);
    EXPECT_EQ(player.playOnce(std::vector<uint8_t>{1, 2, 3}), MMSYSERR_INVALPARAM) << "not whole frames";
    EXPECT_EQ(player.playLoop({1, 2, 3, 4}), 0);
    EXPECT_TRUE(player.playing());
    player.stop();
    EXPECT_FALSE(player.playing());
}
} // namespace
