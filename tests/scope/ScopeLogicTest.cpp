// The oscilloscope's numbers without a device: the steps and labels, the
// capture plan of each timebase (with an input that refuses rates), the
// trigger search and the conversion of a block into screen divisions.
#include "scope/ScopeFrame.h"
#include "scope/ScopeScales.h"
#include "scope/ScopeTables.h"

#include <gtest/gtest.h>
#include <cmath>
#include <set>
#include <vector>

using namespace korvanta;

namespace {
constexpr double kPi = 3.14159265358979323846;

bool anyRate(int) { return true; }

// An interleaved block of `frames` frames: channel 1 and 2 as functions of
// the frame index.
template <class F1, class F2>
std::vector<float> block(int frames, F1 ch1, F2 ch2)
{
    std::vector<float> b(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        b[size_t(2 * i)] = float(ch1(i));
        b[size_t(2 * i + 1)] = float(ch2(i));
    }
    return b;
}

auto sine(double amplitude, double periodFrames, double phase = 0.0)
{
    return [=](int i) { return amplitude * std::sin(2 * kPi * i / periodFrames + phase); };
}
auto constant(double v)
{
    return [=](int) { return v; };
}
} // namespace

// --- steps and plans --------------------------------------------------------------------

TEST(ScopeTables, LabelsAndValuesOfBothTables)
{
    EXPECT_EQ(VoltsLabel(1), QString::fromUtf8("100µV"));
    EXPECT_DOUBLE_EQ(VoltsPerDiv(1), 0.0001);
    EXPECT_EQ(VoltsLabel(10), "100mV");
    EXPECT_DOUBLE_EQ(VoltsPerDiv(13), 1.0);
    EXPECT_EQ(VoltsLabel(14), "2V");
    EXPECT_EQ(TimebaseLabel(1), "X-Y");
    EXPECT_DOUBLE_EQ(SecondsPerDiv(1), -1.0);
    EXPECT_EQ(TimebaseLabel(6), "1ms");
    EXPECT_EQ(TimebaseLabel(17), "5s");
    EXPECT_DOUBLE_EQ(SecondsPerDiv(17), 5.0);
    // A number from a hand-edited file never reads past a table.
    EXPECT_EQ(VoltsLabel(0), QString::fromUtf8("100µV"));
    EXPECT_EQ(TimebaseLabel(99), "5s");
}

struct PlanCase {
    int timebase;
    int rate;
    int frames;
};

class CapturePlanByTimebase : public ::testing::TestWithParam<PlanCase> {};

TEST_P(CapturePlanByTimebase, RateAndLengthWhenEveryRateIsTaken)
{
    const PlanCase c = GetParam();
    const CapturePlan p = PlanCapture(SecondsPerDiv(c.timebase), {1, 1}, anyRate);
    EXPECT_EQ(p.rate, c.rate) << TimebaseLabel(c.timebase).toStdString();
    EXPECT_EQ(p.frameLength, c.frames) << TimebaseLabel(c.timebase).toStdString();
}

INSTANTIATE_TEST_SUITE_P(, CapturePlanByTimebase,
                         ::testing::Values(PlanCase{1, 44100, 1024}, PlanCase{2, 44100, 1024},
                                           PlanCase{5, 44100, 1024}, PlanCase{6, 44100, 1024},
                                           PlanCase{7, 22050, 1024}, PlanCase{8, 11025, 1300},
                                           PlanCase{9, 11025, 2448}, PlanCase{10, 8000, 2448},
                                           PlanCase{17, 8000, 2448}));

