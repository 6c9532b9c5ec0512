// The sweep's frequency plan, capture lengths and step tags.
#include "generator/SweepPlan.h"

#include <gtest/gtest.h>

using namespace korvanta;

namespace {

TEST(SweepPlan, OneLogarithmicStepMeasuresBothEnds)
{
    EXPECT_FLOAT_EQ(StepFrequency(20, 22000, 1, 0, false), 20.0f);
    EXPECT_FLOAT_EQ(StepFrequency(20, 22000, 1, 1, false), 22000.0f);
}

TEST(SweepPlan, StepFrequencies)
{
    struct Case {
        int32_t from, to, steps, k;
        bool linear;
        float expected;
    };
    const Case cases[] = {
        {20, 20000, 40, 20, false, 632.4555f},  // geometric middle
        {20, 20000, 3, 1, false, 200.0f},       // decades
        {10, 20000, 50, 25, true, 10005.0f},
        {100, 1000, 9, 9, true, 1000.0f},
        {0, 20000, 10, 3, false, 333.0f},       // no plan
        {20, 20000, 0, 0, false, 333.0f},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(StepFrequency(c.from, c.to, c.steps, c.k, c.linear), c.expected, c.expected * 1e-5)
            << c.from << ".." << c.to << " step " << c.k;
}

TEST(SweepPlan, CaptureFrames)
{
    struct Case {
        float freq;
        int rate, bits;
        int32_t frames;
    };
    const Case cases[] = {
        {20.0f, 44100, 16, 32766},   // 743 ms of 32768 frames
        {20000.0f, 44100, 16, 441},  // 50 periods round to 2 ms (tie to even), at least 10 ms
        {1000.0f, 44100, 16, 2205},  // 50 periods
        {20.0f, 44100, 8, 32766},
        {1000.0f, 8000, 16, 400},
        // 683 ms at 48 kHz would be 32784 frames, more than the block holds.
        {20.0f, 48000, 16, 32768},
        {20.0f, 96000, 24, 32736},   // 341 ms
        {20.0f, 44100, 24, 32766},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptureFrames(c.freq, c.rate, c.bits), c.frames) << c.freq << " Hz at " << c.rate << "/" << c.bits;
}

TEST(SweepPlan, TagCarriesFrequencyAndIndex)
{
    struct Case {
        float freq;
        int32_t index;
        uint32_t tag;
    };
    const Case cases[] = {
        {20.0f, 0, 2000u},
        {1000.5f, 1, 100050u | (1u << 23)},
        {55200.0f, 511, 5520000u | (511u << 23)},
        {83886.07f, 3, 8388607u | (3u << 23)},
    };
    for (const Case& c : cases) {
        const uint32_t tag = StepTag(c.freq, c.index);
        EXPECT_EQ(tag, c.tag) << c.freq;
        EXPECT_NEAR(TagFrequency(tag), c.freq, 0.005);
        EXPECT_EQ(TagIndex(tag), c.index);
    }
}

TEST(SweepPlan, LongestMeasurement)
{
    EXPECT_EQ(LongestMeasurementMs(44100, 16, 44100), 743);
    EXPECT_EQ(LongestMeasurementMs(96000, 24, 44100), 455);   // 32-bit output counted as 3 bytes
    EXPECT_EQ(LongestMeasurementMs(0, 16, 44100), 0);
}

TEST(SweepPlan, RoundsTiesToEven)
{
    EXPECT_EQ(RoundEven(2.5), 2);
    EXPECT_EQ(RoundEven(3.5), 4);
    EXPECT_EQ(RoundEven(-11.5), -12);
}

} // namespace

namespace {

// The plan's duration: what the progress counts down from. Each step is its
// settle wait plus the block its frequency needs; the time left after k
// steps is the rest of the plan, and a duration reads as m:ss, rounded up.
TEST(SweepPlan, DurationOfThePlanAndTheTimeLeft)
{
    // 20 Hz and 20000 Hz at 44.1 kHz, 16 bit: 32766 and 441 frames.
    const RunEstimate e = SweepEstimate(20, 20000, 1, false, 100, 44100, 16);
    ASSERT_EQ(e.Steps(), 2);
    EXPECT_FALSE(e.approximate);
    EXPECT_EQ(e.stepMs[0], 100 + 743);
    EXPECT_EQ(e.stepMs[1], 100 + 10);
    struct Case {
        int done, leftMs;
    };
    for (const Case c : {Case{-1, 953}, Case{0, 953}, Case{1, 110}, Case{2, 0}, Case{5, 0}})
        EXPECT_EQ(TimeLeftMs(e, c.done), c.leftMs) << "after " << c.done;
    EXPECT_EQ(StepDurationMs(-5, 441, 0), 0);
    struct Text {
        int ms;
        const char* text;
    };
    for (const Text t : {Text{0, "0:00"}, Text{1, "0:01"}, Text{59999, "1:00"}, Text{61000, "1:01"},
                         Text{3600000, "1:00:00"}, Text{3725000, "1:02:05"}, Text{-3, "0:00"}})
        EXPECT_EQ(DurationText(t.ms), QString::fromLatin1(t.text)) << t.ms;
}

} // namespace
