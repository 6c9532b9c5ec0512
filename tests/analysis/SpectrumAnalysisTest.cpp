#include "tests/support/TestFft.h"
#include "analysis/SpectrumAnalysis.h"
#include "analysis/WeightingCurves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace korvanta;
using korvanta::testing_support::fft;

namespace {

constexpr int kN = 4096;
constexpr double kRate = 44100.0;
constexpr int kWindowHann = 2;

AnalysisSettings settingsFor(int n = kN, double rate = kRate)
{
    AnalysisSettings s;
    s.fftPoints = n;
    s.sampleRate = rate;
    return s;
}

// Magnitude spectrum of a sum of on-bin sines (bin, peak amplitude), made
// with the analyzer's own window and transform.
std::vector<float> spectrumOf(const std::vector<std::pair<int, double>>& tones, int window = kWindowHann)
{
    std::vector<float> x(kN);
    for (int i = 0; i < kN; ++i) {
        double v = 0.0;
        for (const auto& [bin, amplitude] : tones)
            v += amplitude * std::sin(2.0 * std::numbers::pi * bin * i / kN);
        x[i] = static_cast<float>(v);
    }
    fft().MakeWindow(window, kN);
    fft().Magnitude(x.data(), kN);
    x.resize(kN / 2);
    return x;
}

double powerDb(double power) { return 10.0 * std::log10(power); }

CorrectionTable noWeighting()
{
    CorrectionTable t;
    SelectWeighting(t, kWeightingNone);
    return t;
}

} // namespace

TEST(ThdPlusNoise, PureOnBinSineHasNoResidual)
{
    // Under a two-term cosine window an on-bin sine occupies its bin and the
    // two neighbours only.
    std::vector<float> spec(kN / 2, 0.0f);
    spec[92] = 0.125f;
    spec[93] = 0.25f;
    spec[94] = 0.125f;
    AnalysisSettings s = settingsFor();
    EXPECT_EQ(ThdPlusNoise(s, noWeighting(), spec, kDbFactor), kNoSignalDb);
    EXPECT_EQ(s.fundamental, std::nearbyint(93 * kRate / kN));
    EXPECT_DOUBLE_EQ(s.binWidth, kRate / kN);
}

TEST(ThdPlusNoise, GapCoversTheMainLobeOfEveryWindow)
{
    // Only the transform's rounding noise is left outside the gap.
    for (int window = 0; window < kWindowTypeCount; ++window) {
        const std::vector<float> spec = spectrumOf({{200, 0.9}}, window);
        AnalysisSettings s = settingsFor();
        EXPECT_LT(ThdPlusNoise(s, noWeighting(), spec, kDbFactor), -140.0) << "window " << window;
        EXPECT_EQ(s.fundamental, std::nearbyint(200 * kRate / kN));
    }
}

TEST(ThdPlusNoise, ThirdHarmonicAtMinus40dB)
{
    const std::vector<float> spec = spectrumOf({{93, 0.5}, {279, 0.005}});
    AnalysisSettings s = settingsFor();
    const double thd = ThdPlusNoise(s, noWeighting(), spec, kDbFactor);
    EXPECT_NEAR(thd, -40.0, 0.01);
    EXPECT_EQ(s.fundamental, 1001.0);   // bin 93 at 1001.29 Hz, rounded
}

TEST(ThdPlusNoise, ThresholdAboveEveryBinGivesTheBandResidual)
{
    const std::vector<float> spec = spectrumOf({{93, 0.5}, {279, 0.005}});
    AnalysisSettings s = settingsFor();
    s.fundamentalThreshold = 1.0;
    double bandPower = 0.0;
    for (int i = 0; i < kN / 2; ++i) {
        const double f = i * kRate / kN;
        if (f >= s.bandLow && f <= s.bandHigh)
            bandPower += double(spec[i]) * spec[i];
    }
    EXPECT_NEAR(ThdPlusNoise(s, noWeighting(), spec, kDbFactor), powerDb(bandPower), 1e-6);
    EXPECT_EQ(s.fundamental, 0.0);
}

TEST(ThdPlusNoise, ManualFundamentalIsKept)
{
    const std::vector<float> spec = spectrumOf({{93, 0.5}, {279, 0.005}});
    AnalysisSettings s = settingsFor();
    s.fundamentalAuto = false;
    s.fundamental = 3004;   // gap around the harmonic: only the fundamental's power is left
    const double ratio = ThdPlusNoise(s, noWeighting(), spec, kDbFactor);
    EXPECT_EQ(s.fundamental, 3004.0);
    EXPECT_NEAR(ratio, powerDb(1.0 / (1.0 + 1e-4)), 0.01);
}

