// The ALSA backend through alsa-lib itself, on a test configuration of
// `file` PCMs over `null` (no sound card needed): listing, capabilities,
// exact-format queries, capture of known PCM and playback of a loop into a
// file. The listing rules are also checked against made-up hint lists.

#include "platform/audio/alsa/AlsaBackend.h"
#include "tests/audio/AudioTestSupport.h"
#include "audio/LoopSynthesis.h"
#include "tests/support/SineFit.h"
#include "tests/support/TestSupport.h"
#include "platform/audio/WaveOut.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace korvanta;

namespace {
// The probe of a made-up machine: which PCMs open, which are busy.
PcmProbe fakeProbe(QStringList working, QStringList busy)
{
    return [working, busy](const QString& pcm, bool) {
        if (working.contains(pcm))
            return 0;
        return busy.contains(pcm) ? -EBUSY : -ENOENT;
    };
}

QStringList labels(const QVector<AlsaDevice>& devices)
{
    QStringList l;
    for (const AlsaDevice& d : devices)
        l << d.label;
    return l;
}

// A scratch folder with the input file, the output file and an ALSA
// configuration naming them. Written before alsa-lib is first used.
struct AlsaTestConfig {
    QString dir = qEnvironmentVariable("KORVANTA_TEST_HOME");
    QString inFile = dir + "/capture.raw";
    QString outFile = dir + "/playback.raw";

    AlsaTestConfig()
    {
        QDir().mkpath(dir);
        QFile in(inFile);
        in.open(QIODevice::WriteOnly);
        for (int k = 0; k < 48000; ++k) {
            const int16_t frame[2] = {static_cast<int16_t>(k % 30000), static_cast<int16_t>(-(k % 20000))};
            in.write(reinterpret_cast<const char*>(frame), sizeof frame);
        }
        in.close();
        const QString conf = QStringLiteral(
                                 "</usr/share/alsa/alsa.conf>\n"
                                 "pcm.korvanta_test_in { type file slave.pcm \"null\" file \"/dev/null\" infile \"%1\" "
                                 "format \"raw\" hint { show on description \"Korvanta test capture\" } }\n"
                                 "pcm.korvanta_test_out { type file slave.pcm \"null\" file \"%2\" format \"raw\" "
                                 "hint { show on description \"Korvanta test playback\" } }\n"
                                 "pcm.korvanta_test_gone { type file slave.pcm \"null\" file \"/dev/null\" "
                                 "infile \"%3/missing.raw\" format \"raw\" hint { show on description \"Missing\" } }\n")
                                 .arg(inFile, outFile, dir);
        QFile f(dir + "/asound.conf");
        f.open(QIODevice::WriteOnly);
        f.write(conf.toUtf8());
        f.close();
        qputenv("ALSA_CONFIG_PATH", (dir + "/asound.conf").toUtf8());
    }
};

const AlsaTestConfig& config()
{
    static const AlsaTestConfig c;
    return c;
}

int indexOf(bool capture, const QString& label)
{
    AlsaBackend& b = AlsaBackend::instance();
    const int n = capture ? b.inputCount() : b.outputCount();
    for (int i = 0; i < n; ++i)
        if (b.deviceName(capture, i) == label)
            return i;
    return -1;
}
} // namespace

