#include "diagram/DiaLayout.h"
#include "diagram/DiaNavigation.h"
#include "diagram/DiaScale.h"
#include "diagram/PrintGeometry.h"

#include <gtest/gtest.h>

using namespace korvanta;

TEST(DiaScale, NiceStepTakesTheNextValueOfThe125List)
{
    EXPECT_DOUBLE_EQ(NiceStep(0.0), 0.02);
    EXPECT_DOUBLE_EQ(NiceStep(0.02), 0.05);   // strictly greater
    EXPECT_DOUBLE_EQ(NiceStep(0.3), 0.5);
    EXPECT_DOUBLE_EQ(NiceStep(6.67), 10.0);
    EXPECT_DOUBLE_EQ(NiceStep(1816), 2000.0);
    EXPECT_DOUBLE_EQ(NiceStep(99999), 100000.0);
    EXPECT_DOUBLE_EQ(NiceStep(100000), 100000.0);   // from here on v itself
    EXPECT_DOUBLE_EQ(NiceStep(250000), 250000.0);
}

static QStringList LabelsOf(const std::vector<int>& lines, bool labelled)
{
    QStringList out;
    for (int j : lines) {
        const QString label = LogGridLabel(j);
        if (labelled && !label.isEmpty())
            out << label;
        if (!labelled && label.isEmpty())
            out << QString::number(LogGridFreq(j));
    }
    return out;
}

TEST(DiaScale, LogGridFrom20HzTo20kHz)
{
    const std::vector<int> lines = LogGridLines(20, 20000);
    EXPECT_EQ(LabelsOf(lines, true), (QStringList{"20", "30", "50", "100", "200", "300", "500", "1k", "2k", "3k",
                                                  "5k", "10k", "20k"}));
    EXPECT_EQ(LabelsOf(lines, false), (QStringList{"40", "60", "70", "80", "90", "400", "600", "700", "800", "900",
                                                   "4000", "6000", "7000", "8000", "9000"}));
}

TEST(DiaScale, LogGridTableEnds)
{
    EXPECT_EQ(LogGridFreq(0), 0.0);
    EXPECT_EQ(LogGridFreq(9), 9.0);
    EXPECT_EQ(LogGridFreq(10), 10.0);
    EXPECT_EQ(LogGridFreq(46), 100000.0);
    EXPECT_EQ(LogGridLabel(46), "100k");
    EXPECT_EQ(FirstLogGridIndex(1), 1);
    EXPECT_EQ(FirstLogGridIndex(21), 12);   // the first line above 21 Hz is 30 Hz
    // No grid for a range through zero or beyond the table.
    EXPECT_EQ(FirstLogGridIndex(0), LogGridCount);
    EXPECT_EQ(FirstLogGridIndex(200000), LogGridCount);
    EXPECT_TRUE(LogGridLines(0, 20000).empty());
    EXPECT_TRUE(LogGridLines(200000, 400000).empty());
    // A first grid line above xmax is not drawn in the margin.
    EXPECT_TRUE(LogGridLines(21, 25).empty());
}

TEST(DiaScale, LinearTicksAndKiloHertzLabels)
{
    EXPECT_EQ(LinearTicks(10, 24000, 2000),
              (std::vector<int>{10, 2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 20000, 22000, 24000}));
    EXPECT_EQ(LinearTicks(10, 15, 1), (std::vector<int>{10, 11, 12, 13, 14, 15}));
    EXPECT_TRUE(LinearTicks(10, 20, 0).empty());
    EXPECT_EQ(LinearTickLabel(10), "10");
    EXPECT_EQ(LinearTickLabel(999), "999");
    EXPECT_EQ(LinearTickLabel(2000), "2.00k");
    EXPECT_EQ(LinearTickLabel(22050), "22.05k");
}

TEST(DiaScale, AxisLabelsAndDecimals)
{
    EXPECT_EQ(LeftAxisLabel(-5, 0), " -5");
    EXPECT_EQ(LeftAxisLabel(0, 0), "  0");
    EXPECT_EQ(LeftAxisLabel(-110, 0), "-110");
    EXPECT_EQ(LeftAxisLabel(0.25, 2), "0.25");
    EXPECT_EQ(LeftAxisLabel(-1e-9, 1), "0.0");   // never "-0.0"
    EXPECT_EQ(RightAxisLabel(-90), "-90.0");
    EXPECT_EQ(RightAxisLabel(5), "  5.0");
    EXPECT_EQ(LabelDecimals(0.05), 2);
    EXPECT_EQ(LabelDecimals(0.5), 1);
    EXPECT_EQ(LabelDecimals(1), 0);
}

