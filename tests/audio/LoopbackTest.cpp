// What the virtual card's input hears of what its output writes: a wave
// file streamed from disk comes back sample for sample and loops without a
// seam; a tone played at one rate and recorded at another keeps its pitch
// and level.

#include "tests/audio/AudioTestSupport.h"
#include "tests/support/TestFft.h"
#include "tests/support/SineFit.h"
#include "tests/support/TestSupport.h"
#include "tests/audio/WaveFileMaker.h"

using namespace korvanta;
using korvanta::testing_support::fft;

namespace {
// The highest bin other than `bin` and its neighbours, relative to `bin`,
// in dB, through the analyzer's own transform without a window.
double worstSpurDb(const std::vector<float>& block, int channel, int N, int bin)
{
    std::vector<float> x(N);
    for (int n = 0; n < N; ++n)
        x[n] = block[2 * static_cast<size_t>(n) + channel];
    fft().MakeWindow(0, N);
    fft().Magnitude(x.data(), N);
    float spur = 0;
    for (int k = 1; k < N / 2; ++k)
        if (std::abs(k - bin) > 1)
            spur = std::max(spur, x[k]);
    return 20.0 * std::log10(std::max(spur, 1e-20f) / x[bin]);
}
} // namespace

using Loopback = VirtualLayerTest;

// The input hears the file frame for frame, looped, mono on both channels.
TEST_F(Loopback, WaveFilesComeBackSampleForSample)
{
    const struct {
        const char* name;
        int format;
        int channels;
        int rate;
        int bits; // input and output width
    } files[] = {
        {"stereo16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 16},
        {"mono24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000, 24},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 24},
        {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 96000, 16},
    };
    ScratchDir dir;
    constexpr int kFrames = 1000;
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const QString path = dir.file(f.name);
        ASSERT_TRUE(WriteSineFile(path, f.format, f.channels, f.rate, kFrames, 7));
        SetSampleRates(f.rate, 48000); // the file plays at its own rate, not the slot's
        SetBits(f.bits, f.bits);
        ASSERT_EQ(PlayUserWave(path), 0) << devlog::Lines().join('\n').toStdString();
        const RecordedBlock b = RecordBlock(3 * kFrames + 17);
        StopUserWave();
        ASSERT_TRUE(b.present);
        const double lsb = std::ldexp(1.0, 1 - f.bits);
        for (int i = 0; i < 3 * kFrames + 17; ++i) {
            const double left = 0.5 * std::sin(2.0 * std::numbers::pi * 7 * (i % kFrames) / kFrames);
            const double right = f.channels == 2 ? 0.5 * left : left;
            ASSERT_NEAR(b.data[2 * i + 1], left, lsb) << i;
            ASSERT_NEAR(b.data[2 * i], right, lsb) << i;
        }
    }
}

// A file of whole periods loops with no seam: no spur 100 dB below the tone
// anywhere in the spectrum. A file that ends half a period early clicks at
// every loop, and the same measurement sees it.
TEST_F(Loopback, WholePeriodsLoopWithoutAClick)
{
    constexpr int N = 16384;
    constexpr int kBin = 512; // 1500 Hz at 48 kHz
    SetSampleRates(48000, 48000);
    SetBits(24, 24);
    ScratchDir dir;
    const struct {
        int frames;
        double periods;
        bool clean;
    } cases[] = {{4800, 150, true}, {4784, 149.5, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frames);
        const QString path = dir.file(QStringLiteral("loop%1.wav").arg(c.frames));
        ASSERT_TRUE(WriteWaveFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000, c.frames, [&](int i, int) {
            return 0.5 * std::sin(2.0 * std::numbers::pi * 1500.0 * i / 48000.0);
        }));
        ASSERT_EQ(PlayUserWave(path), 0);
        const RecordedBlock b = RecordBlock(N + 5000);
        StopUserWave();
        ASSERT_TRUE(b.present);
        const std::vector<float> later(b.data.begin() + 2 * 5000, b.data.end()); // not at a loop start
        const double spur = worstSpurDb(later, 1, N, kBin);
        if (c.clean)
            EXPECT_LT(spur, -100.0);
        else
            EXPECT_GT(spur, -80.0);
    }
}

// A 1 kHz tone played at one rate and recorded at another stays at 1 kHz
// (a fit at exactly 1 kHz leaves nothing 90 dB above the 24-bit floor) at
// its level within 0.01 dB.
TEST_F(Loopback, ToneKeepsItsPitchAcrossRates)
{
    const struct {
        int out, in;
    } rates[] = {{48000, 44100}, {44100, 11025}, {44100, 44100}};
    for (const auto& r : rates) {
        SCOPED_TRACE(testing::Message() << r.out << " -> " << r.in);
        SetSampleRates(r.in, r.out);
        SetBits(24, 24);
        GeneratorSettings g;
        g.levelLeft = -6;
        g.levelRight = -12;
        ASSERT_EQ(StartPlay(g, -1, 1000.0f), 0);
        RecordBlock(r.in / 10); // the filter's run-in
        const RecordedBlock b = RecordBlock(r.in / 2);
        StopPlay();
        ASSERT_TRUE(b.present);
        const SineFit left = FitSine(b.data, 1, 1000.0, r.in);
        const SineFit right = FitSine(b.data, 0, 1000.0, r.in);
        EXPECT_NEAR(20.0 * std::log10(left.amplitude), -6.0, 0.01);
        EXPECT_NEAR(20.0 * std::log10(right.amplitude), -12.0, 0.01);
        EXPECT_LT(left.residualDb, -90.0);
        EXPECT_LT(right.residualDb, -90.0);
    }
}

// In real time too the input hears the output continuously: a block spans
// many writes of the output thread.
TEST_F(Loopback, RealTimeLoopbackIsContinuous)
{
    VirtualCard::instance().setFastMode(false);
    SetSampleRates(48000, 48000);
    SetBits(24, 24);
    GeneratorSettings g;
    g.levelRight = GeneratorSettings::kLevelOff;
    ASSERT_EQ(StartPlay(g, -1, 1500.0f), 0);
    const RecordedBlock b = RecordBlock(9600); // 0.2 s
    StopPlay();
    ASSERT_TRUE(b.present);
    const SineFit f = FitSine(b.data, 1, 1500.0, 48000);
    EXPECT_NEAR(20.0 * std::log10(f.amplitude), 0.0, 0.01);
    EXPECT_LT(f.residualDb, -90.0) << "a gap or a jump in what the input heard";
}
