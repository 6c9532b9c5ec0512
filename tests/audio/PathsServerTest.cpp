// The record and play paths on a real sound server with a real clock: a
// one-shot played to ALSA's "default" while a stretch is recorded from the
// server's loop comes back whole, near where the recorder marked it (the
// server's buffers set how near). Skipped, with the reason, where the server
// cannot start.

#include "platform/DeviceLog.h"
#include "platform/audio/alsa/AlsaBackend.h"
#include "tests/audio/PathLoopback.h"
#include "tests/support/SoundServer.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace korvanta;
using namespace pathtest;

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

constexpr int kServerRate = 44100;
// What the recorder marks is the frame count it had read when the first
// frame left the program. The server's buffers move the true place either
// way: frames the input had captured but not yet handed over put it
// earlier, the output's buffer and the null sink's latency later. Measured
// here within a few milliseconds; an impulse response aligns the rest by
// correlation, so the mark only has to be near.
constexpr long long kServerMarkBound = kServerRate / 10;

TEST(ServerPaths, OneShotComesBackWholeNearItsMark)
{
    SKIP_WITHOUT_SOUND_SERVER();
    SetAudioBackendForTests(&AlsaBackend::instance());
    const LoopbackResult r = RecordOneShot(0, 0, MakeWaveFormat(kServerRate, 16));
    SetAudioBackendForTests(nullptr);
    ASSERT_TRUE(r.recorded) << r.failure << "\n" << devlog::Lines().join('\n').toStdString();
    EXPECT_TRUE(r.finished);
    ASSERT_GE(r.heard, 0);
    ASSERT_GE(r.marked, 0);
    std::printf("server: heard at %lld, marked at %lld (%+.1f ms)\n", r.heard, r.marked,
                1000.0 * double(r.heard - r.marked) / kServerRate);
    EXPECT_NEAR(double(r.heard), double(r.marked), double(kServerMarkBound));
    EXPECT_NEAR(r.toneAmplitude, kToneLevel, 0.01);
    EXPECT_LT(r.toneResidualDb, kGapFreeResidualDb);
}
} // namespace
