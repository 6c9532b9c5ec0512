// The playback engine's loop buffer: length search, encodings, the one- and
// two-channel cases and noise.

#include "audio/LoopSynthesis.h"
#include "analysis/PC_IIR_2.h"
#include "tests/support/SineFit.h"
#include "audio/ToneStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace korvanta;

namespace {
struct Loop {
    SynthesisResult result;
    std::vector<uint8_t> bytes;
    int16_t s16(size_t sample) const
    {
        int16_t v;
        std::memcpy(&v, bytes.data() + 2 * sample, 2);
        return v;
    }
    int32_t s32(size_t sample) const
    {
        int32_t v;
        std::memcpy(&v, bytes.data() + 4 * sample, 4);
        return v;
    }
};

Loop synth(const GeneratorSettings& s, double f, int fs, int bits, unsigned seed = 1)
{
    Loop l;
    l.bytes.assign(kLoopBufferMax, 0xAA);
    std::mt19937 rng(seed);
    l.result = SynthesiseLoop(s, f, fs, bits, rng, l.bytes.data());
    l.bytes.resize(l.result.bytes);
    return l;
}

GeneratorSettings settings(int mode, int levelL, int levelR, int phaseL = 0, int phaseR = 0)
{
    GeneratorSettings g;
    g.mode = mode;
    g.levelLeft = levelL;
    g.levelRight = levelR;
    g.phaseLeft = phaseL;
    g.phaseRight = phaseR;
    return g;
}
} // namespace

TEST(LoopLengthSearch, WholePeriodsAtLeastFourKilobytes)
{
    struct Case {
        int fs, bytesPerSample;
        double f;
        uint32_t frames;
        int precision;
    };
    const Case cases[] = {
        {48000, 2, 1000, 1056, 0},  // k = 22
        {44100, 2, 1000, 1323, 0},  // k = 30, the first whole fit beyond 4096 bytes
        {44100, 2, 997, 44100, 0},  // k = 997: one second
        {48000, 4, 1000, 528, 0},   // k = 11
    };
    for (const Case& c : cases) {
        const LoopLength l = SearchLoopLength(c.fs, c.bytesPerSample, c.f);
        EXPECT_EQ(l.bytes / (2u * c.bytesPerSample), c.frames) << c.fs << " Hz, " << c.f;
        EXPECT_EQ(l.bytes % (2u * c.bytesPerSample), 0u);
        EXPECT_EQ(l.precision, c.precision);
    }
}

TEST(LoopLengthSearch, ResidueWhenNoWholeFitExistsAndCapAtTheBuffer)
{
    // 1 Hz at 96 kHz, 32 bit: one period is larger than the buffer.
    const LoopLength big = SearchLoopLength(96000, 4, 1.0);
    EXPECT_EQ(big.bytes, 262128u);
    // 997.3 Hz never fits whole within the buffer: the best residue, 1/1000
    // of a frame after 1413 periods, is kept and reported.
    const LoopLength odd = SearchLoopLength(44100, 2, 997.3);
    EXPECT_EQ(odd.precision, 1);
    EXPECT_EQ(odd.bytes, 249928u);
}

TEST(SampleEncoding, FullScaleAndRoundingPerWidth)
{
    uint8_t b[4];
    EncodeSample(1.0, 32, b);
    int32_t v32;
    std::memcpy(&v32, b, 4);
    EXPECT_EQ(v32, 2147483392);
    EncodeSample(-1.0, 16, b);
    int16_t v16;
    std::memcpy(&v16, b, 2);
    EXPECT_EQ(v16, -32767);
    EncodeSample(0.0, 8, b);
    EXPECT_EQ(b[0], 128);
    EncodeSample(1.0, 8, b);
    EXPECT_EQ(b[0], 255);
    // Ties go to the even neighbour: 127 * x = 0.5 and 1.5.
    EncodeSample(0.5 / 127.0, 8, b);
    EXPECT_EQ(b[0], 128);
    EncodeSample(1.5 / 127.0, 8, b);
    EXPECT_EQ(b[0], 130);
    EncodeSample(2.5 / 32767.0, 16, b);
    std::memcpy(&v16, b, 2);
    EXPECT_EQ(v16, 2);
    // Beyond full scale (pink noise peaks) the value is clipped, not wrapped.
    EncodeSample(1.7, 16, b);
    std::memcpy(&v16, b, 2);
    EXPECT_EQ(v16, 32767);
    EncodeSample(-1.7, 8, b);
    EXPECT_EQ(b[0], 0);
}

