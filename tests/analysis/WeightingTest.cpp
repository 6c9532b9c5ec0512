#include "analysis/AnalysisSettings.h"
#include "analysis/WeightingCurves.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvanta;

TEST(Weighting, EveryBuiltInCurveIsAUsableTable)
{
    for (const QString& name : WeightingNames()) {
        if (name == kWeightingUser)
            continue;
        const auto points = WeightingTable(name);
        ASSERT_GE(points.size(), 3u) << name.toStdString();
        CorrectionTable curve;
        ASSERT_TRUE(SelectWeighting(curve, name));
        EXPECT_EQ(curve.active, name != kWeightingNone) << name.toStdString();
        for (size_t i = 0; i < points.size(); ++i) {
            if (i > 0) {
                EXPECT_GT(points[i].x, points[i - 1].x) << name.toStdString();
            }
            EXPECT_NEAR(SplineValue(curve, points[i].x), points[i].y, 1e-9) << name.toStdString();
        }
        for (double f = 10.0; f <= 24000.0; f *= 1.01)
            ASSERT_TRUE(std::isfinite(SplineValue(curve, f))) << name.toStdString() << " at " << f;
    }
}

TEST(Weighting, NoneIsFlatAndInactive)
{
    CorrectionTable curve;
    SelectWeighting(curve, "A Weighting");
    ASSERT_TRUE(SelectWeighting(curve, "none"));
    EXPECT_FALSE(curve.active);
    EXPECT_EQ(curve.count, 3);
    EXPECT_EQ(SplineValue(curve, 50), 0.0);
    EXPECT_EQ(Correct(curve, -1, 50, -30.0), -30.0);
}

TEST(Weighting, UserKeepsTheLoadedCurve)
{
    CorrectionTable curve;
    SetCorrectionPoints(curve, std::vector<CorrectionPair>{{100, -3}, {1000, 0}, {10000, 3}});
    curve.fileName = "/home/user/mic.cor";
    ASSERT_TRUE(SelectWeighting(curve, "USER"));
    EXPECT_TRUE(curve.active);
    EXPECT_EQ(curve.count, 3);
    EXPECT_EQ(curve.fileName, "/home/user/mic.cor");

    // Without a file of its own it keeps whatever was selected last.
    SelectWeighting(curve, "DEEMPH 75");
    curve.active = false;
    SelectWeighting(curve, "USER");
    EXPECT_TRUE(curve.active);
    EXPECT_EQ(curve.count, 9);
}

TEST(Weighting, UnknownNamesSelectNothing)
{
    CorrectionTable curve;
    SelectWeighting(curve, "C Message");
    EXPECT_FALSE(SelectWeighting(curve, "a weighting"));
    EXPECT_EQ(curve.count, 11);
    EXPECT_TRUE(curve.active);

    AnalysisSettings s;
    SelectFilter(s, curve, "CCIR ARM");
    EXPECT_EQ(s.filterName, "CCIR ARM");
    SelectFilter(s, curve, "B Weighting");
    EXPECT_EQ(s.filterName, "none");
    EXPECT_FALSE(curve.active);
}