// An input that refuses the plan's rate: the lowest faster rate it takes,
// with as many frames as cover the same time (32768 at most); else the
// slower plans it takes; else what it records at already.
TEST(CapturePlan, OnInputsThatRefuseThePlansRate)
{
    const CapturePlan previous{48000, 777};
    const struct {
        int timebase;
        std::set<int> rates;
        CapturePlan plan;
    } cases[] = {
        // One rate only, as many USB interfaces: every timebase scaled.
        {1, {48000}, {48000, 1116}},   // X-Y: 512 points x 48000 / 44100 = 557.3, whole points
        {6, {48000}, {48000, 1116}},
        {7, {48000}, {48000, 2230}},   // 22050 Hz, 1024 frames
        {8, {48000}, {48000, 5660}},   // 11025 Hz, 1300 frames
        {9, {48000}, {48000, 10658}},  // 11025 Hz, 2448 frames
        {17, {48000}, {48000, 14688}}, // 8000 Hz, 2448 frames: exactly 6 times
        {6, {96000}, {96000, 2230}},
        {9, {96000}, {96000, 21316}},
        {17, {96000}, {96000, 29376}},
        {8, {192000}, {192000, 22640}},
        {9, {192000}, {192000, 32768}}, // 42632 frames would not fit a block
        {17, {192000}, {192000, 32768}},
        // The lowest faster rate, not the highest, and not a slower plan.
        {9, {8000, 44100, 48000}, {44100, 9792}},
        {7, {8000, 11025, 32000, 96000}, {32000, 1488}},
        // Nothing faster: the slower plans the input takes.
        {6, {8000, 11025, 22050}, {22050, 1024}},
        {9, {8000}, {8000, 2448}},
        // Nothing at all: what it had, rather than fail every frame.
        {9, {}, previous},
        {1, {22050}, previous},
    };
    for (const auto& c : cases) {
        const auto accepted = [&c](int r) { return c.rates.count(r) > 0; };
        const CapturePlan p = PlanCapture(SecondsPerDiv(c.timebase), previous, accepted);
        const std::string where = TimebaseLabel(c.timebase).toStdString() + " on " + ::testing::PrintToString(c.rates);
        EXPECT_EQ(p.rate, c.plan.rate) << where;
        EXPECT_EQ(p.frameLength, c.plan.frameLength) << where;
    }
}

TEST(ScopeSteps, SpinButtonsStayInTheirRanges)
{
    EXPECT_EQ(TimebaseUp(8), 9);
    EXPECT_EQ(TimebaseUp(9), 9) << "the spin button stops at 10ms";
    EXPECT_EQ(TimebaseUp(12), 12) << "slower steps come only from the settings file";
    EXPECT_EQ(TimebaseDown(12), 11);
    EXPECT_EQ(TimebaseDown(1), 1);
    EXPECT_EQ(TimebaseDown(2), 2) << "X-Y is a switch of its own, not below 50µs";
    EXPECT_EQ(VoltsUp(14), 14);
    EXPECT_EQ(VoltsDown(1), 1);
    EXPECT_EQ(VoltsUp(10), 11);
}

TEST(ScopeSteps, ScrollBarsAndTheirDivisions)
{
    EXPECT_FLOAT_EQ(PositionFromBar(-400), 12.0f);
    EXPECT_FLOAT_EQ(PositionFromBar(400), -4.0f);
    EXPECT_FLOAT_EQ(PositionFromBar(0), 4.0f);
    EXPECT_EQ(BarFromPosition(6.02f), -101);
    EXPECT_FLOAT_EQ(PositionFromBar(BarFromPosition(2.0f)), 2.0f);
    EXPECT_FLOAT_EQ(TriggerLevelFromBar(-200), 2.0f);
    EXPECT_FLOAT_EQ(TriggerLevelFromBar(50), -0.5f);
    // In X-Y the middle of a bar is the centre, and it moves as far as in Y-t.
    EXPECT_FLOAT_EQ(XYOffsetFromBar(0), 0.0f);
    EXPECT_FLOAT_EQ(XYOffsetFromBar(-100), 2.0f);
    EXPECT_EQ(BarFromXYOffset(-1.5f), 75);
}

// --- trigger and frame ---------------------------------------------------------------------

struct TriggerCase {
    const char* name;
    bool rising;
    bool onChannel1;
    float level;
};

class TriggerSearch : public ::testing::TestWithParam<TriggerCase> {};

