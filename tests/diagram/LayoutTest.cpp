#include "diagram/DiaLayout.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {
DiaLayoutInput Input580x370()
{
    DiaLayoutInput in;
    in.width = 580;
    in.height = 370;
    in.fontSize = 8;
    in.charW = 6;
    in.charH = 13;
    in.kLabelWidth = 33;
    in.ranges.xmin = 20;
    in.ranges.xmax = 20000;
    in.ranges.ymin = -100;
    in.ranges.ymax = 0;
    in.ranges.y2min = -90;
    in.ranges.y2max = 90;
    in.n = 1000;
    return in;
}
} // namespace

TEST(DiaLayout, MarginsPlotAndScalesOfTheDefaultWindow)
{
    DiaLayout lay;
    ASSERT_TRUE(ComputeLayout(Input580x370(), lay));
    EXPECT_EQ(lay.marginRight, 8);   // only the left scale: f
    EXPECT_EQ(lay.marginLeft, 24);   // 3f, no caption, no decimals before
    EXPECT_EQ(lay.marginTop, 32);
    EXPECT_EQ(lay.marginBottom, 40);
    EXPECT_EQ(lay.plotRect(), QRect(QPoint(24, 32), QPoint(571, 329)));
    EXPECT_NEAR(lay.ppLog, 548 / std::log(1000.0), 1e-9);
    EXPECT_NEAR(lay.ppdB, 298 / 100.0, 1e-9);
    EXPECT_NEAR(lay.ppdB2, 298 / 180.0, 1e-9);
    EXPECT_NEAR(lay.ppPoint, 0.548, 1e-9);
    EXPECT_NEAR(lay.ppHz, 548 / 19980.0, 1e-12);
    EXPECT_EQ(lay.firstLogIndex, 11);   // 20 Hz
    EXPECT_EQ(lay.xStep, 2000);         // 19980 div 11 = 1816 -> 2000
    EXPECT_DOUBLE_EQ(lay.yStep, 10);    // 100 / (298 div 19) = 6.67 -> 10
    EXPECT_EQ(lay.decimals, 0);
    EXPECT_DOUBLE_EQ(lay.y2Step, 18);   // the same 10 lines on the right axis
}

TEST(DiaLayout, CaptionsAndBothScalesWidenTheMargins)
{
    DiaLayoutInput in = Input580x370();
    in.showRight = true;
    in.leftCaptionHeight = 14;
    in.rightCaptionHeight = 14;
    in.xCaptionHeight = 14;
    DiaLayout lay;
    lay.decimals = 1;   // the previous layout's decimals add f
    ASSERT_TRUE(ComputeLayout(in, lay));
    EXPECT_EQ(lay.marginLeft, 14 + 24 + 8);
    EXPECT_EQ(lay.marginRight, 32 + 21);
    EXPECT_EQ(lay.marginBottom, 40 + 14);
    in.showLeft = false;   // the right scale alone keeps the narrow margin
    ASSERT_TRUE(ComputeLayout(in, lay));
    EXPECT_EQ(lay.marginRight, 8);
}

TEST(DiaLayout, SmallRangesGetDecimals)
{
    DiaLayoutInput in = Input580x370();
    in.ranges.ymin = -1;
    in.ranges.ymax = 0;
    DiaLayout lay;
    ASSERT_TRUE(ComputeLayout(in, lay));
    EXPECT_DOUBLE_EQ(lay.yStep, 0.1);
    EXPECT_EQ(lay.decimals, 1);
    in.ranges.ymax = -0.9f;
    ASSERT_TRUE(ComputeLayout(in, lay));
    EXPECT_EQ(lay.decimals, 2);
}

TEST(DiaLayout, FailuresKeepWhatCouldNotBeComputed)
{
    DiaLayout lay;
    ASSERT_TRUE(ComputeLayout(Input580x370(), lay));

    DiaLayoutInput in = Input580x370();
    in.n = 0;   // no points: the pixel scales fall back to 1
    EXPECT_FALSE(ComputeLayout(in, lay));
    EXPECT_EQ(lay.ppdB, 1.0);
    EXPECT_EQ(lay.ppPoint, 1.0);

    ASSERT_TRUE(ComputeLayout(Input580x370(), lay));
    in = Input580x370();
    in.ranges.xmin = 0;   // a frequency range through zero has no log scale
    EXPECT_FALSE(ComputeLayout(in, lay));
    EXPECT_NEAR(lay.ppdB, 2.98, 1e-9);   // left as it was

    in = Input580x370();
    in.height = 80;   // no room for a single grid line
    in.ranges.ymin = -1;
    EXPECT_FALSE(ComputeLayout(in, lay));
    EXPECT_EQ(lay.decimals, 0);
    EXPECT_DOUBLE_EQ(lay.yStep, 10);
    EXPECT_EQ(lay.plotBottom, 80 - 40);   // the margins are still updated
}

TEST(DiaLayout, EqualLevelLimitsKeepThePixelScalesAndTheRightStep)
{
    DiaLayout lay;
    ASSERT_TRUE(ComputeLayout(Input580x370(), lay));
    DiaLayoutInput in = Input580x370();
    in.ranges.ymin = in.ranges.ymax = -20;
    EXPECT_TRUE(ComputeLayout(in, lay));
    EXPECT_NEAR(lay.ppdB, 2.98, 1e-9);
    EXPECT_DOUBLE_EQ(lay.y2Step, 18);
}

TEST(DiaLayout, FreqToXAndBackOnBothAxes)
{
    DiaLayout lay;
    ASSERT_TRUE(ComputeLayout(Input580x370(), lay));
    EXPECT_DOUBLE_EQ(lay.FreqToX(20), 24);
    EXPECT_NEAR(lay.FreqToX(20000), 572, 1e-9);
    EXPECT_NEAR(lay.FreqToX(632.456), 24 + 274, 1e-3);   // geometric middle
    EXPECT_LT(lay.FreqToX(10), 24);                       // not clipped on a log axis
    EXPECT_DOUBLE_EQ(lay.FreqToX(0), 24);
    EXPECT_DOUBLE_EQ(lay.FreqToX(-5), 24);
    EXPECT_NEAR(lay.XToFreq(lay.FreqToX(1234)), 1234, 1e-6);

    DiaLayoutInput in = Input580x370();
    in.xLog = false;
    ASSERT_TRUE(ComputeLayout(in, lay));
    EXPECT_NEAR(lay.FreqToX(10010), 24 + 274, 1e-9);
    EXPECT_DOUBLE_EQ(lay.FreqToX(30000), 572);   // clipped to the plot
    EXPECT_DOUBLE_EQ(lay.FreqToX(10), 24);
    EXPECT_NEAR(lay.XToFreq(298), 10010, 1e-6);
}

TEST(DiaLayout, ControlsSitOnTheBorder)
{
    DiaLayout lay;
    ASSERT_TRUE(ComputeLayout(Input580x370(), lay));
    const DiaControlPlacement p = PlaceControls(lay, 18);
    EXPECT_EQ(p.spinYmax, QRect(1, 1, 16, 13));
    EXPECT_EQ(p.spinYmin, QRect(1, 370 - 13, 16, 13));
    EXPECT_EQ(p.scrollLF, QRect(19, 357, 26, 13));
    EXPECT_EQ(p.scrollHF, QRect(554, 357, 26, 13));
    EXPECT_EQ(p.comment, QPoint(24, (32 - 18) / 2 - 2));
    EXPECT_EQ(p.info, QRect(49, 370 - 17, 554 - 3 - 49, 17));
    EXPECT_EQ(CommentWidth(lay, 80), 572 - 80 - 24);
}