TEST(ThdPlusNoise, FundamentalNearTheBandEdge)
{
    // Bins below the band never count, the gap around the fundamental is
    // left out, the rest of the band counts.
    std::vector<float> spec(kN / 2, 0.0f);
    const double w = kRate / kN;
    spec[5] = 0.4f;     // below the band (53.8 Hz)
    spec[12] = 0.5f;    // fundamental at 129.2 Hz, 2.7 bins above the 100 Hz edge
    spec[20] = 0.25f;   // inside the gap
    spec[40] = 0.01f;   // outside the gap (430.7 Hz)
    AnalysisSettings s = settingsFor();
    const double total = double(0.4f) * 0.4f + 0.25 + 0.0625 + double(0.01f) * 0.01f;
    EXPECT_NEAR(ThdPlusNoise(s, noWeighting(), spec, kDbFactor), powerDb(double(0.01f) * 0.01f / total), 1e-9);
    EXPECT_EQ(s.fundamental, std::nearbyint(12 * w));
}

TEST(ThdPlusNoise, EmptySpectraGiveNoSignal)
{
    std::vector<float> zeros(kN / 2, 0.0f);
    AnalysisSettings s = settingsFor();
    EXPECT_EQ(ThdPlusNoise(s, noWeighting(), zeros, kDbFactor), kNoSignalDb);
    EXPECT_EQ(BandLevel(s, noWeighting(), zeros, 0.0, kDbFactor), kNoSignalDb);
    EXPECT_EQ(ThdPlusNoise(s, noWeighting(), {}, kDbFactor), kNoSignalDb);
}

TEST(FundamentalSearch, FirstOfEqualMaximaAboveTheThreshold)
{
    std::vector<float> spec(kN / 2, 0.0f);
    AnalysisSettings s = settingsFor();
    spec[300] = 0.2f;
    spec[100] = 0.2f;
    spec[200] = 0.2f;
    s.fundamentalThreshold = 0.2f;   // equal is not above
    EXPECT_EQ(FindFundamental(s, spec), 0.0);
    s.fundamentalThreshold = 0.001;
    EXPECT_DOUBLE_EQ(FindFundamental(s, spec), 100 * kRate / kN);
    spec[0] = 0.5f;      // a larger DC bin means no fundamental
    EXPECT_EQ(FindFundamental(s, spec), 0.0);
}

TEST(FundamentalSearch, UsesOnlyTheBinsOfTheFftSize)
{
    std::vector<float> spec(kN, 0.0f);
    spec[100] = 0.1f;
    spec[kN / 2 + 10] = 0.9f;   // beyond N/2: not a bin of this spectrum
    AnalysisSettings s = settingsFor();
    EXPECT_DOUBLE_EQ(FindFundamental(s, spec), 100 * kRate / kN);
}

TEST(BandLevel, UnweightedIsTheRawBinSum)
{
    const std::vector<float> spec = spectrumOf({{93, 0.5}, {279, 0.005}, {5, 0.3}});
    AnalysisSettings s = settingsFor();
    double sum = 0.0;
    for (int i = 0; i < kN / 2; ++i) {
        const double f = i * kRate / kN;
        if (f >= 100 && f <= 20000)
            sum += double(spec[i]) * spec[i];
    }
    EXPECT_NEAR(BandLevel(s, noWeighting(), spec, 2.2, kDbFactor), 2.2 + powerDb(sum) + 8.17, 1e-9);
    s.bandLow = 30000;   // above the highest bin
    s.bandHigh = 40000;
    EXPECT_EQ(BandLevel(s, noWeighting(), spec, 2.2, kDbFactor), kNoSignalDb);
}

TEST(BandLevel, AWeightingOfAFlatSpectrumFollowsTheCurve)
{
    CorrectionTable a;
    ASSERT_TRUE(SelectWeighting(a, "A Weighting"));
    // At table points the weighted bin carries exactly the table's dB value.
    EXPECT_NEAR(powerDb(WeightedPower(a, 0.01, 1000, kDbFactor)), -40.0, 1e-9);
    EXPECT_NEAR(powerDb(WeightedPower(a, 0.01, 10000, kDbFactor)), -45.0, 1e-9);
    EXPECT_NEAR(powerDb(WeightedPower(a, 0.01, 100, kDbFactor)), -58.0, 1e-9);

    const std::vector<float> flat(kN / 2, 0.01f);
    AnalysisSettings s = settingsFor();
    double expected = 0.0;
    int bandBins = 0;
    for (int i = 0; i < kN / 2; ++i) {
        const double f = i * kRate / kN;
        if (f >= 100 && f <= 20000) {
            expected += double(0.01f) * 0.01f * std::pow(10.0, SplineValue(a, f) / 10.0);
            ++bandBins;
        }
    }
    const double level = BandLevel(s, a, flat, 0.0, kDbFactor);
    EXPECT_NEAR(level, powerDb(expected) + 8.17, 1e-6);
    // Weighting "none" leaves the flat spectrum as it is.
    EXPECT_NEAR(BandLevel(s, noWeighting(), flat, 0.0, kDbFactor), powerDb(double(0.01f) * 0.01f * bandBins) + 8.17, 1e-9);
}

TEST(BandLevel, EmptyBinsCountAsTheNoSignalLevelWhenWeighted)
{
    CorrectionTable a;
    SelectWeighting(a, "A Weighting");
    EXPECT_NEAR(powerDb(WeightedPower(a, 0.0, 1000, kDbFactor)), -192.0, 1e-9);
    EXPECT_EQ(WeightedPower(noWeighting(), 0.0, 1000, kDbFactor), 0.0);
}