TEST(LoopSynthesis, SineHoldsWholePeriodsAndReportsPrecision)
{
    const Loop l = synth(settings(0, 0, 0), 1000, 48000, 16);
    ASSERT_EQ(l.result.bytes, 4224u);
    EXPECT_TRUE(l.result.hasPrecision);
    EXPECT_EQ(l.result.precision, 0);
    // Frame 12 of 48 per period is the crest.
    EXPECT_EQ(l.s16(24), 32767);
    EXPECT_EQ(l.s16(25), 32767);
    // The loop closes without a jump: the frame after the last is frame 0.
    EXPECT_EQ(l.s16(0), 0);
    EXPECT_EQ(l.s16(2 * 1055), static_cast<int16_t>(std::lround(32767 * std::sin(-2 * M_PI / 48))));
}

TEST(LoopSynthesis, SilentLevelsGiveSilenceInEveryWidth)
{
    const Loop l8 = synth(settings(0, -100, -100), 1000, 48000, 8);
    for (uint8_t b : l8.bytes)
        ASSERT_EQ(b, 128);
    const Loop l32 = synth(settings(1, -100, -100), 1000, 48000, 32);
    for (uint8_t b : l32.bytes)
        ASSERT_EQ(b, 0);
}

TEST(LoopSynthesis, TwoChannelCaseForDifferentLevelsOrPhases)
{
    const Loop l = synth(settings(0, 0, -6), 1000, 48000, 16);
    const double k = std::pow(10.0, -6.0 / 20.0);
    for (size_t f = 0; f < 48; ++f)
        EXPECT_NEAR(l.s16(2 * f + 1), l.s16(2 * f) * k, 1.0) << f;

    // 90 degrees apart: the right channel is the cosine.
    const Loop q = synth(settings(0, -6, -6, 0, 90), 1000, 48000, 16);
    EXPECT_EQ(q.s16(0), 0);
    EXPECT_EQ(q.s16(1), static_cast<int16_t>(std::lround(32767 * k)));

    // Square: +-amplitude by the sign of the sine.
    const Loop sq = synth(settings(1, -100, 0), 1000, 48000, 16);
    EXPECT_EQ(sq.s16(3), 32767);
    EXPECT_EQ(sq.s16(2 * 30 + 1), -32767);
    EXPECT_EQ(sq.s16(2), 0);
}

TEST(LoopSynthesis, NoiseFillsTheBufferAndFollowsThePhaseRule)
{
    const Loop white = synth(settings(2, 0, 0, 0, 180), 1000, 44100, 16);
    EXPECT_EQ(white.result.bytes, 262128u);
    EXPECT_FALSE(white.result.hasPrecision);
    int distinct = 0;
    for (size_t f = 0; f < white.bytes.size() / 4; ++f) {
        ASSERT_EQ(white.s16(2 * f + 1), -white.s16(2 * f));
        distinct += white.s16(2 * f) != white.s16(0);
    }
    EXPECT_GT(distinct, 60000);

    const Loop same = synth(settings(2, -6, -6), 1000, 44100, 32);
    for (size_t f = 0; f < same.bytes.size() / 8; ++f)
        ASSERT_EQ(same.s32(2 * f + 1), same.s32(2 * f));
}

TEST(LoopSynthesis, PinkNoiseIsWhiteNoiseThroughTheCascadeForTheOutputRate)
{
    const unsigned seed = 7;
    const Loop pink = synth(settings(3, 0, 0), 1000, 8000, 16, seed);
    // The same uniform values through a cascade designed for 8 kHz, scaled
    // so that their largest magnitude is full scale.
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    int fs = 8000;
    PinkCascade c;
    DesignPinkCascade(c, fs);
    ResetCascade(c);
    ASSERT_EQ(c.count, 9);
    std::vector<double> x(pink.bytes.size() / 4);
    double top = 0;
    for (double& v : x) {
        v = ProcessCascade(c, 2.0 * u(rng) - 1.0);
        top = std::max(top, std::abs(v));
    }
    for (size_t f = 0; f < x.size(); ++f) {
        const double expected = std::nearbyint(32767.0 * x[f] / top);
        ASSERT_EQ(pink.s16(2 * f), expected) << f;
        ASSERT_EQ(pink.s16(2 * f + 1), expected);
    }
}

