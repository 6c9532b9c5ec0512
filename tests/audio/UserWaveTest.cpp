// The looping wave-file player: files of every kind the player takes are
// read back exactly and looped without a seam; files it cannot play are
// refused with a clear device-log line, nothing plays, and the next start
// works.

#include "tests/audio/AudioTestSupport.h"
#include "tests/support/TestSupport.h"
#include "platform/audio/WaveFile.h"
#include "tests/audio/WaveFileMaker.h"

using namespace korvanta;

namespace {
struct GoodFile {
    const char* name;
    int format;
    int channels;
    int rate;
    int bits;          // resolution of the file's samples
};

const GoodFile kGoodFiles[] = {
    {"stereo16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 16},
    {"mono24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000, 24},
    {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 24},
    {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100, 16},
    {"tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 22050, 16},
};

constexpr int kFrames = 441; // 10 periods of 1 kHz at 44.1 kHz, fewer elsewhere: a short loop
} // namespace

// Every frame comes back as written, in order, over and over; mono is
// sent to both channels.
TEST(WaveFileReader, ReadsEveryKindBackExactlyAndLoops)
{
    ScratchDir dir;
    for (const GoodFile& g : kGoodFiles) {
        SCOPED_TRACE(g.name);
        const QString path = dir.file(g.name);
        ASSERT_TRUE(WriteSineFile(path, g.format, g.channels, g.rate, kFrames, 3));
        QString why;
        std::unique_ptr<WaveFileReader> r = OpenWaveFile(path, why);
        ASSERT_TRUE(r) << why.toStdString();
        EXPECT_EQ(r->info().rate, g.rate);
        EXPECT_EQ(r->info().channels, g.channels);
        EXPECT_EQ(r->info().frames, kFrames);
        std::vector<int32_t> got(2 * 3 * kFrames);
        ASSERT_EQ(r->readLooped(got.data(), 3 * kFrames), 3 * kFrames);
        const double step = std::ldexp(1.0, 32 - g.bits); // one step of the file's resolution
        for (int i = 0; i < 3 * kFrames; ++i) {
            const double expectL = 0.5 * std::sin(2.0 * std::numbers::pi * 3 * (i % kFrames) / kFrames);
            const double expectR = g.channels == 2 ? 0.5 * expectL : expectL;
            ASSERT_NEAR(got[2 * i] / 2147483648.0, expectL, step / 2147483648.0) << i;
            ASSERT_NEAR(got[2 * i + 1] / 2147483648.0, expectR, step / 2147483648.0) << i;
            ASSERT_EQ(got[2 * i], got[2 * (i % kFrames)]) << "the loop repeats exactly";
        }
    }
}

// A damaged float file: NaN plays as silence, values beyond full scale are
// clipped instead of wrapping to the other rail.
TEST(WaveFileReader, FloatFilesWithNanOrOverrangeArePlayableAndClipped)
{
    ScratchDir dir;
    const QString path = dir.file("damaged.wav");
    const double values[] = {std::nan(""), 2.0, -2.0, 0.25};
    ASSERT_TRUE(WriteWaveFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 48000, 4,
                              [&](int i, int) { return values[i]; }));
    QString why;
    std::unique_ptr<WaveFileReader> r = OpenWaveFile(path, why);
    ASSERT_TRUE(r) << why.toStdString();
    std::vector<int32_t> got(8);
    ASSERT_EQ(r->readLooped(got.data(), 4), 4);
    EXPECT_EQ(got[0], 0);
    EXPECT_EQ(got[2], 2147483647);
    EXPECT_EQ(got[4], -2147483647 - 1);
    EXPECT_EQ(got[6], 536870912);
}

TEST(WaveFileReader, SamplesAreEncodedInTheOutputWidth)
{
    struct Case {
        int32_t value;
        int bits;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {0x7fff0000, 16, {0xff, 0x7f}},
        {static_cast<int32_t>(0x80000000), 16, {0x00, 0x80}},
        {0x00008000, 16, {0x01, 0x00}},          // half a step rounds up
        {0x7fffffff, 16, {0xff, 0x7f}},          // rounding never wraps past full scale
        {0, 8, {0x80}},
        {0x7fffffff, 8, {0xff}},
        {static_cast<int32_t>(0x80000000), 8, {0x00}},
        {0x12345600, 32, {0x00, 0x56, 0x34, 0x12}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(c.bytes.size());
        EncodeWideSample(c.value, c.bits, out.data());
        EXPECT_EQ(out, c.bytes) << std::hex << c.value << " at " << std::dec << c.bits;
    }
}

using UserWave = VirtualLayerTest;

TEST_F(UserWave, FilesThatCannotBePlayedAreRefusedAndTheNextStartWorks)
{
    ScratchDir dir;
    const QString good = dir.file("good.wav");
    ASSERT_TRUE(WriteSineFile(good, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000, 4800, 100));
    QFile g(good);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    const QByteArray goodBytes = g.readAll();

    dir.write("empty.wav", {});
    dir.write("truncated.wav", goodBytes.left(20));
    dir.write("text.wav", "This is not a sound file, only words.\n");
    ASSERT_TRUE(WriteWaveFile(dir.file("six.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 6, 48000, 100,
                              [](int, int) { return 0.1; }));
    ASSERT_TRUE(WriteWaveFile(dir.file("noframes.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000, 0,
                              [](int, int) { return 0.0; }));
    // The virtual card takes 1 kHz to 384 kHz, and here only 48 kHz.
    ASSERT_TRUE(WriteSineFile(dir.file("slow.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 500, 500, 5));
    ASSERT_TRUE(WriteSineFile(dir.file("cd.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 4410, 100));
    VirtualCard::instance().setFormatLimits({48000}, {});

    const struct {
        QString file;
        QString says;
    } bad[] = {
        {dir.file("missing.wav"), "does not exist"},
        {dir.file("empty.wav"), "not a wave file"},
        {dir.file("truncated.wav"), "not a wave file"},
        {dir.file("text.wav"), "not a wave file"},
        {dir.file("six.wav"), "6 channels"},
        {dir.file("noframes.wav"), "no sound frames"},
        {dir.file("slow.wav"), "does not take 500 Hz at 16 bit"},
        {dir.file("cd.wav"), "does not take 44100 Hz at 16 bit"},
        {QString(), "no wave file chosen"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.file.toStdString());
        devlog::Clear();
        EXPECT_EQ(PlayUserWave(b.file), 1);
        EXPECT_FALSE(UserWavePlaying());
        EXPECT_FALSE(IsPlaying());
        ASSERT_EQ(devlog::Lines().size(), 1) << devlog::Lines().join('\n').toStdString();
        EXPECT_TRUE(devlog::Lines()[0].startsWith("PlayUserWave: "));
        EXPECT_TRUE(devlog::Lines()[0].contains(b.says)) << devlog::Lines()[0].toStdString();

        ASSERT_EQ(PlayUserWave(good), 0) << devlog::Lines().join('\n').toStdString();
        EXPECT_TRUE(UserWavePlaying());
        StopUserWave();
        EXPECT_FALSE(UserWavePlaying());
    }
}

TEST_F(UserWave, AFileReplacesTheToneAndAFailingOutputIsReported)
{
    ScratchDir dir;
    const QString path = dir.file("tone.wav");
    ASSERT_TRUE(WriteSineFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 48000, 4800, 100));
    ASSERT_EQ(StartPlay(GeneratorSettings{}, -1, 1000.0f), 0);
    ASSERT_EQ(PlayUserWave(path), 0);
    EXPECT_FALSE(IsPlaying()) << "one output: the tone stops";

    VirtualCard::instance().injectFault(VirtualFault::OutputGone, 0, 1);
    std::vector<int> codes;
    ASSERT_EQ(PlayUserWave(path, [&](int code) { codes.push_back(code); }), 0);
    (void)QTest::qWaitFor([&codes] { return !codes.empty(); }, 5000);
    ASSERT_EQ(codes, std::vector<int>{WAVERR_OUTPUT_GONE});
    EXPECT_FALSE(UserWavePlaying());
    EXPECT_TRUE(LogContains("PlayUserWave Error 905"));
    ASSERT_EQ(PlayUserWave(path), 0);
    StopUserWave();
}
