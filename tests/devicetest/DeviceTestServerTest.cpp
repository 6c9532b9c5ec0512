// The device test on a real sound server, through ALSA's "default" into the
// server's loop: a self-test runs end to end with every step holding its
// own signal, the sweep played once included; a second run after the loop's sink is turned down by 6 dB
// (PipeWire: its source) reads each channel's gain 6 dB lower; a server killed mid-run ends the
// run with failed(), the tone off and no complete result. Skipped, with the
// reason, where the server cannot start.
#include "tests/devicetest/DtEngineTestSupport.h"
#include "tests/support/EngineContract.h"
#include "tests/support/ServerSoundLayer.h"
#include "tests/support/SoundServer.h"

#include "audio/Soundd3.h"
#include "audio/Tdummy.h"
#include "platform/DeviceLog.h"
#include "platform/audio/AudioBackend.h"
#include "platform/audio/alsa/AlsaBackend.h"

using namespace korvanta;
using namespace dttest;

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

constexpr int kRate = kDefaultServerRate;
// A server's buffers hold more than a card's: the settle wait covers them.
constexpr int kServerSettleMs = 300;
constexpr int kServerFrames = 8192;
constexpr double kSinkStepDb = -6.0;
constexpr double kGainStepToleranceDb = 0.1;

DtPlan selfTestPlan()
{
    auto s = [](DtStepKind kind, std::vector<double> hz, double db, DtLevelRef ref, DtPlays plays) {
        return step(kind, std::move(hz), db, ref, plays, kServerSettleMs, kServerFrames);
    };
    DtPlan p;
    p.steps = {
        s(DtStepKind::Level, {997.0}, -20.0, DtLevelRef::Output, DtPlays::LeftOnly),
        s(DtStepKind::Level, {997.0}, -20.0, DtLevelRef::Output, DtPlays::RightOnly),
        s(DtStepKind::Noise, {}, 0.0, DtLevelRef::Input, DtPlays::Both),
        s(DtStepKind::Response, {100.0}, -10.0, DtLevelRef::Input, DtPlays::Both),
        s(DtStepKind::Thd, {997.0}, -1.0, DtLevelRef::Input, DtPlays::Both),
        s(DtStepKind::Crosstalk, {10000.0}, -1.0, DtLevelRef::Input, DtPlays::RightOnly),
        DtSweepStep(DtResponseSweep(kRate), kRate, kServerSettleMs),
    };
    return p;
}

class ServerDeviceTest : public ServerSoundLayerTest {
protected:
    // One run of the self-test plan; its recordings in `proc`.
    void run(DeviceTestEngine& engine, RecordingProcedure& proc, EngineRecorder& r)
    {
        ASSERT_TRUE(engine.Start(selfTestPlan(), proc, DtHeader{}))
            << "no usable devices: " << AlsaBackend::instance().inputCount() << " inputs listed\n"
            << devlog::Lines().join('\n').toStdString();
        ASSERT_TRUE(r.waitStopped());
    }

    Tdummy dummy_;
    CorrectionTable in_;
    CorrectionTable out_;
};

TEST_F(ServerDeviceTest, SelfTestRunsEndToEndAndFollowsTheSinkVolume)
{
    double gain[2][2] = {};
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "as set up" : "sink turned down");
        if (pass == 1) {
            // PipeWire's loop hears the sink's monitor before the sink's
            // volume: there the loop's own source is turned down instead.
            const bool pipeWire = TestServerKind() == ServerKind::PipeWire;
            ASSERT_TRUE(server().pactlSucceeds({pipeWire ? "set-source-volume" : "set-sink-volume",
                                                pipeWire ? "@DEFAULT_SOURCE@" : "loop", "-6dB"}));
        }
        DeviceTestEngine engine(in_, out_);
        RecordingProcedure proc(in_, out_);
        EngineRecorder r(engine, &DeviceTestEngine::stepDone);
        run(engine, proc, r);
        ExpectCleanRun(r, int(selfTestPlan().steps.size()), "server self-test");
        ASSERT_TRUE(engine.Result().complete) << engine.Result().error.toStdString();
        gain[pass][0] = engine.LoopGainDb(0);
        gain[pass][1] = engine.LoopGainDb(1);
        // The server's loop delays the sweep past the mark by its buffers:
        // anywhere within the tail, as the response's checks allow.
        ExpectOwnSignals(proc.taken, gain[pass], DtResponseSweep(kRate).tailSeconds * kRate);
        EXPECT_FALSE(engine.TonePlaying());
    }
    for (int c = 0; c < 2; ++c)
        EXPECT_NEAR(gain[1][c] - gain[0][c], kSinkStepDb, kGainStepToleranceDb) << "channel " << c;
}

class KilledServerDeviceTest : public ServerDeviceTest {
protected:
    SoundServer& server() override { return own_; }
    OwnSoundServer own_;
};

TEST_F(KilledServerDeviceTest, AServerKilledMidRunEndsItIncomplete)
{
    DeviceTestEngine engine(in_, out_);
    RecordingProcedure proc(in_, out_);
    EngineRecorder r(engine, &DeviceTestEngine::stepDone);
    r.atFirstResult([this] { own_.kill(); });
    run(engine, proc, r);
    ExpectOneRun(r, "killed server");
    ASSERT_EQ(r.count(EngineEvent::Failed), 1);
    EXPECT_EQ(r.events()[r.events().size() - 2].kind, EngineEvent::Failed);
    EXPECT_LT(proc.taken.size(), selfTestPlan().steps.size());
    EXPECT_FALSE(engine.Result().complete);
    EXPECT_FALSE(engine.Result().error.isEmpty());
    EXPECT_FALSE(engine.Running());
    EXPECT_FALSE(engine.TonePlaying());
}

} // namespace