// An axis held in microwatts and labelled in watts (the distortion
// diagram): prefixed labels at 1, 2 and 5 of each decade, only at 1 when
// the range is too wide for more.
TEST(DiaScale, ScaledLogGridLabelsInPrefixedUnits)
{
    const struct {
        double v;
        int digits;
        const char* text;
    } texts[] = {{0.01, 3, "10m"}, {0.5, 3, "500m"}, {2, 3, "2"}, {12.345, 4, "12.35"}, {1500, 3, "1.5k"},
                 {1e-4, 3, "100µ"}, {0, 3, "0"}, {-0.02, 3, "-20m"}};
    for (const auto& t : texts)
        EXPECT_EQ(PrefixedText(t.v, t.digits), QString::fromUtf8(t.text)) << t.v;

    QStringList labels, lines;
    for (const ScaledGridLine& g : ScaledLogGrid(1e4, 2e6, 1e-6)) {   // 10 mW ... 2 W
        lines << QString::number(g.x);
        if (!g.label.isEmpty())
            labels << g.label;
    }
    EXPECT_EQ(labels.join(' '), "10m 20m 50m 100m 200m 500m 1 2");
    EXPECT_EQ(lines.size(), 9 + 9 + 2);   // 10 ... 90 mW, 100 ... 900 mW, 1 and 2 W
    int labelled = 0;
    for (const ScaledGridLine& g : ScaledLogGrid(1, 1e8, 1e-6))   // eight decades
        labelled += g.label.isEmpty() ? 0 : 1;
    EXPECT_EQ(labelled, 9) << "one label a decade";
    EXPECT_TRUE(ScaledLogGrid(0, 10, 1).empty());
    EXPECT_TRUE(ScaledLogGrid(10, 10, 1).empty());
}

TEST(DiaNavigation, LogScrollBarsWalkTheStopTable)
{
    EXPECT_EQ(ScrollHighFreq(SB_LINEUP, 20, 20000, true), 11025);
    EXPECT_EQ(ScrollHighFreq(SB_LINEDOWN, 20, 20000, true), 22050);
    EXPECT_EQ(ScrollHighFreq(SB_LINEDOWN, 20, 50000, true), 50000);   // top stop
    EXPECT_EQ(ScrollHighFreq(SB_LINEDOWN, 20, 12000, true), 20000);   // off-table value to the next stop
    EXPECT_EQ(ScrollHighFreq(SB_LINEUP, 20, 30, true), 30);           // 20 is not above xmin
    EXPECT_EQ(ScrollLowFreq(SB_LINEDOWN, 1, 20000, true), 2);
    EXPECT_EQ(ScrollLowFreq(SB_LINEUP, 1, 20000, true), 1);           // bottom stop
    EXPECT_EQ(ScrollLowFreq(SB_LINEDOWN, 10000, 11025, true), 10000); // would reach xmax
    EXPECT_EQ(ScrollHighFreq(SB_PAGEUP, 20, 20000, true), 20000);     // other codes do nothing
    EXPECT_EQ(ScrollLowFreq(SB_THUMBTRACK, 20, 20000, true), 20);
}

TEST(DiaNavigation, LinearScrollBarsMoveByATenthOrByOneHertz)
{
    EXPECT_EQ(ScrollHighFreq(SB_LINEDOWN, 10, 15, false), 16);
    EXPECT_EQ(ScrollHighFreq(SB_LINEUP, 10, 15, false), 14);
    EXPECT_EQ(ScrollLowFreq(SB_LINEDOWN, 10, 15, false), 11);
    EXPECT_EQ(ScrollLowFreq(SB_LINEUP, 10, 15, false), 9);
    EXPECT_EQ(ScrollHighFreq(SB_LINEDOWN, 0, 1000, false), 1100);
    EXPECT_EQ(ScrollHighFreq(SB_LINEDOWN, 1000, 49000, false), 50000);   // capped
    EXPECT_EQ(ScrollLowFreq(SB_LINEUP, 5, 1000, false), 1);              // at least 1
    EXPECT_EQ(ScrollHighFreq(SB_LINEUP, 10, 11, false), 11);             // 10 is not above xmin
    EXPECT_EQ(ScrollLowFreq(SB_LINEDOWN, 10, 11, false), 10);
}

