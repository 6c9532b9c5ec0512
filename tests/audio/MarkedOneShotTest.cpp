// A sweep played once inside a recording: silence in the output's own zero
// until the stretch delivers, then the sweep whole, its first frame marked
// where the stretch stood.
#include "audio/MarkedOneShot.h"

#include <gtest/gtest.h>

using namespace korvanta;

TEST(MarkedOneShot, SilenceUntilTheStretchDeliversThenTheSweepMarked)
{
    struct Case {
        int bits;
        std::vector<uint8_t> zero; // one stereo frame of digital zero
    };
    const Case cases[] = {{8, {0x80, 0x80}}, {16, {0, 0, 0, 0}}, {32, std::vector<uint8_t>(8, 0)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        ASSERT_EQ(SilentFrame(c.bits), c.zero) << "an 8-bit zero is 0x80, not a full-scale step";
        const size_t align = c.zero.size();
        std::vector<uint8_t> sweep(3 * align);
        for (size_t i = 0; i < sweep.size(); ++i)
            sweep[i] = uint8_t(i + 1);
        MarkedOneShot shot(sweep, SilentFrame(c.bits), OneShotPacing{2, 0});
        const FrameCallback read = shot.Callback();
        std::vector<uint8_t> out(8 * align, 0x55);

        // Not armed: silence, in reads of at most two frames.
        ASSERT_EQ(read(out.data(), 8), 2);
        EXPECT_TRUE(std::equal(c.zero.begin(), c.zero.end(), out.begin()));
        // Armed, but the stretch has delivered nothing yet: still silence.
        auto clock = std::make_shared<StretchClock>();
        clock->running = true;
        shot.Arm(clock);
        EXPECT_EQ(read(out.data(), 8), 2);
        EXPECT_EQ(clock->firstPlayed.load(), -1);
        // The stretch delivers: the sweep, whole, marked at that frame.
        clock->captured = 480;
        ASSERT_EQ(read(out.data(), 8), 3);
        EXPECT_TRUE(std::equal(sweep.begin(), sweep.end(), out.begin()));
        EXPECT_EQ(clock->firstPlayed.load(), 480);
        EXPECT_EQ(read(out.data(), 8), 0) << "played once";
    }
}
