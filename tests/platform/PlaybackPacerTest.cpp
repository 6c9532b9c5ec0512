// The playback pacer against simulated devices: clocks off the system's by
// up to 500 ppm through an hour of playback (never dry, never overfilled,
// whatever the wall clock says), a device without a clock and a sink that
// cannot tell its fill (both held to the wall clock).

#include "platform/audio/PlaybackPacer.h"

#include <gtest/gtest.h>
#include <random>

using namespace korvanta;

namespace {
constexpr double kRate = 44100;
constexpr long long kCapacity = 22050; // half a second
constexpr long long kPeriod = 2205;
constexpr long long kChunk = 1024;     // the most the device thread writes at once

enum class Device { Clocked, NoClock, CannotTell };

struct Outcome {
    long long underruns = 0;
    long long mostHeld = 0;
    long long leastHeldWhilePlaying = kCapacity;
    double mostAheadOfWallClock = -1e9; // seconds
    bool followsDevice = true;
};

// Plays `seconds` of simulated wall time. The device's clock runs `ppm`
// away from the wall clock; the writing thread wakes late by up to 5 ms
// and now and then by 60 ms, as on a busy machine.
Outcome play(Device device, double ppm, double seconds)
{
    PlaybackPacer pacer(kRate, device == Device::CannotTell ? 0 : kCapacity,
                        device == Device::CannotTell ? 0 : kPeriod);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> late(0.0, 0.005);
    const double deviceRate = kRate * (1.0 + ppm * 1e-6);
    Outcome o;
    double t = 0;
    double started = -1;    // when the device began to play
    long long played = 0;
    long long written = 0;
    while (t < seconds) {
        if (device == Device::NoClock) {
            played = written; // takes everything at once
        } else if (started >= 0) {
            const auto due = static_cast<long long>((t - started) * deviceRate);
            if (due > written) {
                ++o.underruns;
                started += static_cast<double>(due - written) / deviceRate; // it waited for data
            }
            played = std::min(due, written);
        }
        const long long held = written - played;
        o.mostHeld = std::max(o.mostHeld, held);
        if (started >= 0 && t - started > 1.0)
            o.leastHeldWhilePlaying = std::min(o.leastHeldWhilePlaying, held);
        const long long fill = device == Device::CannotTell ? PlaybackPacer::kUnknownFill : held;
        const PlaybackPacer::Step step = pacer.next(t, fill);
        if (step.frames > 0) {
            const long long n = std::min(step.frames, kChunk);
            written += n;
            pacer.wrote(n);
            if (started < 0)
                started = t;
            t += 20e-6;
        } else {
            if (step.waitMs < 1) {
                ADD_FAILURE() << "a wait of " << step.waitMs << " ms would spin";
                break;
            }
            t += step.waitMs / 1000.0 + late(rng) + (rng() % 500 == 0 ? 0.06 : 0.0);
        }
        o.mostAheadOfWallClock = std::max(o.mostAheadOfWallClock, written / kRate - t);
    }
    o.followsDevice = pacer.followsDevice();
    return o;
}
} // namespace

TEST(PlaybackPacer, AClockOffByFiveHundredPpmNeverRunsDryNorOverfillsInAnHour)
{
    for (double ppm : {-500.0, 0.0, 500.0}) {
        SCOPED_TRACE(testing::Message() << ppm << " ppm");
        const Outcome o = play(Device::Clocked, ppm, 3600.0);
        EXPECT_TRUE(o.followsDevice);
        EXPECT_EQ(o.underruns, 0);
        EXPECT_LE(o.mostHeld, kCapacity) << "never more than the buffer holds";
        // Full to within a period and what a late wake-up lets run out.
        EXPECT_GE(o.leastHeldWhilePlaying, kCapacity - kPeriod - static_cast<long long>(0.08 * kRate));
    }
}

TEST(PlaybackPacer, DevicesWithoutAClockAreHeldToTheWallClock)
{
    // One that cannot tell its fill from the start; one that takes
    // everything at once, recognised after a few buffers.
    const Outcome unknown = play(Device::CannotTell, 0, 60.0);
    EXPECT_FALSE(unknown.followsDevice);
    EXPECT_LE(unknown.mostAheadOfWallClock, PlaybackPacer::kLeadMs / 1000.0 + kChunk / kRate);
    EXPECT_GE(unknown.mostAheadOfWallClock, PlaybackPacer::kLeadMs / 1000.0 - 0.1) << "and it keeps up";

    const Outcome none = play(Device::NoClock, 0, 60.0);
    EXPECT_FALSE(none.followsDevice);
    EXPECT_LE(none.mostAheadOfWallClock, 4.0 * kCapacity / kRate) << "a burst of a few buffers at most";
}
