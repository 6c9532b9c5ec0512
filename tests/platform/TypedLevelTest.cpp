// What a typed level reads as: whole numbers in range, with or without the
// unit; fractions and anything else refused; a volume's level in dB.

#include "platform/TypedLevel.h"

#include <gtest/gtest.h>

using namespace korvanta;

TEST(TypedLevel, WholeNumbersInRangeOnly)
{
    const struct {
        const char* text;
        std::optional<int> percent;
        std::optional<int> db;
    } cases[] = {
        {"35", 35, std::nullopt},        {" 35 % ", 35, std::nullopt}, {"0", 0, 0},
        {"100", 100, std::nullopt},      {"101", std::nullopt, std::nullopt},
        {"-12", std::nullopt, -12},      {"-12dB", std::nullopt, -12}, {"-12 db", std::nullopt, -12},
        {"OFF", std::nullopt, -100},     {"-100", std::nullopt, -100}, {"-101", std::nullopt, std::nullopt},
        {"12.5", std::nullopt, std::nullopt}, {"-0.5dB", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt}, {"x", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseTypedPercent(QString::fromUtf8(c.text)), c.percent) << c.text;
        EXPECT_EQ(ParseTypedDb(QString::fromUtf8(c.text), -100), c.db) << c.text;
    }
    EXPECT_EQ(PercentAsDb(100), "0.0dB");
    EXPECT_EQ(PercentAsDb(50), "-6.0dB");
    EXPECT_EQ(PercentAsDb(0), "OFF");
}
