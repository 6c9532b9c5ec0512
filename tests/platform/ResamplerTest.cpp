// The virtual card's resampler with signals whose answer is known: a tone
// keeps its pitch and level whatever the two rates, what lies above the
// target's half rate is removed, and a constant passes exactly.

#include "platform/audio/virtual/Resampler.h"
#include "tests/support/SineFit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace korvanta;

namespace {
// Runs `seconds` of a stereo sine (right at half the left's amplitude)
// through the resampler in uneven pieces, as the card does.
std::vector<double> resampleSine(int from, int to, double freq, double amp, double seconds)
{
    Resampler r(from, to);
    const int inFrames = static_cast<int>(seconds * from);
    std::vector<double> out;
    std::vector<double> piece;
    int n = 0;
    double buf[2 * 512];
    while (n < inFrames) {
        const int count = std::min(97 + n % 300, inFrames - n);
        piece.resize(2 * static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const double s = amp * std::sin(2.0 * std::numbers::pi * freq * (n + i) / from);
            piece[2 * i] = s;
            piece[2 * i + 1] = 0.5 * s;
        }
        r.push(piece.data(), count);
        n += count;
        for (int made; (made = r.pull(buf, 512)) > 0;)
            out.insert(out.end(), buf, buf + 2 * made);
    }
    return out;
}

} // namespace

// A 1 kHz tone keeps its pitch (a fit at exactly 1 kHz leaves a residue
// 100 dB down, where a pitch off by 0.01 % would leave -66 dB) and its level
// within 0.001 dB, in both channels.
TEST(Resampler, ToneKeepsPitchAndLevelAtEveryRatio)
{
    const struct {
        int from, to;
    } ratios[] = {{48000, 44100}, {44100, 11025}, {44100, 48000}, {8000, 96000}, {96000, 22050}, {48000, 48000}};
    for (const auto& r : ratios) {
        SCOPED_TRACE(testing::Message() << r.from << " -> " << r.to);
        const std::vector<double> out = resampleSine(r.from, r.to, 1000.0, 0.5, 0.5);
        // Short of half a second by the kernel's reach only.
        EXPECT_NEAR(static_cast<double>(out.size() / 2), 0.5 * r.to, r.to / 100.0);
        for (int ch = 0; ch < 2; ++ch) {
            const SineFit f = FitSine(out, ch, 1000.0, r.to, r.to / 50);
            EXPECT_NEAR(20.0 * std::log10(f.amplitude / (ch == 0 ? 0.5 : 0.25)), 0.0, 0.001);
            EXPECT_LT(f.residualDb, -100.0);
        }
    }
}

// 10 kHz cannot exist at 11025 Hz: it must not fold back to 1025 Hz.
TEST(Resampler, WhatTheTargetCannotCarryIsRemoved)
{
    const std::vector<double> out = resampleSine(44100, 11025, 10000.0, 0.5, 0.5);
    double peak = 0;
    for (size_t i = 2 * 11025 / 10; i < out.size(); ++i)
        peak = std::max(peak, std::abs(out[i]));
    EXPECT_LT(20.0 * std::log10(peak / 0.5), -90.0);
}

TEST(Resampler, ConstantPassesExactlyAndNothingComesBeforeItsTime)
{
    Resampler r(44100, 48000);
    double buf[2 * 64];
    EXPECT_EQ(r.pull(buf, 64), 0) << "no frame before the source that makes it";
    EXPECT_GT(r.needed(), 0);
    std::vector<double> ones(2 * 4410, 0.25);
    r.push(ones.data(), 4410);
    std::vector<double> out(2 * 4800);
    const int made = r.pull(out.data(), 4800);
    EXPECT_GT(made, 4000);
    EXPECT_LT(made, 4800) << "the kernel's reach is still owed";
    for (int i = made / 2; i < made - 100; ++i)
        ASSERT_NEAR(out[2 * i], 0.25, 1e-12) << i;
}
