// What the sweep makes of a recorded block: mean magnitudes, read-out,
// level values and the band-passed phase, on blocks whose answer is known.
#include "correction/CorrectionTable.h"
#include "generator/SweepClipMark.h"
#include "generator/SweepEvaluation.h"
#include "generator/SweepPlan.h"

#include <gtest/gtest.h>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

using namespace korvanta;

namespace {
constexpr int kRate = 44100;

// Interleaved block, first of each pair the right channel.
std::vector<float> stereoSine(double freq, int frames, double peakR, double peakL, double phaseRDeg,
                              double phaseLDeg = 0.0)
{
    std::vector<float> b(2 * static_cast<size_t>(frames));
    const double w = 2 * std::numbers::pi * freq / kRate;
    for (int i = 0; i < frames; ++i) {
        b[2 * i] = float(peakR * std::sin(w * i + phaseRDeg * std::numbers::pi / 180));
        b[2 * i + 1] = float(peakL * std::sin(w * i + phaseLDeg * std::numbers::pi / 180));
    }
    return b;
}

// Half a step of a 16-bit input.
const double kFloor16 = NoSignalMean(16);

TEST(SweepEvaluation, MeanMagnitudesOfASineGiveItsPeak)
{
    const int frames = CaptureFrames(1000, kRate, 16);
    const auto b = stereoSine(1000, frames, 0.5, 0.25, 0);
    const MeanMagnitudes m = MeanOfMagnitudes(b.data(), frames);
    EXPECT_NEAR(m.right * kMeanToPeak, 0.5, 0.002);
    EXPECT_NEAR(m.left * kMeanToPeak, 0.25, 0.001);
    EXPECT_EQ(SweepLevelReadout(m, 0, kFloor16).text, QStringLiteral("0.25FS 0.50FS"));
    EXPECT_FALSE(SweepLevelReadout(m, 0, kFloor16).over);
}

TEST(SweepEvaluation, NoSignalIsBelowHalfAStepOfTheInput)
{
    EXPECT_DOUBLE_EQ(NoSignalMean(8), 0.5 / 128);
    EXPECT_DOUBLE_EQ(NoSignalMean(16), 0.5 / 32768);
    EXPECT_DOUBLE_EQ(NoSignalMean(24), 0.5 / 8388608);
    EXPECT_DOUBLE_EQ(NoSignalMean(32), NoSignalMean(24));   // a 32-bit container holds 24 bits
    // A 16-bit sine of one step peak still reads; one of a third of a step
    // rounds to nothing.
    const int frames = CaptureFrames(1000, kRate, 16);
    auto quantised = [frames](double peakSteps) {
        auto b = stereoSine(1000, frames, peakSteps / 32768, 0.5, 0);
        for (float& x : b)
            x = float(std::nearbyint(double(x) * 32768) / 32768);
        return MeanOfMagnitudes(b.data(), frames);
    };
    EXPECT_FALSE(SilentChannels(quantised(1.0), kFloor16).any());
    EXPECT_TRUE(SilentChannels(quantised(0.4), kFloor16).right);
    EXPECT_FALSE(SilentChannels(quantised(0.4), kFloor16).left);
}

TEST(SweepEvaluation, ReadoutOfSilenceAndOfClipping)
{
    EXPECT_EQ(SweepLevelReadout({}, 0, kFloor16).text, QStringLiteral("no signal"));
    EXPECT_EQ(SweepLevelReadout({0.0, 0.5 / kMeanToPeak}, 0, kFloor16).text, QStringLiteral("0.50FS no signal"));
    EXPECT_EQ(SweepLevelReadout({0.5 / kMeanToPeak, 0.0}, 0, kFloor16).text, QStringLiteral("no signal 0.50FS"));
    const LevelReadout over = SweepLevelReadout({0.7, 0.7}, 12, kFloor16);
    EXPECT_EQ(over.text, QStringLiteral("Over 12"));
    EXPECT_TRUE(over.over);
}

TEST(SweepEvaluation, LevelValuesPerMode)
{
    CorrectionTable none;
    const MeanMagnitudes m{0.5 / kMeanToPeak, 0.25 / kMeanToPeak};
    const float gap = kNoSignalValue;
    struct Case {
        int32_t mode;
        MeanMagnitudes m;
        float v1, v2;
    };
    const Case cases[] = {
        {kLeftReference, m, 6.0206f, 0.0f},
        {kRightReference, m, -6.0206f, 0.0f},
        {kNoReference, m, -6.0206f, -12.0412f},     // right on curve 1, left on curve 2
        // A silent channel has no level, and no gain or phase against it.
        {kNoReference, {0.1, 0.0}, -16.0828f, gap},
        {kNoReference, {0.0, 0.1}, gap, -16.0828f},
        {kLeftReference, {0.1, 0.0}, gap, gap},
        {kLeftReference, {0.0, 0.1}, gap, gap},
        {kRightReference, {0.0, 0.0}, gap, gap},
    };
    for (const Case& c : cases) {
        const SweepValues v = LevelValues(c.mode, c.m, 1000.0, none, kFloor16);
        for (auto [got, want] : {std::pair{v.value1, c.v1}, std::pair{v.value2, c.v2}}) {
            if (std::isnan(want))
                EXPECT_TRUE(std::isnan(got)) << "mode " << c.mode << ": " << got;
            else
                EXPECT_NEAR(got, want, 1e-3) << "mode " << c.mode;
        }
    }
}

TEST(SweepEvaluation, AbsoluteLevelsTakeTheInputCorrection)
{
    CorrectionTable input;
    const CorrectionPair points[] = {{100, 2.0}, {10000, 2.0}};
    SetCorrectionPoints(input, points);
    input.active = true;
    const SweepValues v = LevelValues(kNoReference, {1.0 / kMeanToPeak, 1.0 / kMeanToPeak}, 1000.0, input, kFloor16);
    EXPECT_NEAR(v.value1, -2.0f, 1e-4);
    EXPECT_NEAR(v.value2, -2.0f, 1e-4);
}

TEST(SweepEvaluation, PhaseOfTheMeasuredChannel)
{
    struct Case {
        double freq;
        int32_t mode;
        double measuredDeg;   // phase of the measured channel against the reference
    };
    const Case cases[] = {
        {1000, kLeftReference, 0},    {1000, kLeftReference, -30},  {1000, kLeftReference, -90},
        {1000, kLeftReference, -150}, {1000, kLeftReference, 45},   {100, kLeftReference, -60},
        {5000, kLeftReference, -20},  {1000, kRightReference, -30}, {5000, kRightReference, 70},
    };
    for (const Case& c : cases) {
        const int frames = CaptureFrames(float(c.freq), kRate, 16);
        // Mode 0 measures the right channel (first of each pair), mode 1 the left.
        auto b = c.mode == kLeftReference ? stereoSine(c.freq, frames, 0.3, 0.8, c.measuredDeg, 0)
                                          : stereoSine(c.freq, frames, 0.8, 0.3, 0, c.measuredDeg);
        EXPECT_NEAR(BandPassPhase(b.data(), frames, kRate, c.freq, c.mode), c.measuredDeg, 2.0)
            << c.freq << " Hz, mode " << c.mode;
    }
}

TEST(SweepEvaluation, CurvesShownPerModeAndPhaseSwitch)
{
    struct Case {
        int32_t mode;
        bool phaseOn, show2, rightScale;
    };
    const Case cases[] = {
        {kLeftReference, true, true, true},   {kLeftReference, false, false, false},
        {kRightReference, false, false, false}, {kNoReference, false, true, false},
    };
    for (const Case& c : cases) {
        const SweepCurveFlags f = CurveFlags(c.mode, c.phaseOn);
        EXPECT_EQ(f.show2, c.show2);
        EXPECT_EQ(f.rightScale, c.rightScale);
    }
}

} // namespace

