// The checks before a device test, one set-up each on the virtual card's
// analog path, and their messages in both languages.

#include "devicetest/DtChecks.h"
#include "tests/devicetest/DtRecording.h"

#include <gtest/gtest.h>

#include <set>

using namespace korvanta;
using namespace korvanta::dttest;

namespace {
constexpr int kRate = 48000;
constexpr size_t kFrames = kRate / 2;

DtCheck CheckOn(const char* dutText)
{
    const DutSpec spec = ParseDutSpec(dutText);
    EXPECT_TRUE(spec.errors.isEmpty()) << spec.errors.join('\n').toStdString();
    const std::vector<float> left = CheckToneSignal(kRate, 0), right = CheckToneSignal(kRate, 1);
    const Source check = [&](size_t n, int ch) { return static_cast<double>((ch == 0 ? left : right)[n % left.size()]); };
    const Stereo tone = Record(spec.dut, kRate, 24, 24, check, kFrames);
    const Stereo idle = Record(spec.dut, kRate, 24, 24, Silence, kFrames);
    return PreRunCheck({tone.left, tone.right}, {idle.left, idle.right}, kRate);
}
} // namespace

TEST(DtChecks, EachBadSetUpIsNamed)
{
    struct Case {
        const char* dut;
        DtCheck expected;
    };
    // The check tone plays at -10 dBFS.
    const Case cases[] = {
        {"noise=-110", DtCheck::Passed},
        {"gain=-200 noise=-110", DtCheck::NothingAtInput},
        {"gain=12", DtCheck::InputClips},
        {"swap=1", DtCheck::Swapped},
        {"gainl=-200", DtCheck::LeftMissing},
        {"gainr=-200 noise=-120", DtCheck::RightMissing},
        {"gain=-35", DtCheck::ToneTooLow},
        {"gain=-20 noise=-70", DtCheck::ToneNearNoise},
        // A 10 dB louder noise floor than the last case's still leaves 40 dB.
        {"gain=-20 noise=-80", DtCheck::Passed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckOn(c.dut), c.expected) << c.dut;
}

TEST(DtChecks, MessagesInBothLanguages)
{
    const DtCheck failures[] = {DtCheck::NothingAtInput, DtCheck::InputClips, DtCheck::Swapped, DtCheck::LeftMissing,
                                DtCheck::RightMissing, DtCheck::ToneTooLow, DtCheck::ToneNearNoise};
    std::set<QString> seen;
    for (DtCheck c : failures)
        for (char letter : {'D', 'E'})
            EXPECT_TRUE(seen.insert(CheckMessage(c, letter)).second) << static_cast<int>(c) << letter;
    EXPECT_TRUE(CheckMessage(DtCheck::Passed, 'E').isEmpty());
    EXPECT_TRUE(CheckMessage(DtCheck::NothingAtInput, 'E').contains("connect the output to the input"));
    EXPECT_TRUE(CheckMessage(DtCheck::InputClips, 'E').contains("lower the output or the input level"));
}
