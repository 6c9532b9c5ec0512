#include "measure/AnalyzerLogic.h"
#include "measure/FFtuli.h"
#include "measure/LevelUnits.h"
#include "measure/samplemem.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace korvanta;

TEST(RunRange, FollowsSampleRateAndFftSize)
{
    EXPECT_EQ(BlockFrames(2048), 2304);
    EXPECT_EQ(BlockFrames(16384), 18432);
    const RunRange a = RunFrequencyRange(44100, 2048);
    EXPECT_EQ(a.xmin, 10);
    EXPECT_EQ(a.xmax, 22050);
    EXPECT_EQ(RunFrequencyRange(44100, 16384).xmin, 1);
    EXPECT_EQ(RunFrequencyRange(96000, 2048).xmin, 22); // 48000/2048 = 23 -> even 22
    EXPECT_DOUBLE_EQ(BinFrequency(1, 2048, 44100), 22050.0 / 1024);
    EXPECT_DOUBLE_EQ(BinFrequency(512, 2048, 44100), 11025.0);
}

TEST(RunRange, BinFrequenciesAreExactAtOddRates)
{
    // The integer half of 11025 (5512) would put every bin 0.009 % low.
    struct Case {
        int rate, N, bin;
        double hz;
    };
    const Case cases[] = {{11025, 2048, 1, 5.38330078125},     {11025, 2048, 1023, 5507.11669921875},
                          {11025, 16384, 1486, 999.9481201171875}, {22050, 4096, 2047, 11019.61669921875},
                          {48000, 2048, 64, 1500.0}};
    for (const Case& c : cases)
        EXPECT_NEAR(BinFrequency(c.bin, c.N, c.rate), c.hz, 1e-8) << c.rate << " Hz, bin " << c.bin;
    const RunRange r = RunFrequencyRange(11025, 2048);
    EXPECT_EQ(r.xmax, 5512) << "the axis keeps whole hertz; the last bin (5507.1 Hz) lies inside";
    EXPECT_EQ(r.xmin, 2);
}

TEST(CopyChannelTest, RightIsTheFirstFloatAndTheLastFrameIsLeftOut)
{
    const float block[] = {1, -1, 2, -2, 3, -3, 4, -4};
    float right[4] = {9, 9, 9, 9}, left[4] = {9, 9, 9, 9};
    EXPECT_EQ(CopyChannel(block, 8, 0, right), 3);
    EXPECT_EQ(CopyChannel(block, 8, 1, left), 3);
    EXPECT_EQ(right[0], 1);
    EXPECT_EQ(right[2], 3);
    EXPECT_EQ(right[3], 9) << "the last frame is not copied";
    EXPECT_EQ(left[1], -2);
    EXPECT_EQ(CopyChannel(block, 0, 0, right), 0);
}

TEST(AverageStepTest, MeanOfLinearMagnitudesOverTheRun)
{
    AnalyzerState s;
    ASSERT_TRUE(AllocateWorkArrays(s));
    s.AverCount = 4;
    s.AverLeft = 4;
    const float right[4] = {1.0f, 0.0f, 3.0f, 0.0f}; // one bin, four blocks
    std::vector<int> counts;
    for (int b = 0; b < 4; ++b) {
        s.SpecRight[0] = right[b];
        s.SpecLeft[0] = 2.0f;
        const bool show = AverageStep(s, 8);
        counts.push_back(show ? 0 : s.AverLeft);
        EXPECT_EQ(show, b == 3);
    }
    EXPECT_EQ(counts, (std::vector<int>{3, 2, 1, 0}));
    EXPECT_FLOAT_EQ(s.SpecRight[0], 1.0f) << "(1+0+3+0)/4 of magnitudes, not of powers or dB";
    EXPECT_FLOAT_EQ(s.SpecLeft[0], 2.0f);
    EXPECT_EQ(s.SumRight[0], 0.0f) << "sums start again after a shown average";
    EXPECT_EQ(s.AverLeft, 4);
}

TEST(AverageStepTest, SingleAverageUsesTheSpectrumAsItIs)
{
    AnalyzerState s;
    ASSERT_TRUE(AllocateWorkArrays(s));
    s.AverCount = 1;
    s.AverLeft = 1;
    s.SpecRight[5] = 0.3f;
    EXPECT_TRUE(AverageStep(s, 8));
    EXPECT_FLOAT_EQ(s.SpecRight[5], 0.3f);
    EXPECT_EQ(s.SumRight[5], 0.0f);
}

TEST(ContinuationTest, SingleContinuousAndTriggerRuns)
{
    ContinuationInput in;
    in.running = true;
    in.averCount = 4;

    in.runMode = 0;
    in.averLeft = 3;
    EXPECT_EQ(Continuation(in), NextStep::PostNextBlock) << "single run still collecting";
    in.averLeft = 4;
    EXPECT_EQ(Continuation(in), NextStep::StopRun) << "single run shown once";

    in.runMode = 1;
    EXPECT_EQ(Continuation(in), NextStep::PostNextBlock);

    in.runMode = 2;
    in.averCount = in.averLeft = 1;
    in.q = -20.0f;
    in.t = -20.0f;
    EXPECT_EQ(Continuation(in), NextStep::StopRun) << "at the threshold";
    in.q = -20.01f;
    EXPECT_EQ(Continuation(in), NextStep::PostNextBlock);
    in.q = in.t = 1.0f; // no block shown
    EXPECT_EQ(Continuation(in), NextStep::StopRun);
}