// The level of either noise is its peak, so a noise never clips and reaches
// what was set; the RMS below it is what the help and README state.
TEST(LoopSynthesis, NoiseLevelIsItsPeak)
{
    const struct {
        int mode, fs, bits;
        double rmsLow, rmsHigh; // dB below the set level
    } cases[] = {
        {2, 48000, 16, -4.87, -4.67}, {2, 44100, 32, -4.87, -4.67}, // uniform: peak / sqrt 3
        {3, 48000, 16, -13.0, -10.0}, {3, 8000, 32, -13.0, -10.0}, {3, 96000, 8, -13.0, -10.0},
    };
    for (const auto& c : cases) {
        const Loop l = synth(settings(c.mode, -6, -6), 1000, c.fs, c.bits, 3);
        const double full = c.bits == 16 ? 32767.0 : c.bits == 8 ? 127.0 : 2147483392.0;
        double top = 0, sum = 0;
        const size_t samples = l.bytes.size() / (c.bits / 8);
        for (size_t i = 0; i < samples; ++i) {
            const double v = c.bits == 16 ? l.s16(i) : c.bits == 8 ? l.bytes[i] - 128.0 : l.s32(i);
            top = std::max(top, std::abs(v) / full);
            sum += (v / full) * (v / full);
        }
        const double set = std::pow(10.0, -6.0 / 20.0);
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", " << c.fs << " Hz, " << c.bits << " bit");
        EXPECT_LE(top, set + 1.0 / full) << "nothing above the set level";
        EXPECT_GT(20.0 * std::log10(top / set), -0.01) << "and the noise reaches it";
        const double rmsDb = 10.0 * std::log10(sum / static_cast<double>(samples)) + 6.0;
        EXPECT_GT(rmsDb, c.rmsLow);
        EXPECT_LT(rmsDb, c.rmsHigh);
    }
}

// A 24-bit tone is computed as it plays: the same formula as the loop, a
// phase that never drifts however long it plays, and a fit that is exact.
TEST(ToneStreamTest, FollowsTheLoopFormulaWithoutDrift)
{
    EXPECT_TRUE(PlaysContinuously(0, 32));
    EXPECT_TRUE(PlaysContinuously(1, 32));
    EXPECT_FALSE(PlaysContinuously(2, 32)) << "noise keeps its loop";
    EXPECT_FALSE(PlaysContinuously(0, 16)) << "8 and 16 bits keep the loop";

    GeneratorSettings g = settings(0, -6, -3, 0, 90);
    ToneStream tone(g, 997.0, 48000, 32, 1.0);
    std::vector<int32_t> first(2 * 48000), later(2 * 48000);
    tone.read(reinterpret_cast<uint8_t*>(first.data()), 48000);
    const double a = std::pow(10.0, -6.0 / 20.0) * 2147483392.0;
    for (int n : {0, 1, 12, 4711, 47999})
        EXPECT_NEAR(first[2 * n], a * std::sin(2 * M_PI * 997.0 * n / 48000), 1.0) << n;
    // 997 whole periods take exactly one second: after ten minutes (29
    // million frames) the second begins with the very same samples.
    for (int s = 1; s < 600; ++s)
        tone.read(reinterpret_cast<uint8_t*>(later.data()), 48000);
    tone.read(reinterpret_cast<uint8_t*>(later.data()), 48000);
    EXPECT_EQ(later, first);

    // Up to 0.45 of the rate nothing is left beside the sine but rounding.
    for (const float hz : {1.0f, 21600.0f}) {
        ToneStream top(settings(0, -6, -6), hz, 48000, 32, 1.0);
        top.read(reinterpret_cast<uint8_t*>(later.data()), 48000);
        std::vector<double> y(48000);
        for (size_t n = 0; n < y.size(); ++n)
            y[n] = later[2 * n] / 2147483392.0;
        EXPECT_LT(FitSineWithDc(y, hz, 48000).residualDb, -130.0) << hz;
    }
}
