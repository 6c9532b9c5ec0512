// An output that fails while playing: the playback thread reports it, the
// engine stops and closes the output on the GUI thread, logs it and tells
// whoever started the tone; the next start works. Also the wave-file
// player's refusals.

#include "tests/audio/AudioTestSupport.h"

#include "platform/audio/WaveOut.h"

#include <QThread>

using namespace korvanta;

namespace {
struct FaultCase {
    VirtualFault fault;
    int code;
    const char* deviceLine; // what the card itself logs
};

const FaultCase kFaults[] = {
    {VirtualFault::OutputStall, WAVERR_OUTPUT_STALLED, "took no frame"},
    {VirtualFault::OutputGone, WAVERR_OUTPUT_GONE, "disconnected"},
    {VirtualFault::OutputWriteFails, WAVERR_OUTPUT_WRITE, "refused a write"},
};

// Waits for the fault procedure; returns its code (0: it never ran).
int WaitForFault(const std::vector<int>& codes, int timeoutMs = 5000)
{
    (void)QTest::qWaitFor([&codes] { return !codes.empty(); }, timeoutMs);
    return codes.empty() ? 0 : codes.front();
}
} // namespace

using PlaybackFault = VirtualLayerTest;

TEST_F(PlaybackFault, FailingOutputStopsTheEngineAndTellsTheStarter)
{
    for (const FaultCase& c : kFaults) {
        SCOPED_TRACE(c.code);
        devlog::Clear();
        VirtualCard::instance().injectFault(c.fault, 0, 1);
        std::vector<int> codes;
        bool playingWhenTold = true;
        ASSERT_EQ(StartPlay(GeneratorSettings{}, -1, 1000.0f,
                            [&](int code) {
                                playingWhenTold = IsPlaying();
                                codes.push_back(code);
                            }),
                  0);
        EXPECT_TRUE(IsPlaying()) << "the fault strikes while playing, not at the start";
        EXPECT_EQ(WaitForFault(codes), c.code);
        EXPECT_FALSE(playingWhenTold) << "the engine is idle before the starter hears of it";
        EXPECT_FALSE(IsPlaying());
        EXPECT_TRUE(LogContains(QStringLiteral("waveOutPlay Error %1").arg(c.code)));
        EXPECT_TRUE(LogContains(c.deviceLine));
        EXPECT_TRUE(SoundErrorText(c.code).contains("output device"));

        // The next start plays, and plays on.
        std::vector<int> later;
        ASSERT_EQ(StartPlay(GeneratorSettings{}, -1, 1000.0f, [&](int code) { later.push_back(code); }), 0);
        QTest::qWait(300);
        EXPECT_TRUE(IsPlaying());
        EXPECT_TRUE(later.empty());
        StopPlay();
        EXPECT_EQ(codes.size(), 1u) << "told once";
    }
}

TEST_F(PlaybackFault, AFaultOfAStoppedOutputReachesNobody)
{
    VirtualCard::instance().injectFault(VirtualFault::OutputGone, 0, 1);
    std::vector<int> codes;
    ASSERT_EQ(StartPlay(GeneratorSettings{}, -1, 1000.0f, [&](int code) { codes.push_back(code); }), 0);
    // The thread has failed and posted its report, not yet handled.
    QThread::msleep(300);
    StopPlay();
    ASSERT_EQ(StartPlay(GeneratorSettings{}, -1, 1000.0f), 0);
    QTest::qWait(200);
    EXPECT_TRUE(codes.empty());
    EXPECT_TRUE(IsPlaying()) << "the old report must not stop the new tone";
    StopPlay();
}

TEST_F(PlaybackFault, FaultsFromTheDutTextToo)
{
    qputenv("KORVANTA_DUT", "fast=1 fault=outgone");
    std::vector<int> codes;
    ASSERT_EQ(StartPlay(GeneratorSettings{}, -1, 1000.0f, [&](int code) { codes.push_back(code); }), 0);
    EXPECT_EQ(WaitForFault(codes), WAVERR_OUTPUT_GONE);
    qunsetenv("KORVANTA_DUT");
    EXPECT_FALSE(IsPlaying());
}
