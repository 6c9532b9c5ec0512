#include "measure/samplemem.h"

#include <gtest/gtest.h>

using namespace korvanta;

TEST(AnalyzerStateTest, StartsWithTheDocumentedValues)
{
    const AnalyzerState s;
    EXPECT_FLOAT_EQ(s.PegFak, 8.722f);
    EXPECT_FLOAT_EQ(s.PegOfs, 12.6f);
    EXPECT_EQ(s.FFTpoints, 1024);
    EXPECT_EQ(s.FFTwin, 8);
    EXPECT_EQ(s.AverCount, 1);
    EXPECT_FLOAT_EQ(s.DiaYMin, -110.0f);
    EXPECT_EQ(s.DiaXMax, 24000);
    EXPECT_FLOAT_EQ(s.CalInMv, 497.0f);
    EXPECT_FLOAT_EQ(s.CalOutMv, 123.0f);
    EXPECT_EQ(s.InLev4Cal, -1);
    EXPECT_EQ(s.InFormats, 0);
    EXPECT_EQ(s.Comment, "remark:");
    EXPECT_FALSE(WorkArraysAllocated(s));
}

TEST(WorkArrays, FreshZeroFilledArraysOnEveryVisit)
{
    AnalyzerState s;
    ASSERT_TRUE(AllocateWorkArrays(s));
    // The largest block (16384 + 2048 frames) fits, and the end of the array is usable.
    s.SumRight[kWorkArraySize - 1] = 3.0f;
    s.SpecLeft[18431] = 1.0f;
    FreeWorkArrays(s);
    EXPECT_FALSE(s.SumRight);
    EXPECT_FALSE(s.SpecLeft);
    ASSERT_TRUE(AllocateWorkArrays(s));
    for (int i = 0; i < kWorkArraySize; ++i) {
        ASSERT_EQ(s.SumRight[i], 0.0f);
        ASSERT_EQ(s.SumLeft[i], 0.0f);
        ASSERT_EQ(s.SpecLeft[i], 0.0f);
        ASSERT_EQ(s.SpecRight[i], 0.0f);
    }
}

TEST(WorkArrays, AFailedAllocationLeavesNothingAllocated)
{
    AnalyzerState s;
    testing_hooks::FailWorkArrayAllocation(3); // SpecLeft, the third of four
    EXPECT_FALSE(AllocateWorkArrays(s));
    EXPECT_FALSE(s.SumRight);
    EXPECT_FALSE(s.SumLeft);
    EXPECT_FALSE(s.SpecRight);
    testing_hooks::FailWorkArrayAllocation(0);
    EXPECT_TRUE(AllocateWorkArrays(s));
}