TEST(AlsaDeviceList, DefaultFirstAliasesAndNullTakeNoSlot)
{
    const QVector<PcmHint> hints = {
        {"null", "Discard all samples", ""},
        {"pipewire", "PipeWire Sound Server", ""},
        {"pulse", "PulseAudio Sound Server", ""},
        {"default", "Default ALSA Output (currently PipeWire Media Server)", ""},
        {"sysdefault:CARD=PCH", "HDA Intel PCH\nDefault Audio Device", ""},
        {"front:CARD=PCH,DEV=0", "HDA Intel PCH\nFront output / input", ""},
        {"surround51:CARD=PCH,DEV=0", "HDA Intel PCH\n5.1 Surround output", "Output"},
        {"dmix:CARD=PCH,DEV=0", "HDA Intel PCH\nDirect sample mixing device", "Output"},
        {"dsnoop:CARD=PCH,DEV=0", "HDA Intel PCH\nDirect sample snooping device", "Input"},
        {"plughw:CARD=PCH,DEV=0", "HDA Intel PCH\nHardware device with all software conversions", ""},
        {"hw:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nDirect hardware device without any conversions", ""},
        {"hw:CARD=PCH,DEV=3", "HDA Intel PCH, HDMI 0\nHDMI Audio Output", "Output"},
        {"my_test", "Korvanta test capture", ""},
    };
    const PcmProbe probe = fakeProbe({"default", "plughw:CARD=PCH,DEV=0", "plughw:CARD=PCH,DEV=3", "my_test"}, {});
    const QVector<AlsaDevice> in = SelectAlsaDevices(hints, true, probe);
    ASSERT_EQ(in.size(), 3);
    EXPECT_EQ(in[0].pcm, "default");
    EXPECT_EQ(in[0].label, "Default ALSA Output (currently PipeWire Media Server)");
    EXPECT_EQ(in[1].pcm, "hw:CARD=PCH,DEV=0");
    EXPECT_EQ(in[1].label, "HDA Intel PCH, ALC892 Analog, Direct hardware device without any conversions");
    EXPECT_EQ(in[2].label, "Korvanta test capture");
    // The HDMI output is an output only, and offered after every other
    // device; three slots are the most.
    const QVector<AlsaDevice> out = SelectAlsaDevices(hints, false, probe);
    EXPECT_EQ(labels(out).size(), 3);
    EXPECT_EQ(out[2].pcm, "my_test");
    EXPECT_EQ(OpenablePcmName(out[1].pcm), "plughw:CARD=PCH,DEV=0");
}

TEST(AlsaDeviceList, MissingDevicesAreLeftOutBusyOnesKept)
{
    const QVector<PcmHint> nullOnly = {{"null", "Discard all samples", ""}, {"default", "Default", ""}};
    EXPECT_TRUE(SelectAlsaDevices(nullOnly, true, fakeProbe({"null"}, {})).isEmpty());
    EXPECT_TRUE(SelectAlsaDevices(nullOnly, false, fakeProbe({"null"}, {})).isEmpty());

    const QVector<PcmHint> hints = {{"hw:CARD=U,DEV=0", "USB [Line] In", ""}, {"gone", "Unplugged", ""}};
    const QVector<AlsaDevice> busy = SelectAlsaDevices(hints, true, fakeProbe({}, {"default", "plughw:CARD=U,DEV=0"}));
    EXPECT_EQ(labels(busy), QStringList({"Default", "USB [Line] In"}));
}

class AlsaBackendTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        config();
        AlsaBackend::instance().rescan();
        SetAudioBackendForTests(&AlsaBackend::instance());
    }
    void TearDown() override { SetAudioBackendForTests(nullptr); }
};

TEST_F(AlsaBackendTest, TestPcmsAreListedWithTheirDescriptions)
{
    AlsaBackend& b = AlsaBackend::instance();
    const int in = indexOf(true, "Korvanta test capture");
    ASSERT_GE(in, 0);
    EXPECT_EQ(b.pcmName(true, in), "korvanta_test_in");
    EXPECT_GE(indexOf(false, "Korvanta test playback"), 0);
    // Its input file does not exist, so it cannot record: not listed.
    EXPECT_EQ(indexOf(true, "Missing"), -1);
    EXPECT_EQ(b.deviceName(true, 7), "");
}

TEST_F(AlsaBackendTest, CapabilitiesAndExactFormatQueries)
{
    AlsaBackend& b = AlsaBackend::instance();
    const int in = indexOf(true, "Korvanta test capture");
    ASSERT_GE(in, 0);
    WaveInCaps caps;
    ASSERT_EQ(b.inputCaps(in, caps), 0);
    EXPECT_EQ(caps.name, "Korvanta test capture");
    // The null device takes every classic combination, 48 and 96 kHz included.
    EXPECT_EQ(caps.formats, 0xFFFFFu);
    EXPECT_GE(caps.channels, 2);
    EXPECT_EQ(b.queryInput(in, MakeWaveFormat(44100, 16)), 0);
    EXPECT_EQ(b.queryInput(in, MakeWaveFormat(96000, 32)), 0);
    EXPECT_EQ(b.queryInput(in, MakeWaveFormat(44100, 12)), WAVERR_BADFORMAT);
    EXPECT_EQ(b.queryInput(9, MakeWaveFormat(44100, 16)), MMSYSERR_BADDEVICEID);
}

