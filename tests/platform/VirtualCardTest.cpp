// The virtual card's DUT description and its simulated signal path: each
// element checked with a signal whose answer is known.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/virtual/DutSimulator.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QDir>
#include <QFile>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace korvanta;

namespace {
constexpr int kRate = 48000;

// Runs `frames` frames of a played stereo signal through a simulator.
std::vector<double> run(DutSimulator& sim, int frames, double amplitude = 0.0, double freq = 1000.0,
                        double rightScale = 1.0)
{
    std::vector<double> out(2 * static_cast<size_t>(frames));
    for (int n = 0; n < frames; ++n) {
        const double s = amplitude * std::sin(2.0 * std::numbers::pi * freq * n / kRate);
        const double played[2] = {s, s * rightScale};
        sim.process(played, &out[2 * static_cast<size_t>(n)]);
    }
    return out;
}

// Amplitude of the component at `freq` in one channel (whole periods).
double amplitudeAt(const std::vector<double>& v, int channel, double freq, size_t skip = 0)
{
    double re = 0, im = 0;
    size_t n = 0;
    for (size_t i = 2 * skip + channel; i < v.size(); i += 2, ++n) {
        const double ph = 2.0 * std::numbers::pi * freq * static_cast<double>(n) / kRate;
        re += v[i] * std::cos(ph);
        im += v[i] * std::sin(ph);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(n);
}
} // namespace

TEST(DutSpecText, CrosstalkKeysSetOneOrBothDirections)
{
    const DutConfig both = ParseDutSpec("xtalk=-90 xtalkrl=-70").dut;
    EXPECT_DOUBLE_EQ(both.xtalkLeftToRightDb, -90.0);
    EXPECT_DOUBLE_EQ(both.xtalkRightToLeftDb, -70.0); // the later key wins
    const DutSpec bad = ParseDutSpec("xtalk=3 xtalklr=x");
    EXPECT_EQ(bad.errors.size(), 2) << bad.errors.join('\n').toStdString();
    EXPECT_LE(bad.dut.xtalkLeftToRightDb, kOffDb); // a louder leak than the signal is refused
}

TEST(DutSpecText, ParsesEveryKeyAndReportsBadItems)
{
    const DutSpec s = ParseDutSpec(
        "GAIN=-6; gainr=-3, lp=20000 hp=20 delay=12 k2=0.01 k3=-0.002 noise=-100 dcl=0.01 swap=1 invr=1 "
        "ext=square freq=440 level=-20 h3=-60 fast=1 volume=80 fault=open:6 bogus=1 delay=x h2");
    const DutConfig& d = s.dut;
    EXPECT_DOUBLE_EQ(d.gainDb[0], -6.0);
    EXPECT_DOUBLE_EQ(d.gainDb[1], -3.0);
    EXPECT_DOUBLE_EQ(d.lowPassHz, 20000.0);
    EXPECT_DOUBLE_EQ(d.highPassHz, 20.0);
    EXPECT_EQ(d.delaySamples, 12); // the bad second "delay" is skipped
    EXPECT_DOUBLE_EQ(d.k2, 0.01);
    EXPECT_DOUBLE_EQ(d.k3, -0.002);
    EXPECT_DOUBLE_EQ(d.noiseDb, -100.0);
    EXPECT_DOUBLE_EQ(d.dc[0], 0.01);
    EXPECT_TRUE(d.swap);
    EXPECT_FALSE(d.invert[0]);
    EXPECT_TRUE(d.invert[1]);
    EXPECT_EQ(d.ext, ExternalKind::Square);
    EXPECT_DOUBLE_EQ(d.extFreq, 440.0);
    EXPECT_DOUBLE_EQ(d.extLevelDb, -20.0);
    ASSERT_EQ(d.harmonicsDb.size(), 2u);
    EXPECT_LE(d.harmonicsDb[0], -300.0); // h2 not given
    EXPECT_DOUBLE_EQ(d.harmonicsDb[1], -60.0);
    EXPECT_EQ(s.fast, true);
    EXPECT_EQ(s.inputVolume, 80);
    EXPECT_EQ(s.fault, VirtualFault::OpenFails);
    EXPECT_EQ(s.faultCode, 6);
    ASSERT_EQ(s.errors.size(), 3) << s.errors.join('\n').toStdString();
    EXPECT_TRUE(s.errors[0].contains("bogus"));
    EXPECT_TRUE(s.errors[1].contains("delay=x"));
    EXPECT_TRUE(s.errors[2].contains("\"h2\""));

    EXPECT_EQ(ParseDutSpec("ext=triangle").errors.size(), 1);
    EXPECT_EQ(ParseDutSpec("fault=melt").fault, VirtualFault::None);
    EXPECT_EQ(ParseDutSpec("fault=outstall").fault, VirtualFault::OutputStall);
    EXPECT_EQ(ParseDutSpec("fault=OutGone").fault, VirtualFault::OutputGone);
    EXPECT_EQ(ParseDutSpec("fault=outerror").fault, VirtualFault::OutputWriteFails);
    EXPECT_EQ(ParseDutSpec("gain=1e999").errors.size(), 1);
    EXPECT_TRUE(ParseDutSpec("").errors.isEmpty());
}

TEST(DutPath, GainDelaySwapPolarityAndDc)
{
    DutConfig c;
    c.gainDb[0] = -6.0;
    c.delaySamples = 5;
    DutSimulator plain(c, kRate);
    std::vector<double> impulse(40, 0.0);
    for (int n = 0; n < 20; ++n) {
        const double played[2] = {n == 0 ? 1.0 : 0.0, n == 0 ? 0.5 : 0.0};
        plain.process(played, &impulse[2 * n]);
    }
    EXPECT_DOUBLE_EQ(impulse[2 * 4], 0.0);
    EXPECT_NEAR(impulse[2 * 5], std::pow(10.0, -6.0 / 20.0), 1e-12);
    EXPECT_DOUBLE_EQ(impulse[2 * 5 + 1], 0.5);

    DutConfig s;
    s.swap = true;
    s.invert[0] = true;
    s.dc[1] = 0.25;
    DutSimulator swapped(s, kRate);
    double out[2];
    const double played[2] = {0.5, 0.125};
    swapped.process(played, out);
    // Polarity and DC act on the DUT's own channels, then the swap.
    EXPECT_DOUBLE_EQ(out[0], 0.375);
    EXPECT_DOUBLE_EQ(out[1], -0.5);
}

TEST(DutPath, FiltersAndDistortionHaveTheirTextbookResponse)
{
    DutConfig lp;
    lp.lowPassHz = 2000.0;
    DutSimulator low(lp, kRate);
    const std::vector<double> atCorner = run(low, 9600, 0.5, 2000.0);
    EXPECT_NEAR(20.0 * std::log10(amplitudeAt(atCorner, 0, 2000.0, 4800) / 0.5), -3.01, 0.05);
    DutSimulator low2(lp, kRate);
    const std::vector<double> pass = run(low2, 9600, 0.5, 100.0);
    EXPECT_NEAR(amplitudeAt(pass, 0, 100.0, 4800), 0.5, 0.001);

    // x + k2 x^2: a sine of amplitude A gains a 2nd harmonic of k2 A^2 / 2.
    DutConfig d;
    d.k2 = 0.1;
    DutSimulator dist(d, kRate);
    const std::vector<double> bent = run(dist, 4800, 0.5);
    EXPECT_NEAR(amplitudeAt(bent, 0, 2000.0), 0.1 * 0.25 / 2.0, 1e-9);
    EXPECT_NEAR(amplitudeAt(bent, 0, 1000.0), 0.5, 1e-9);

    // A filter at or above half the rate cannot work: left out, with a note.
    DutConfig tooHigh;
    tooHigh.lowPassHz = 30000.0;
    DutSimulator bad(tooHigh, kRate);
    EXPECT_EQ(bad.warnings().size(), 1);
}

TEST(DutPath, ExternalSourceCarriesExactHarmonicsAndNoiseLevel)
{
    DutConfig c;
    c.ext = ExternalKind::Sine;
    c.extFreq = 1000.0;
    c.extLevelDb = -10.0;
    c.harmonicsDb = {-40.0, -50.0};
    DutSimulator sim(c, kRate);
    const std::vector<double> v = run(sim, 4800);
    const double a1 = std::pow(10.0, -10.0 / 20.0);
    EXPECT_NEAR(amplitudeAt(v, 1, 1000.0), a1, 1e-9);
    EXPECT_NEAR(amplitudeAt(v, 1, 2000.0), a1 * 0.01, 1e-9);
    EXPECT_NEAR(amplitudeAt(v, 1, 3000.0), a1 * std::pow(10.0, -2.5), 1e-9);

    DutConfig n;
    n.noiseDb = -20.0;
    DutSimulator noisy(n, kRate);
    const std::vector<double> w = run(noisy, 48000);
    double sum = 0;
    for (double x : w)
        sum += x * x;
    EXPECT_NEAR(20.0 * std::log10(std::sqrt(sum / w.size())), -20.0, 0.1);
}

TEST(Quantiser, ClipsLikeAConverterInEveryWidth)
{
    const double v[4] = {1.5, -1.5, 0.5, -0.25};
    uint8_t b8[4];
    QuantiseSamples(v, 4, 8, 1.0, b8);
    EXPECT_EQ(b8[0], 255);
    EXPECT_EQ(b8[1], 0);
    EXPECT_EQ(b8[2], 192);
    EXPECT_EQ(b8[3], 96);
    int16_t s16[4];
    QuantiseSamples(v, 4, 16, 0.5, reinterpret_cast<uint8_t*>(s16));
    EXPECT_EQ(s16[0], 24576);
    EXPECT_EQ(s16[3], -4096);
    int32_t s32[4];
    QuantiseSamples(v, 4, 32, 1.0, reinterpret_cast<uint8_t*>(s32));
    EXPECT_EQ(s32[0], 2147483647);
    EXPECT_EQ(s32[1], -2147483647 - 1);
}

TEST(VirtualCardDevice, DefaultSourceWithoutKorvantaDutAndInputVolume)
{
    qunsetenv("KORVANTA_DUT");
    VirtualCard& card = VirtualCard::instance();
    card.reset();
    card.setFastMode(true);
    std::unique_ptr<CaptureSource> src;
    ASSERT_EQ(card.openInput(0, MakeWaveFormat(48000, 16), src), 0);
    ASSERT_EQ(src->start(), 0);
    std::vector<int16_t> pcm(2 * 4800);
    ASSERT_EQ(src->read(reinterpret_cast<uint8_t*>(pcm.data()), 4800, 100).frames, 4800);
    std::vector<double> v(pcm.begin(), pcm.end());
    for (double& x : v)
        x /= 32768.0;
    // 1 kHz at -10 dBFS, 2nd harmonic 70 dB below.
    EXPECT_NEAR(amplitudeAt(v, 0, 1000.0), std::pow(10.0, -0.5), 1e-3);
    EXPECT_NEAR(20.0 * std::log10(amplitudeAt(v, 0, 2000.0) / amplitudeAt(v, 0, 1000.0)), -70.0, 1.0);
    EXPECT_EQ(src->close(), 0);

    card.setInputVolume(50);
    ASSERT_EQ(card.openInput(0, MakeWaveFormat(48000, 16), src), 0);
    src->start();
    src->read(reinterpret_cast<uint8_t*>(pcm.data()), 4800, 100);
    std::vector<double> half(pcm.begin(), pcm.end());
    for (double& x : half)
        x /= 32768.0;
    EXPECT_NEAR(amplitudeAt(half, 0, 1000.0), 0.5 * std::pow(10.0, -0.5), 1e-3);
    src->close();
    EXPECT_EQ(card.queryInput(0, MakeWaveFormat(48000, 12)), WAVERR_BADFORMAT);
    EXPECT_EQ(card.queryInput(1, MakeWaveFormat(48000, 16)), MMSYSERR_BADDEVICEID);
    card.reset();
}

// Without KORVANTA_DUT the card hears a 1 kHz tone of its own, so a
// newcomer sees a spectrum; it pauses while the program's output is open,
// so what the program plays is heard alone. A source asked for plays on.
TEST(VirtualCardDevice, BuiltInTonePausesWhileTheOutputIsOpen)
{
    VirtualCard& card = VirtualCard::instance();
    DutConfig asked;
    asked.ext = ExternalKind::Sine;
    asked.extLevelDb = -10.0;
    const struct {
        const char* name;
        const char* env; // nullptr: KORVANTA_DUT unset
        bool fromCpp;
        bool outputOpen;
        bool heard;
    } cases[] = {
        {"built-in, output closed", nullptr, false, false, true},
        {"built-in, output open", nullptr, false, true, false},
        {"ext= in KORVANTA_DUT, output open", "ext=sine freq=1000 level=-10", false, true, true},
        {"ext set from C++, output open", nullptr, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        card.reset();
        card.setFastMode(true);
        if (c.env)
            qputenv("KORVANTA_DUT", c.env);
        else
            qunsetenv("KORVANTA_DUT");
        if (c.fromCpp)
            card.setDut(asked);
        std::unique_ptr<PlaybackSink> out;
        if (c.outputOpen) {
            ASSERT_EQ(card.openOutput(0, MakeWaveFormat(48000, 16), out), 0);
        }
        std::unique_ptr<CaptureSource> src;
        ASSERT_EQ(card.openInput(0, MakeWaveFormat(48000, 16), src), 0);
        ASSERT_EQ(src->start(), 0);
        std::vector<int16_t> pcm(2 * 4800);
        ASSERT_EQ(src->read(reinterpret_cast<uint8_t*>(pcm.data()), 4800, 100).frames, 4800);
        src->close();
        if (out)
            out->close();
        const std::vector<double> v(pcm.begin(), pcm.end());
        const double tone = amplitudeAt(v, 0, 1000.0) / 32768.0;
        if (c.heard)
            EXPECT_NEAR(tone, std::pow(10.0, -0.5), 1e-3);
        else
            EXPECT_LT(tone, 1e-4);
    }
    qunsetenv("KORVANTA_DUT");
    card.reset();
}

// rates= and bits= (and the same limits from C++) make a device that
// refuses formats; the capability mask tells the same story.
TEST(VirtualCardDevice, FormatLimitsRefuseOtherRatesAndWidths)
{
    const DutSpec spec = ParseDutSpec("rates=44100/48000 bits=16:24");
    EXPECT_EQ(spec.rates, (std::vector<int>{44100, 48000}));
    EXPECT_EQ(spec.bits, (std::vector<int>{16, 32})) << "24 bits travel in 32-bit containers";
    EXPECT_EQ(ParseDutSpec("rates=44100/abc").errors.size(), 1);
    EXPECT_EQ(ParseDutSpec("bits=12").errors.size(), 1);
    EXPECT_TRUE(ParseDutSpec("rates=44100/abc").rates.empty()) << "a bad list limits nothing";

    VirtualCard& card = VirtualCard::instance();
    card.reset();
    const struct {
        int rate, bits, expected;
    } cases[] = {{44100, 16, 0}, {48000, 32, 0}, {96000, 16, WAVERR_BADFORMAT}, {48000, 8, WAVERR_BADFORMAT}};
    qputenv("KORVANTA_DUT", "rates=44100/48000 bits=16/24");
    for (const auto& c : cases) {
        EXPECT_EQ(card.queryInput(0, MakeWaveFormat(c.rate, c.bits)), c.expected) << c.rate << " " << c.bits;
        EXPECT_EQ(card.queryOutput(0, MakeWaveFormat(c.rate, c.bits)), c.expected) << c.rate << " " << c.bits;
    }
    std::unique_ptr<CaptureSource> src;
    EXPECT_EQ(card.openInput(0, MakeWaveFormat(96000, 16), src), WAVERR_BADFORMAT);
    WaveInCaps caps;
    ASSERT_EQ(card.inputCaps(0, caps), 0);
    EXPECT_EQ(caps.formats, WAVE_FORMAT_4M16 | WAVE_FORMAT_4S16 | WAVE_FORMAT_48M16 | WAVE_FORMAT_48S16);
    qunsetenv("KORVANTA_DUT");

    card.setFormatLimits({11025}, {8});
    EXPECT_EQ(card.queryOutput(0, MakeWaveFormat(11025, 8)), 0);
    EXPECT_EQ(card.queryOutput(0, MakeWaveFormat(11025, 16)), WAVERR_BADFORMAT);
    card.reset();
    EXPECT_EQ(card.queryOutput(0, MakeWaveFormat(96000, 16)), 0) << "reset lifts the limits";
}

TEST(VirtualCardDevice, ChosenWhenTheOnlyPcmIsNull)
{
    // A machine whose only PCM is "null" (also on a developer's machine with
    // a card: the configuration names nothing else).
    const QString conf = QDir::temp().filePath("korvanta-null-only.conf");
    QFile f(conf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("pcm.null { type null hint { show on description \"Discard all samples\" } }\n");
    f.close();
    qputenv("ALSA_CONFIG_PATH", conf.toUtf8());
    qunsetenv("KORVANTA_AUDIO");
    SetAudioBackendForTests(nullptr);
    EXPECT_FALSE(AlsaHasDevices());
    EXPECT_EQ(&CurrentAudioBackend(), &VirtualCard::instance());
    SetAudioBackendForTests(nullptr);
}

// The keys a measurement of the impulse response needs: a fractional delay
// (a whole one stays a plain shift), one reflection and a drifting clock.
TEST(DutPath, FractionalDelayEchoAndDrift)
{
    struct Case {
        const char* text;
        double delay, echoMs, echoDb, drift;
        int errors;
    };
    const Case cases[] = {
        {"delay=10.37", 10.37, 0, kOffDb, 0, 0},     {"delay=12", 12, 0, kOffDb, 0, 0},
        {"echo=3:-6", 0, 3, -6, 0, 0},               {"drift=100", 0, 0, kOffDb, 100, 0},
        {"drift=-1000", 0, 0, kOffDb, -1000, 0},     {"echo=3", 0, 0, kOffDb, 0, 1},
        {"echo=2000:-6 echo=3:6", 0, 0, kOffDb, 0, 2}, {"drift=1001 delay=-1", 0, 0, kOffDb, 0, 2},
    };
    for (const Case& c : cases) {
        const DutSpec s = ParseDutSpec(c.text);
        EXPECT_DOUBLE_EQ(s.dut.delaySamples, c.delay) << c.text;
        EXPECT_DOUBLE_EQ(s.dut.echoMs, c.echoMs) << c.text;
        EXPECT_DOUBLE_EQ(s.dut.echoDb, c.echoDb) << c.text;
        EXPECT_DOUBLE_EQ(s.dut.driftPpm, c.drift) << c.text;
        EXPECT_EQ(s.errors.size(), c.errors) << c.text;
    }

    // An impulse through delay=7 and an echo 1 ms (48 samples) later at
    // -6 dB: exactly two samples, nothing between them.
    DutSimulator sim(ParseDutSpec("delay=7 echo=1:-6").dut, kRate);
    std::vector<double> left;
    for (int n = 0; n < 100; ++n) {
        const double played[2] = {n == 0 ? 1.0 : 0.0, 0.0};
        double out[2];
        sim.process(played, out);
        left.push_back(out[0]);
    }
    for (int n = 0; n < 100; ++n)
        EXPECT_DOUBLE_EQ(left[n], n == 7 ? 1.0 : n == 55 ? std::pow(10.0, -6.0 / 20.0) : 0.0) << n;

    // A half-sample delay: the two samples either side of 40.5 weigh the
    // same, and the taps sum to one.
    DutSimulator half(ParseDutSpec("delay=40.5").dut, kRate);
    std::vector<double> h;
    double sum = 0.0;
    for (int n = 0; n < 100; ++n) {
        const double played[2] = {n == 0 ? 1.0 : 0.0, 0.0};
        double out[2];
        half.process(played, out);
        h.push_back(out[0]);
        sum += out[0];
    }
    EXPECT_NEAR(h[40], h[41], 1e-12);
    EXPECT_GT(h[40], 0.6);
    EXPECT_NEAR(sum, 1.0, 1e-12);
}
