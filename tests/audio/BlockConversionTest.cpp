// Conversion of recorded PCM blocks to the float layout the measurements read.

#include "audio/BlockConversion.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace korvanta;

namespace {
std::vector<uint8_t> pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> raw(samples.size() * 2);
    std::memcpy(raw.data(), samples.data(), raw.size());
    return raw;
}

std::vector<uint8_t> pcm32(const std::vector<int32_t>& samples)
{
    std::vector<uint8_t> raw(samples.size() * 4);
    std::memcpy(raw.data(), samples.data(), raw.size());
    return raw;
}

struct Converted {
    ConversionResult result;
    std::vector<float> out;
};

Converted convert(const std::vector<uint8_t>& raw, ConversionParams p)
{
    Converted c;
    c.out.assign(raw.size() + 2, 99.0f); // sentinel beyond the block
    c.result = ConvertBlock(raw.data(), static_cast<uint32_t>(raw.size()), p, c.out.data());
    return c;
}

// Four frames of (L, R) = (16384, -16384).
std::vector<uint8_t> halfScaleBlock() { return pcm16({16384, -16384, 16384, -16384, 16384, -16384, 16384, -16384}); }
} // namespace

TEST(BlockConversion, PairsAreStoredRightFirstUnlessFlipped)
{
    ConversionParams p;
    Converted c = convert(halfScaleBlock(), p);
    ASSERT_EQ(c.result.sampleCount, 8);
    for (int i = 0; i < 8; i += 2) {
        EXPECT_FLOAT_EQ(c.out[i], -0.5f);
        EXPECT_FLOAT_EQ(c.out[i + 1], 0.5f);
    }
    EXPECT_EQ(c.out[8], 99.0f);

    p.flip = true;
    c = convert(halfScaleBlock(), p);
    for (int i = 0; i < 8; i += 2) {
        EXPECT_FLOAT_EQ(c.out[i], 0.5f);
        EXPECT_FLOAT_EQ(c.out[i + 1], -0.5f);
    }
}

TEST(BlockConversion, AutomaticDcRemovesEachChannelsMean)
{
    ConversionParams p;
    p.autoDC = true;
    p.dcOffsetL = 0.25f; // ignored while the automatic offset is on
    const Converted c = convert(pcm16({1000, -1000, 1000, -1000, 1000, -1000}), p);
    for (int i = 0; i < 6; ++i)
        EXPECT_FLOAT_EQ(c.out[i], 0.0f) << i;

    // An empty block has no mean and converts to nothing.
    const Converted empty = convert({}, p);
    EXPECT_EQ(empty.result.sampleCount, 0);
    EXPECT_EQ(empty.result.overRange, 0);
}

TEST(BlockConversion, NamedMultipliersAndOffsetsActOnTheirPcmChannels)
{
    // "inv. Phase L" negates the PCM right channel (the first float), the
    // DC offset L shifts the PCM left channel (the second float).
    ConversionParams p;
    p.phaseL = -1;
    p.dcOffsetL = 0.125f;
    const Converted c = convert(halfScaleBlock(), p);
    EXPECT_FLOAT_EQ(c.out[0], 0.5f);
    EXPECT_FLOAT_EQ(c.out[1], 0.625f);

    ConversionParams q;
    q.phaseR = -1;
    q.dcOffsetR = -0.25f;
    const Converted d = convert(halfScaleBlock(), q);
    EXPECT_FLOAT_EQ(d.out[0], -0.75f);
    EXPECT_FLOAT_EQ(d.out[1], -0.5f);
}

TEST(BlockConversion, EightBitSilenceAndLimits)
{
    ConversionParams p;
    p.bits = 8;
    const Converted silence = convert(std::vector<uint8_t>(16, 128), p);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(silence.out[i], 0.0f);
    EXPECT_EQ(silence.result.overRange, 0);

    const Converted edges = convert({0, 255, 1, 254}, p);
    EXPECT_EQ(edges.result.overRange, 2);
    EXPECT_FLOAT_EQ(edges.out[0], 127.0f / 128.0f); // pair exchanged: byte 255 first
    EXPECT_FLOAT_EQ(edges.out[1], -1.0f);
    EXPECT_FLOAT_EQ(edges.out[2], 126.0f / 128.0f);
    EXPECT_FLOAT_EQ(edges.out[3], -127.0f / 128.0f);
}

TEST(BlockConversion, SixteenAndThirtyTwoBitLimits)
{
    ConversionParams p;
    EXPECT_EQ(convert(pcm16({-32768, 32767, -32767, 32766}), p).result.overRange, 2);

    p.bits = 32;
    const Converted c = convert(pcm32({-2147483647 - 1, 2147483647, -2147483647, 2147483646, 1 << 30, 0}), p);
    EXPECT_EQ(c.result.overRange, 3);
    EXPECT_EQ(c.result.sampleCount, 6);
    EXPECT_FLOAT_EQ(c.out[5], 0.5f);
}

TEST(BlockConversion, PartialFrameAtTheEndIsDropped)
{
    ConversionParams p;
    const Converted c = convert(pcm16({100, 200, 300}), p);
    EXPECT_EQ(c.result.sampleCount, 2);
    EXPECT_EQ(c.out[2], 99.0f);
}