class AlsaEngineTest : public AlsaBackendTest {
protected:
    void SetUp() override
    {
        AlsaBackendTest::SetUp();
        ASSERT_EQ(SoundInit(), 0);
        SetSampleRates(48000, 48000);
        SetBits(16, 16);
        SetFlip(false, false);
        SetInversePhase(false, false, false, false);
        SetAutoDC(false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
    }
    void TearDown() override
    {
        SoundDone();
        AlsaBackendTest::TearDown();
    }
    Tdummy dummy_;
};

TEST_F(AlsaEngineTest, CaptureReadsTheFileAndConvertsIt)
{
    const int in = indexOf(true, "Korvanta test capture");
    ASSERT_GE(in, 0);
    SetInDevice(in);
    SetSampleRates(48000, 0);
    SetBits(16, 0);
    const RecordedBlock b = RecordBlock(2304, 3);
    ASSERT_TRUE(b.present) << devlog::Lines().join('\n').toStdString();
    ASSERT_EQ(b.data.size(), 4608u);
    EXPECT_EQ(b.userValue, 3);
    for (int k = 0; k < 2304; ++k) {
        // First float: the PCM right channel; second: the left.
        ASSERT_FLOAT_EQ(b.data[2 * k], -(k % 20000) / 32768.0f) << k;
        ASSERT_FLOAT_EQ(b.data[2 * k + 1], (k % 30000) / 32768.0f) << k;
    }
    // The next block: a new open, a new read from the file's start.
    const RecordedBlock again = RecordBlock(100);
    ASSERT_TRUE(again.present);
    EXPECT_FLOAT_EQ(again.data[3], 1.0f / 32768.0f);
}

// The largest block the analyzer asks for, at every rate the parameter
// dialog offers: at the low rates it is longer than the device's buffer and
// must still come back whole, not as the `file` plugin's silence.
TEST_F(AlsaEngineTest, LargestBlockAtEveryRateIsTheFilesContent)
{
    const int in = indexOf(true, "Korvanta test capture");
    ASSERT_GE(in, 0);
    SetInDevice(in);
    SetBits(16, 0);
    constexpr int kFrames = 16384 + 16384 / 8;
    for (int rate : {8000, 11025, 22050, 32000, 44100, 48000, 96000}) {
        SCOPED_TRACE(rate);
        SetSampleRates(rate, 0);
        const RecordedBlock b = RecordBlock(kFrames);
        ASSERT_TRUE(b.present) << devlog::Lines().join('\n').toStdString();
        ASSERT_EQ(b.data.size(), 2u * kFrames);
        for (int k = 0; k < kFrames; ++k) {
            ASSERT_FLOAT_EQ(b.data[2 * k], -(k % 20000) / 32768.0f) << k;
            ASSERT_FLOAT_EQ(b.data[2 * k + 1], (k % 30000) / 32768.0f) << k;
        }
    }
}

TEST_F(AlsaEngineTest, PlaybackRepeatsTheLoopAndKeepsToRealTime)
{
    const int out = indexOf(false, "Korvanta test playback");
    ASSERT_GE(out, 0);
    SetOutDevice(out);
    SetSampleRates(0, 48000);
    SetBits(0, 16);
    QFile::remove(config().outFile);
    GeneratorSettings g;
    g.levelRight = -6;
    QElapsedTimer t;
    t.start();
    ASSERT_EQ(StartPlay(g, -1, 1000.0f), 0) << devlog::Lines().join('\n').toStdString();
    QTest::qWait(400);
    StopPlay();
    const double seconds = t.elapsed() / 1000.0;

    QFile f(config().outFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray played = f.readAll();
    std::vector<uint8_t> loop(kLoopBufferMax);
    std::mt19937 rng;
    const SynthesisResult r = SynthesiseLoop(g, 1000.0, 48000, 16, rng, loop.data());
    ASSERT_EQ(r.bytes, 4224u);
    ASSERT_GT(played.size(), 3 * 4224);
    for (qsizetype i = 0; i < played.size(); ++i)
        ASSERT_EQ(static_cast<uint8_t>(played[i]), loop[i % r.bytes]) << i;
    // A device without a clock is held to the wall clock (plus the lead).
    EXPECT_LE(played.size(), (seconds + WaveOut::kLeadMs / 1000.0) * 48000 * 4 + 4096);
}

// A 24-bit sine is measured as a test set would: two seconds of what the
// device was handed, fitted with a sine of exactly the generator's frequency
// and a DC term. What is left must lie near the quantisation floor: a phase
// jump where a loop restarts, or a period cut short, would stand far above.
TEST_F(AlsaEngineTest, TwentyFourBitSineIsPureAtEveryFrequency)
{
    const int out = indexOf(false, "Korvanta test playback");
    ASSERT_GE(out, 0);
    SetOutDevice(out);
    SetSampleRates(0, 48000);
    SetBits(0, 24);
    constexpr qint64 kFrames = 2 * 48000;
    constexpr double kFull24 = 2147483392.0;
    for (const float hz : {1.0f, 997.0f, 1234.56f, 19997.0f}) {
        SCOPED_TRACE(hz);
        QFile::remove(config().outFile);
        GeneratorSettings g;
        g.levelLeft = g.levelRight = -6;
        ASSERT_EQ(StartPlay(g, -1, hz), 0) << devlog::Lines().join('\n').toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(config().outFile).size() >= kFrames * 8; }, 10000));
        StopPlay();
        EXPECT_EQ(PlayPrecision(), 0) << "no loop, so no seam to report";
        QFile f(config().outFile);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray raw = f.read(kFrames * 8);
        ASSERT_EQ(raw.size(), kFrames * 8);
        const auto* pcm = reinterpret_cast<const int32_t*>(raw.constData());
        for (int channel : {0, 1}) {
            std::vector<double> y(kFrames);
            for (qint64 i = 0; i < kFrames; ++i)
                y[i] = pcm[2 * i + channel] / kFull24;
            const SineFit fit = FitSineWithDc(y, double(hz), 48000);
            EXPECT_NEAR(20.0 * std::log10(fit.amplitude), -6.0, 1e-6) << channel;
            EXPECT_LT(fit.residualDb, -130.0) << channel;
            std::printf("%9.2f Hz channel %d: residual %.1f dB\n", double(hz), channel, fit.residualDb);
        }
    }
}