// The info line's mark of the clipped points: each point while few, the
// range of many; replacing it keeps what the user typed before it.
TEST(SweepClipMark, ListsFewPointsTheRangeOfManyAndKeepsTheUsersText)
{
    const struct {
        std::vector<float> frequencies;
        char letter;
        const char* text;
    } cases[] = {
        {{}, 'E', ""},
        {{1000.0f}, 'D', "Übersteuert an 1 Punkt: 1000 Hz"},
        {{20.0f, 31.7f, 50.24f, 12500.0f}, 'E', "Over at 4 points: 20.0, 31.7, 50.2, 12500 Hz"},
        {{20.0f, 31.7f, 50.24f, 79.6f, 12500.0f}, 'D', "Übersteuert an 5 Punkten: 20.0 … 12500 Hz"},
    };
    for (const auto& c : cases) {
        SweepClipMark mark;
        for (float f : c.frequencies)
            mark.Add(f);
        EXPECT_EQ(mark.Text(c.letter), QString::fromUtf8(c.text));
    }
    const QString one = QStringLiteral("Over at 1 point: 20.0 Hz");
    EXPECT_EQ(ReplaceClipMark(QStringLiteral("amp B"), QString(), one), QStringLiteral("amp B  ") + one);
    EXPECT_EQ(ReplaceClipMark(QStringLiteral("amp B  ") + one, one, QString()), QStringLiteral("amp B"));
    EXPECT_EQ(ReplaceClipMark(QStringLiteral("edited"), one, QString()), QStringLiteral("edited"));
}
