// The distortion run's arithmetic on synthetic blocks and simulated
// amplifiers: amplitudes and harmonic ratios between bins, absent harmonics
// past half the rate, the fine steps around the THD+N thresholds, the clip
// points and the power axis.
#include "distortion/DistortionEngine.h"
#include "distortion/DistortionPlan.h"
#include "distortion/DistortionPlot.h"
#include "distortion/HarmonicAnalysis.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <numbers>

using namespace korvanta;

namespace {
constexpr double kRate = 48000.0;
constexpr int kFrames = 16384;

double db(double ratio) { return 20.0 * std::log10(ratio); }

// A stereo block whose left channel (the second float of each pair) holds
// a fundamental of peak `a` at `hz` and harmonics with the given peak ratios.
std::vector<float> leftTone(double a, double hz, const std::vector<std::pair<int, double>>& harmonics)
{
    std::vector<float> block(2 * kFrames);
    for (int n = 0; n < kFrames; ++n) {
        const double t = 2 * std::numbers::pi * hz * n / kRate;
        double v = a * std::sin(t + 0.3);
        for (auto [h, ratio] : harmonics)
            v += a * ratio * std::sin(h * t + 1.1 * h);
        block[2 * n + 1] = static_cast<float>(v);
    }
    return block;
}

struct ToneCase {
    double amplitude;
    double hz;
    int harmonic;
    double ratioDb;
};

class HarmonicRatios : public ::testing::TestWithParam<ToneCase> {};

TEST_P(HarmonicRatios, AmplitudeAndRatioHoldBetweenBins)
{
    const ToneCase c = GetParam();
    const auto block = leftTone(c.amplitude, c.hz, {{c.harmonic, std::pow(10.0, c.ratioDb / 20.0)}});
    DistortionSettings s; // left channel
    AnalysisSettings analysis;
    analysis.bandHigh = 23000;
    CorrectionTable none;
    const DistortionPoint p = MeasureDistortionBlock(block.data(), kFrames, kRate, s, db(c.amplitude), c.hz,
                                                     analysis, none);
    EXPECT_NEAR(db(p.m.fundamentalAmplitude), db(c.amplitude), 0.01);
    EXPECT_NEAR(p.gainDb, 0.0, 0.01);
    ASSERT_TRUE(p.m.present[c.harmonic - 2]);
    EXPECT_NEAR(p.m.harmonicDb[c.harmonic - 2], c.ratioDb, 0.05);
    EXPECT_NEAR(p.m.thdDb, c.ratioDb, 0.05);
    // With nothing but one harmonic, THD+N is that harmonic (within the band).
    EXPECT_NEAR(p.m.thdnDb, c.ratioDb, 0.1);
    EXPECT_NEAR(p.m.thdnPercent, 100 * std::pow(10.0, c.ratioDb / 20), 0.02 * 100 * std::pow(10.0, c.ratioDb / 20));
}

INSTANTIATE_TEST_SUITE_P(, HarmonicRatios,
                         ::testing::Values(ToneCase{0.5, 1000.0, 3, -40.0}, ToneCase{0.9, 997.3, 2, -60.0},
                                           ToneCase{0.01, 1234.5, 5, -30.0}, ToneCase{0.7, 101.7, 9, -80.0}));

TEST(HarmonicAbsence, HarmonicsPastHalfTheRateAreAbsentNotNoise)
{
    // 7 kHz at 48 kHz: H2 and H3 lie below 24 kHz, H4 and above do not.
    const auto block = leftTone(0.5, 7000.0, {{3, 0.01}});
    DistortionSettings s;
    const DistortionPoint p =
        MeasureDistortionBlock(block.data(), kFrames, kRate, s, db(0.5), 7000.0, AnalysisSettings{}, CorrectionTable{});
    EXPECT_TRUE(p.m.present[0]);
    EXPECT_TRUE(p.m.present[1]);
    for (int h = 4; h <= 9; ++h)
        EXPECT_FALSE(p.m.present[h - 2]) << "H" << h;
    EXPECT_NEAR(p.m.thdDb, -40.0, 0.05);
}

// A simulated amplifier: THD+N rises as a power of the level and jumps at
// clipping; the stepper must find both thresholds in 0.1 dB steps and stop
// after the limit.
double simulatedThdn(double levelDb) { return levelDb < -3.0 ? 0.05 * std::pow(10.0, (levelDb + 3) / 20) : 0.05 * std::pow(10.0, (levelDb + 3) * 1.2); }

TEST(LevelStepper, RefinesAroundEachThresholdAndStopsPastTheLimit)
{
    LevelPlan plan{-20.0, 0.0, 10, LevelSpacing::Decibel, 10.0};
    LevelStepper stepper(plan);
    std::vector<ThdnPoint> points;
    while (auto level = stepper.Next()) {
        ASSERT_LT(points.size(), 200u) << "the run never ends";
        points.push_back({*level, simulatedThdn(*level)});
        stepper.Record(*level, points.back().thdnPercent);
    }
    EXPECT_TRUE(stepper.StoppedAtLimit());
    // The amplifier is driven at most one coarse step past the limit: the
    // first coarse level over it is the highest level played.
    const auto highest = std::max_element(points.begin(), points.end(),
                                          [](const ThdnPoint& a, const ThdnPoint& b) { return a.x < b.x; });
    EXPECT_NEAR(highest->x, 0.0, 1e-9);
    std::sort(points.begin(), points.end(), [](const ThdnPoint& a, const ThdnPoint& b) { return a.x < b.x; });
    // Both thresholds were passed in 0.1 dB steps.
    for (double t : {1.0, 10.0}) {
        const auto at = std::find_if(points.begin(), points.end(), [t](const ThdnPoint& p) { return p.thdnPercent >= t; });
        ASSERT_NE(at, points.begin());
        ASSERT_NE(at, points.end());
        EXPECT_NEAR(at->x - std::prev(at)->x, kRefineStepDb, 1e-9) << t << " %";
    }
    // The clip points agree with the simulated curve's exact crossings.
    const double exact1 = -3.0 + std::log10(1.0 / 0.05) / 1.2;
    const double exact10 = -3.0 + std::log10(10.0 / 0.05) / 1.2;
    EXPECT_NEAR(*CrossingAt(points, 1.0), exact1, 0.01);
    EXPECT_NEAR(*CrossingAt(points, 10.0), exact10, 0.01);
}

TEST(LevelStepper, WithoutLimitRunsTheWholePlanAndLinearSpacingIsEqualInAmplitude)
{
    LevelPlan plan{-20.0, 0.0, 4, LevelSpacing::Linear, 0.0};
    const auto levels = PlanLevels(plan);
    ASSERT_EQ(levels.size(), 5u);
    const double a0 = std::pow(10.0, -1.0), step = (1.0 - a0) / 4;
    for (int k = 0; k < 5; ++k)
        EXPECT_NEAR(std::pow(10.0, levels[k] / 20), a0 + k * step, 1e-12);
    LevelStepper stepper(plan);
    int steps = 0;
    while (auto level = stepper.Next()) {
        stepper.Record(*level, 0.001);
        ++steps;
    }
    EXPECT_EQ(steps, 5);
    EXPECT_FALSE(stepper.StoppedAtLimit());
    EXPECT_FALSE(CrossingAt({{0, 0.1}, {1, 0.5}}, 1.0).has_value());
}

TEST(OutputScale, WattsAreRmsVoltsSquaredOverTheLoad)
{
    const OutputScale s{1.5, 10.0, 8.0};
    const double a = 0.5; // 0.75 V peak at the input, 7.5 V at the amplifier
    EXPECT_DOUBLE_EQ(PeakVolts(a, s), 7.5);
    EXPECT_NEAR(Watts(a, s), 7.5 * 7.5 / 2 / 8, 1e-12);
}
// The diagram's axis: watts held as microwatts around the steps (1-2-5
// values outward), the plan's frequencies, or 1 mW ... 100 W before a run.
TEST(DistortionPlot, AxisFollowsTheStepsAndValuesComeFromTheRightColumn)
{
    auto step = [](double watts, double hz) {
        DistortionPoint p;
        p.watts = watts;
        p.frequency = hz;
        return p;
    };
    DistortionSettings level;
    DistortionSettings frequency;
    frequency.sweep = DistortionSweep::Frequency;
    frequency.fromHz = 30;
    frequency.toHz = 15000;
    const struct {
        const DistortionSettings* plan;
        std::vector<DistortionPoint> points;
        int32_t xmin, xmax;
    } cases[] = {
        {&level, {}, 1000, 100000000},
        {&level, {step(0.012, 0), step(0, 0), step(150, 0)}, 10000, 200000000},
        {&level, {step(3e-7, 0)}, 1, 2},   // below 1 µW: the smallest range
        {&frequency, {}, 20, 20000},
        {&frequency, {step(0, 1000), step(0, 4000)}, 1000, 5000},
    };
    for (const auto& c : cases) {
        const DistortionAxis a = DistortionPlotAxis(*c.plan, c.points);
        EXPECT_EQ(a.xmin, c.xmin);
        EXPECT_EQ(a.xmax, c.xmax);
        EXPECT_EQ(a.inWatts, c.plan == &level);
    }

    DistortionPoint p = step(2.5, 1000);
    p.gainDb = 26;
    p.m.thdnDb = -80;
    p.m.thdDb = -85;
    p.m.harmonicDb[1] = -90;   // H3
    p.m.present[1] = true;
    EXPECT_DOUBLE_EQ(DistortionPlotX(p, DistortionSweep::Level), 2.5e6);
    EXPECT_DOUBLE_EQ(DistortionPlotX(p, DistortionSweep::Frequency), 1000);
    EXPECT_DOUBLE_EQ(DistortionPlotValue(p, DistortionQuantity::ThdN), -80);
    EXPECT_DOUBLE_EQ(DistortionPlotValue(p, DistortionQuantity::Thd), -85);
    EXPECT_DOUBLE_EQ(DistortionPlotValue(p, DistortionQuantity::H3), -90);
    EXPECT_DOUBLE_EQ(DistortionPlotValue(p, DistortionQuantity::Gain), 26);
    EXPECT_TRUE(std::isnan(DistortionPlotValue(p, DistortionQuantity::H2))) << "an absent harmonic is no value";
    EXPECT_EQ(DistortionQuantityName(DistortionQuantity::H9, 'E'), "H9");
    EXPECT_EQ(DistortionQuantityName(DistortionQuantity::Gain, 'D'), QString::fromUtf8("Verstärkung"));
}

} // namespace

// A run over frequency knows its steps; a run over level only its coarse
// ones (fine steps and the stop at the limit come from what it measures),
// so its plan says it is approximate.
TEST(DistortionPlanTest, DurationOfARunIsExactOverFrequencyAndApproximateOverLevel)
{
    DistortionSettings s;
    s.settleMs = 200;
    s.sweep = DistortionSweep::Frequency;
    s.frequencySteps = 4;
    const int stepMs = 200 + 372;  // 16384 frames at 44.1 kHz, rounded up
    RunEstimate e = DistortionEstimate(s, 44100);
    EXPECT_EQ(e.Steps(), 5);
    EXPECT_FALSE(e.approximate);
    EXPECT_EQ(TimeLeftMs(e, 2), 3 * stepMs);
    s.sweep = DistortionSweep::Level;
    s.levels.steps = 30;
    e = DistortionEstimate(s, 44100);
    EXPECT_EQ(e.Steps(), 31);
    EXPECT_TRUE(e.approximate);
}