TEST(ContinuationTest, ErrorsAndStoppedRuns)
{
    ContinuationInput in;
    in.runMode = 1;
    in.running = true;
    in.deviceError = true;
    in.averCount = in.averLeft = 1;
    EXPECT_EQ(Continuation(in), NextStep::StopRun);
    in.averCount = 4;
    in.averLeft = 2;
    EXPECT_EQ(Continuation(in), NextStep::PostNextBlock);
    in.running = false;
    EXPECT_EQ(Continuation(in), NextStep::Nothing) << "a stopped run never records again";
    in.deviceError = false;
    for (int mode : {0, 1, 2}) {
        in.runMode = mode;
        EXPECT_EQ(Continuation(in), NextStep::Nothing);
    }
}

TEST(LevelUnitsTest, OffsetsAndLabels)
{
    AnalyzerState s;
    s.CalInMv = 1000.0f;
    s.LevelUnit = kUnitDbV;
    LevelParameters p = GetLevelParameters(s);
    EXPECT_FLOAT_EQ(p.unitOffset, 0.0f) << "1000 mV full scale: dBV equals dBFS";
    EXPECT_FLOAT_EQ(p.offset, 12.6f);
    EXPECT_EQ(p.label, "dbV");

    s.CalInMv = 775.0f;
    for (uint8_t u : {kUnitDbu, kUnitDbm})
        EXPECT_NEAR(UnitOffset(u, s.CalInMv), 0.0f, 1e-6);
    s.CalInMv = 497.0f;
    EXPECT_NEAR(UnitOffset(kUnitDbV, s.CalInMv), 20 * std::log10(0.497), 1e-5);
    EXPECT_NEAR(UnitOffset(kUnitDbu, s.CalInMv), 20 * std::log10(497.0 / 775.0), 1e-5);
    EXPECT_EQ(UnitOffset(kUnitDbFs, s.CalInMv), 0.0f);
    EXPECT_EQ(LevelAxisCaption(kUnitDbFs), "Level [dB FS]");
    EXPECT_EQ(LevelAxisCaption(kUnitDbm), "Level [dBm]");
}

TEST(LevelUnitsTest, BinLevelAndFullScaleSine)
{
    AnalyzerState s; // defaults 8.722 / 12.6, dBFS
    const LevelParameters p = GetLevelParameters(s);
    EXPECT_EQ(BinLevel(0.0f, p), -192.0f);
    // A full-scale sine on a bin under window 0 gives 0.25: about +0.5 dB.
    EXPECT_NEAR(BinLevel(0.25f, p), 8.722 * std::log(0.25) + 12.6, 1e-4);
    EXPECT_NEAR(BinLevel(0.25f, p), 0.509, 0.01);
}

TEST(LevelUnitsTest, CalibrationStatusFollowsTheInputVolume)
{
    EXPECT_EQ(CalibrationStatus(kUnitDbFs, 50, 50, "cal", "uncal"), QString(18, ' '));
    EXPECT_EQ(CalibrationStatus(kUnitDbV, 50, 50, "cal", "uncal"), "cal");
    EXPECT_EQ(CalibrationStatus(kUnitDbu, 60, 50, "cal", "uncal"), "uncal");
    EXPECT_EQ(CalibrationStatus(kUnitDbm, 50, -1, "cal", "uncal"), "uncal");
}

TEST(Readouts, TextsOfTheInfoLine)
{
    EXPECT_EQ(LevelReadout(" LI ", -12.345, " RE ", -6.0, "dbFS", "A Weighting"),
              "Level:  LI -12.35dbFS |  RE -6.00dbFS | Filter: A Weighting");
    EXPECT_EQ(ThdPart(1000.0, -40.04, " no fundamental wave"), "1000Hz -40.0dB");
    EXPECT_EQ(ThdPart(1000.0, 0.0, "x"), "1000Hz -192dB");
    EXPECT_EQ(ThdPart(0.0, -80.0, " keine Grundwelle "), " keine Grundwelle ");
    EXPECT_EQ(ThdReadout(" le ", "997Hz -60.1dB", " ri ", " no fundamental wave", "none"),
              "THD+N:  le 997Hz -60.1dB |  ri  no fundamental wave |   Filter: none");
    EXPECT_EQ(TriggerReadout(-23.456, -60.0, "dbFS"), "act. level -23.46dbFS    trigg level -60.0dbFS");
    EXPECT_EQ(OverRangeText(12), "Over 12");
    EXPECT_EQ(OverRangeText(0), ".");
}