// A sine of 3 divisions peak, 400 frames a period (so it moves less than the
// window from one sample to the next), on the trigger channel
// only (the other channel is a sine of the opposite sign, so a search on the
// wrong channel finds the wrong slope).
TEST_P(TriggerSearch, StartsAtTheFirstSampleInsideTheWindowOnTheSlope)
{
    const TriggerCase c = GetParam();
    const auto trig = sine(0.3, 400.0, 1.0);
    const auto other = sine(-0.3, 400.0, 1.0);
    const std::vector<float> b = c.onChannel1 ? block(1024, trig, other) : block(1024, other, trig);
    const float k = 10.0f; // 0.3 full scale = 3 divisions
    const TriggerSetting t{c.level, c.rising, c.onChannel1};
    const int i = FindTrigger(b.data(), 512, t, k);
    ASSERT_LT(i, 511);
    const float a = float(trig(i)) * k, next = float(trig(i + 1)) * k, before = float(trig(i - 1)) * k;
    if (c.rising) {
        EXPECT_GT(a, c.level);
        EXPECT_LT(a, c.level + kTriggerWindow);
        EXPECT_GT(next, a);
        EXPECT_LE(before, c.level) << "the frame starts one sample after the crossing, not later";
    } else {
        EXPECT_LT(a, c.level);
        EXPECT_GT(a, c.level - kTriggerWindow);
        EXPECT_LT(next, a);
        EXPECT_GE(before, c.level);
    }
}