TEST_F(AlsaBackendTest, BackendChoiceFollowsKorvantaAudioAndTheDevices)
{
    const QByteArray saved = qgetenv("KORVANTA_AUDIO");
    qunsetenv("KORVANTA_AUDIO");
    SetAudioBackendForTests(nullptr);
    EXPECT_TRUE(AlsaHasDevices()); // the test PCMs count as devices
    EXPECT_EQ(&CurrentAudioBackend(), &AlsaBackend::instance());
    qputenv("KORVANTA_AUDIO", "virtual");
    SetAudioBackendForTests(nullptr);
    EXPECT_EQ(CurrentAudioBackend().name(), "virtual");
    qputenv("KORVANTA_AUDIO", saved);
}

TEST_F(AlsaEngineTest, CapabilityReportListsTheTestDevices)
{
    int inCount = 0, outCount = 0, mask = 0;
    DeviceReport(inCount, outCount, mask);
    EXPECT_GE(inCount, 1);
    EXPECT_GE(outCount, 1);
    const QStringList lines = devlog::Lines();
    const qsizetype at = lines.indexOf("Korvanta test capture");
    ASSERT_GE(at, 0) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[at + 1], "Wave-In Formats      fffff");
    EXPECT_NE(InputFormatMask(indexOf(true, "Korvanta test capture")), 0u);
    EXPECT_TRUE(lines.contains("Korvanta test playback"));
}