// The distortion diagram's microwatts: 1-2-5 stops of any decade, no
// frequency cap, never past the whole-number range.
TEST(DiaNavigation, ScaledAxesStepAlong125ValuesOfAnyDecade)
{
    const struct {
        bool high, xLog;
        int code;
        int32_t xmin, xmax, expected;
    } cases[] = {
        {true, true, SB_LINEDOWN, 1000, 200000000, 500000000},
        {true, true, SB_LINEUP, 1000, 200000000, 100000000},
        {true, true, SB_LINEDOWN, 1000, 2000000000, 2000000000},   // the end of the range
        {false, true, SB_LINEUP, 1000, 200000000, 500},
        {false, true, SB_LINEDOWN, 100000000, 200000000, 100000000}, // would pass xmax
        {false, true, SB_LINEUP, 1, 10, 1},
        {true, false, SB_LINEDOWN, 0, 2000000000, 2000000000},
        {true, false, SB_LINEUP, 1000, 101000, 91000},
        {true, true, SB_PAGEUP, 1000, 5000, 5000},
    };
    for (const auto& c : cases) {
        const int32_t got = c.high ? ScrollHighValue(c.code, c.xmin, c.xmax, c.xLog)
                                   : ScrollLowValue(c.code, c.xmin, c.xmax, c.xLog);
        EXPECT_EQ(got, c.expected) << c.high << c.xLog << c.code << " " << c.xmin << "..." << c.xmax;
    }
}

TEST(DiaNavigation, SpinButtonsSnapOrStep)
{
    const YSpin autoSpin{true, 5};
    // |0 - -100| / 10 = 10 -> step 20; values snap to multiples of 20.
    EXPECT_FLOAT_EQ(autoSpin.ymaxUp(-100, 0), 20);
    EXPECT_FLOAT_EQ(autoSpin.ymaxDown(-100, 0), -20);
    EXPECT_FLOAT_EQ(autoSpin.ymaxUp(-100, 3), 20);     // 3 snaps to 0 first
    EXPECT_FLOAT_EQ(autoSpin.yminUp(-100, 0), -80);
    EXPECT_FLOAT_EQ(autoSpin.yminDown(-100, 0), -120);
    EXPECT_FLOAT_EQ(autoSpin.ymaxDown(-10, 0), -2);    // range 10 -> step 2
    const YSpin fixed{false, 5};
    EXPECT_FLOAT_EQ(fixed.ymaxUp(-100, 0), 5);
    EXPECT_FLOAT_EQ(fixed.yminDown(-100, 0), -105);
    EXPECT_FLOAT_EQ(fixed.ymaxDown(-4, 0), 0);         // would reach ymin: ignored
    EXPECT_FLOAT_EQ(fixed.yminUp(-4, 0), -4);
}

TEST(PrintGeometry, PortraitAt600DpiOnA4)
{
    const PrintGeometry g = ComputePrintGeometry(600, 4960, 7016, false);
    EXPECT_EQ(g.x0, 400);
    EXPECT_EQ(g.y0, 300);
    EXPECT_EQ(g.width, 4410);
    EXPECT_EQ(g.height, 3508);
    EXPECT_EQ(g.bitmapWidth, 1102);
    EXPECT_EQ(g.bitmapHeight, 877);
    EXPECT_EQ(g.fontSize, 16);
    EXPECT_EQ(g.printedWidth, 4408);
    EXPECT_EQ(g.printedHeight, 3508);
}

TEST(PrintGeometry, LandscapeAndOtherResolutions)
{
    const PrintGeometry g = ComputePrintGeometry(300, 3508, 2480, true);
    EXPECT_EQ(g.x0, 0);
    EXPECT_EQ(g.y0, 200);
    EXPECT_EQ(g.width, 3508);
    EXPECT_EQ(g.height, 2080);
    EXPECT_EQ(g.fontSize, 8);
    EXPECT_EQ(ComputePrintGeometry(1200, 9920, 14032, false).fontSize, 32);
}

// The right axis is labelled at its own round values: the smallest 1-2-5
// step that keeps the labels no denser than the grid's rows.
TEST(NiceTicks, RoundValuesNoDenserThanTheGrid)
{
    struct Case {
        double lo, hi;
        int maxIntervals;
        std::vector<double> ticks;
    };
    const Case cases[] = {
        {-180, 180, 25, {-180, -160, -140, -120, -100, -80, -60, -40, -20, 0, 20, 40, 60, 80, 100, 120, 140, 160, 180}},
        {-90, 90, 11, {-80, -60, -40, -20, 0, 20, 40, 60, 80}},
        {-90, 90, 4, {-50, 0, 50}},
        {-45, 5, 10, {-45, -40, -35, -30, -25, -20, -15, -10, -5, 0, 5}},
        {0.3, 1.7, 3, {0.5, 1.0, 1.5}},
        {90, -90, 4, {-50, 0, 50}},   // either order
        {5, 5, 10, {}},
        {-90, 90, 0, {}},
    };
    for (const Case& c : cases) {
        const std::vector<double> t = NiceTicks(c.lo, c.hi, c.maxIntervals);
        ASSERT_EQ(t.size(), c.ticks.size()) << c.lo << ".." << c.hi << " / " << c.maxIntervals;
        for (size_t i = 0; i < t.size(); ++i)
            EXPECT_NEAR(t[i], c.ticks[i], 1e-9) << c.lo << ".." << c.hi << " tick " << i;
    }
}