INSTANTIATE_TEST_SUITE_P(, TriggerSearch,
                         ::testing::Values(TriggerCase{"rising_ch1", true, true, 0.5f},
                                           TriggerCase{"falling_ch1", false, true, 0.5f},
                                           TriggerCase{"rising_ch2", true, false, -1.0f},
                                           TriggerCase{"falling_ch2", false, false, 1.2f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TriggerSearchMisses, SignalThatNeverReachesTheWindowStartsAtTheLastPoint)
{
    const std::vector<float> b = block(1024, sine(0.1, 100.0), sine(0.1, 100.0));
    EXPECT_EQ(FindTrigger(b.data(), 512, {1.5f, true, true}, 10.0f), 511);
    // A window the samples jump over (steep slope) is missed too.
    const std::vector<float> steep = block(1024, sine(1.0, 4.0, 0.3), constant(0.0));
    EXPECT_EQ(FindTrigger(steep.data(), 512, {0.0f, true, true}, 10.0f), 511);
}

TEST(BuildFrame, ScalesBothChannelsAroundTheirPositionsFromTheTrigger)
{
    const std::vector<float> b = block(1024, sine(0.25, 64.0), constant(-0.5));
    FrameScaling s;
    s.k1 = 4.0f;
    s.k2 = 2.0f;
    s.yPosition1 = 6.0f;
    s.yPosition2 = 2.0f;
    s.sampleInterval = 1.0f / 44100.0f;
    std::vector<ScopePoint> pts;
    const int start = BuildFrame(b.data(), 2048, {0.0f, true, true}, s.k1, s, pts);
    ASSERT_EQ(pts.size(), 512u);
    EXPECT_EQ(start, 1) << "frame 0 sits exactly on the level, outside the open window";
    EXPECT_FLOAT_EQ(pts[0].x, 0.0f);
    EXPECT_FLOAT_EQ(pts[10].x, 10.0f / 44100.0f);
    EXPECT_FLOAT_EQ(pts[0].y1, float(sine(0.25, 64.0)(1)) * 4.0f + 6.0f);
    EXPECT_FLOAT_EQ(pts[15].y1, float(sine(0.25, 64.0)(16)) * 4.0f + 6.0f);
    EXPECT_FLOAT_EQ(pts[100].y2, -0.5f * 2.0f + 2.0f);
}

TEST(BuildFrame, GroundDrawsTheZeroLineButTheTriggerStillSeesTheSamples)
{
    const std::vector<float> b = block(1024, sine(0.25, 64.0), sine(0.25, 64.0));
    FrameScaling s;
    s.k1 = s.k2 = 4.0f;
    s.yPosition1 = 6.02f;
    s.yPosition2 = 2.0f;
    s.ground1 = true;
    std::vector<ScopePoint> pts;
    const int start = BuildFrame(b.data(), 2048, {0.5f, true, true}, 4.0f, s, pts);
    EXPECT_LT(start, 511) << "the grounded channel still triggers";
    for (const ScopePoint& p : pts)
        ASSERT_FLOAT_EQ(p.y1, 6.02f);
    EXPECT_GT(pts[0].y2, 2.5f);
}

// X-Y: the zeros meet at the screen's centre (5 divisions across, 4 up)
// whatever the Y-t positions, moved by the X-Y offsets; x is stored as
// minus the column, the y2 slot is empty.
TEST(BuildFrame, XYPutsBothZerosAtTheCentreMovedByTheOffsets)
{
    const std::vector<float> b = block(64, constant(0.1), constant(-0.2));
    struct Case {
        float offset1, offset2;
        bool ground1, ground2;
        float x, y1;
    };
    const Case cases[] = {
        {0.0f, 0.0f, false, false, -(5.0f - 2.0f), 4.0f + 1.0f},
        {1.5f, -2.0f, false, false, -(5.0f - 2.0f - 2.0f), 4.0f + 1.0f + 1.5f},
        {0.0f, 0.0f, true, true, -5.0f, 4.0f},   // both grounded: the centre
        {-1.0f, 3.0f, true, true, -8.0f, 3.0f},
    };
    for (const Case& c : cases) {
        FrameScaling s;
        s.k1 = s.k2 = 10.0f;
        s.yPosition1 = 6.02f;  // the Y-t positions play no part
        s.yPosition2 = 2.0f;
        s.xy = true;
        s.xyOffset1 = c.offset1;
        s.xyOffset2 = c.offset2;
        s.ground1 = c.ground1;
        s.ground2 = c.ground2;
        std::vector<ScopePoint> pts;
        BuildFrame(b.data(), 128, {0.0f, true, true}, 10.0f, s, pts);
        ASSERT_EQ(pts.size(), 32u);
        EXPECT_FLOAT_EQ(pts[0].x, c.x) << c.offset1 << " " << c.offset2;
        EXPECT_FLOAT_EQ(pts[0].y2, 0.0f);
        EXPECT_FLOAT_EQ(pts[0].y1, c.y1) << c.offset1 << " " << c.offset2;
    }
}

// The read-out under the graticule: steps with their unit prefix, the
// trigger in volts of its channel, X-Y named; and the marker's row.
TEST(ScopeScaleTexts, ValuesUnitsAndLinesInBothLanguages)
{
    struct Value {
        double v;
        const char* volts;
    };
    for (const Value c : {Value{0.0001, "100µV"}, Value{0.0375, "37.5mV"}, Value{0.1, "100mV"}, Value{1.2, "1.2V"},
                          Value{2.0, "2V"}, Value{-0.05, "-50mV"}, Value{0.0, "0V"}, Value{0.000123, "123µV"}})
        EXPECT_EQ(VoltsText(c.v), QString::fromUtf8(c.volts)) << c.v;
    EXPECT_EQ(SecondsText(0.0005), QString::fromUtf8("500µs"));
    EXPECT_EQ(SecondsText(0.01), QStringLiteral("10ms"));
    EXPECT_EQ(SecondsText(2.0), QStringLiteral("2s"));

    ScopeScales s;
    s.valid = true;
    s.voltsPerDiv1 = 0.1;
    s.voltsPerDiv2 = 0.5;
    s.secondsPerDiv = 0.001;
    s.triggerLevel = 0.5f;
    s.triggerZero = 6.02f;
    s.ground2 = true;
    EXPECT_EQ(ScopeScaleLines(s, 'E'), QStringList({QStringLiteral("Ch1 100mV/div   Ch2 500mV/div Gnd"),
                                                    QString::fromUtf8("1ms/div   Trigger Ch1 ↑ 50mV")}));
    s.triggerOnChannel1 = false;
    s.triggerRising = false;
    s.triggerLevel = -1.0f;
    EXPECT_EQ(ScopeScaleLines(s, 'D')[1], QString::fromUtf8("1ms/Div   Trigger Ch2 ↓ -500mV"));
    EXPECT_FLOAT_EQ(TriggerMarkerDivisions(s), 5.02f);
    s.secondsPerDiv = kXYSeconds;
    EXPECT_EQ(ScopeScaleLines(s, 'E'),
              QStringList({QStringLiteral("Y: Ch1 100mV/div   X: Ch2 500mV/div Gnd"), QStringLiteral("X-Y")}));
}

TEST(BuildFrame, ShortOrEmptyBlocksNeverReadPastTheirEnd)
{
    std::vector<ScopePoint> pts;
    FrameScaling s;
    EXPECT_EQ(BuildFrame(nullptr, 0, {}, 1.0f, s, pts), 0);
    EXPECT_TRUE(pts.empty());
    // Two frames: one point, the trigger fallback at index 0.
    const std::vector<float> two = {0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(BuildFrame(two.data(), 4, {}, 1.0f, s, pts), 0);
    ASSERT_EQ(pts.size(), 1u);
    EXPECT_FLOAT_EQ(pts[0].y1, 0.1f);
}
