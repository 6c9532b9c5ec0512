#include "correction/CorrectionTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace korvanta;

namespace {

CorrectionTable tableOf(const std::vector<CorrectionPair>& pairs)
{
    CorrectionTable t;
    SetCorrectionPoints(t, pairs);
    return t;
}

// A natural cubic spline solved independently of the program: the classic
// system h_i M_(i-1) + 2 (h_i + h_(i+1)) M_i + h_(i+1) M_(i+1) = 6 (slope
// difference), solved as a dense matrix with Gaussian elimination, and
// evaluated in the symmetric A/B form.
struct ReferenceSpline {
    std::vector<double> x, y, M;

    explicit ReferenceSpline(const std::vector<CorrectionPair>& pts)
    {
        for (const auto& p : pts) {
            x.push_back(p.x);
            y.push_back(p.y);
        }
        const size_t n = x.size();
        M.assign(n, 0.0);
        const size_t k = n - 2;
        std::vector<std::vector<double>> a(k, std::vector<double>(k + 1, 0.0));
        for (size_t r = 0; r < k; ++r) {
            const size_t i = r + 1;
            const double hl = x[i] - x[i - 1];
            const double hr = x[i + 1] - x[i];
            if (r > 0)
                a[r][r - 1] = hl;
            a[r][r] = 2.0 * (hl + hr);
            if (r + 1 < k)
                a[r][r + 1] = hr;
            a[r][k] = 6.0 * ((y[i + 1] - y[i]) / hr - (y[i] - y[i - 1]) / hl);
        }
        for (size_t c = 0; c < k; ++c)
            for (size_t r = c + 1; r < k; ++r) {
                const double f = a[r][c] / a[c][c];
                for (size_t j = c; j <= k; ++j)
                    a[r][j] -= f * a[c][j];
            }
        for (size_t r = k; r-- > 0;) {
            double s = a[r][k];
            for (size_t j = r + 1; j < k; ++j)
                s -= a[r][j] * M[j + 1];
            M[r + 1] = s / a[r][r];
        }
    }

    double operator()(double v) const
    {
        size_t i = 0;
        while (i + 2 < x.size() && v >= x[i + 1])
            ++i;
        const double h = x[i + 1] - x[i];
        const double A = (x[i + 1] - v) / h;
        const double B = (v - x[i]) / h;
        return A * y[i] + B * y[i + 1] + ((A * A * A - A) * M[i] + (B * B * B - B) * M[i + 1]) * h * h / 6.0;
    }
};

const std::vector<CorrectionPair> kThreePoints{{20, -0.5}, {1000, 0}, {20000, 1.2}};

} // namespace

TEST(Spline, ThreePointsFollowTheNaturalCubic)
{
    const CorrectionTable t = tableOf(kThreePoints);
    ASSERT_EQ(t.count, 3);
    EXPECT_EQ(SplineValue(t, 1000), 0.0);
    EXPECT_EQ(SplineValue(t, 20), -0.5);
    EXPECT_NEAR(SplineValue(t, 20000), 1.2, 1e-12);
    // Reference values computed in exact rational arithmetic.
    EXPECT_NEAR(SplineValue(t, 100), -0.4583124306708778, 1e-12);
    EXPECT_NEAR(SplineValue(t, 500), -0.25110199526341925, 1e-12);
    EXPECT_NEAR(SplineValue(t, 5000), 1.4537988268103028, 1e-12);
    EXPECT_NEAR(SplineValue(t, 10000), 2.105208560926804, 1e-12);
    // Outside the table the end pieces go on.
    EXPECT_NEAR(SplineValue(t, 10), -0.5052116653524126, 1e-12);
    EXPECT_NEAR(SplineValue(t, 1), -0.5099021075593503, 1e-12);
    EXPECT_NEAR(SplineValue(t, 24000), 0.6400772642165599, 1e-12);
}

TEST(Spline, FiftyPointsMatchAnIndependentSolve)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> step(5.0, 900.0);
    std::uniform_real_distribution<double> level(-12.0, 12.0);
    std::vector<CorrectionPair> pts;
    double f = 10.0;
    for (int i = 0; i < 50; ++i) {
        pts.push_back({f, level(rng)});
        f += step(rng);
    }
    const CorrectionTable t = tableOf(pts);
    const ReferenceSpline ref(pts);
    for (const auto& p : pts)
        EXPECT_NEAR(SplineValue(t, p.x), p.y, 1e-9);
    for (double v = 0.0; v < f + 500.0; v += 7.3)
        ASSERT_NEAR(SplineValue(t, v), ref(v), 1e-8 * (1.0 + std::abs(ref(v)))) << "at " << v;
    for (int i = 1; i < 49; ++i)
        EXPECT_NEAR(t.points[i].M, ref.M[i], 1e-12) << "point " << i;
    EXPECT_EQ(t.points[0].M, 0.0);
    EXPECT_EQ(t.points[49].M, 0.0);
}

TEST(Spline, OneAndTwoPointTablesStayInsideTheTable)
{
    const CorrectionTable one = tableOf({{1000, 0.75}});
    for (double v : {-5.0, 0.0, 20.0, 1000.0, 5e4})
        EXPECT_EQ(SplineValue(one, v), 0.75) << v;

    const CorrectionTable two = tableOf({{100, -1.0}, {1100, 3.0}});
    EXPECT_DOUBLE_EQ(SplineValue(two, 100), -1.0);
    EXPECT_DOUBLE_EQ(SplineValue(two, 600), 1.0);
    EXPECT_DOUBLE_EQ(SplineValue(two, 1100), 3.0);
    EXPECT_DOUBLE_EQ(SplineValue(two, 2100), 7.0);   // the line goes on beyond both ends
    EXPECT_DOUBLE_EQ(SplineValue(two, 0), -1.4);
    EXPECT_EQ(two.points[0].M, 0.0);
    EXPECT_EQ(two.points[1].M, 0.0);
}

TEST(Spline, CorrectAppliesOnlyAnActiveNonEmptyTable)
{
    CorrectionTable t = tableOf(kThreePoints);
    EXPECT_EQ(Correct(t, 1, 10000, -20.0), -20.0);   // inactive
    t.active = true;
    const double s = SplineValue(t, 10000);
    EXPECT_DOUBLE_EQ(Correct(t, 1, 10000, -20.0), -20.0 - s);
    EXPECT_DOUBLE_EQ(Correct(t, -1, 10000, 0.0), s);

    CorrectionTable empty;
    empty.active = true;
    EXPECT_EQ(Correct(empty, 1, 1000, 3.5), 3.5);
}

TEST(Spline, RebuildAndClearReplaceTheWholeTable)
{
    CorrectionTable t = tableOf(kThreePoints);
    t.fileName = "/tmp/old.cor";
    t.active = true;
    SetCorrectionPoints(t, std::vector<CorrectionPair>{{10, 1}, {20, 2}});
    EXPECT_EQ(t.count, 2);
    EXPECT_EQ(t.points.size(), 3u);
    EXPECT_TRUE(t.fileName.isEmpty());
    EXPECT_FALSE(t.active);

    t.active = true;
    ClearCorrection(t);
    EXPECT_EQ(t.count, 0);
    EXPECT_TRUE(t.points.empty());
    EXPECT_FALSE(t.active);
    EXPECT_EQ(SplineValue(t, 100), 0.0);
}
