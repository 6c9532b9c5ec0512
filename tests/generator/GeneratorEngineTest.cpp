// The generator engine on the virtual card with only a QCoreApplication:
// what it plays and reports, how it fails, and that it leaves a
// measurement's output alone.
#include "correction/CorrectionTable.h"
#include "generator/GeneratorEngine.h"
#include "audio/LoopSynthesis.h"
#include "audio/OutputOwner.h"
#include "tests/audio/AudioTestSupport.h"

#include <QStringList>

using namespace korvanta;

namespace {

// The signals in the order they came, as one word each.
class SignalLog {
public:
    explicit SignalLog(GeneratorEngine& e)
    {
        QObject::connect(&e, &GeneratorEngine::started, [this] { events << "started"; });
        QObject::connect(&e, &GeneratorEngine::playing, [this](const GeneratorResult& r) {
            events << "playing";
            result = r;
        });
        QObject::connect(&e, &GeneratorEngine::failed, [this](const EngineFailure& f) {
            events << "failed";
            failure = f;
        });
        QObject::connect(&e, &GeneratorEngine::stopped, [this] { events << "stopped"; });
    }
    QStringList events;
    GeneratorResult result;
    EngineFailure failure;
};

class GeneratorEngineTest : public VirtualLayerTest {
protected:
    void TearDown() override
    {
        OutputOwner::Instance().Release(this);
        VirtualLayerTest::TearDown();
    }
    uint64_t session() { return VirtualCard::instance().played().state().session; }

    GeneratorSettings settings_;
    CorrectionTable correction_; // none: the sine plays at its set level
};

// Whole periods of the tone in `frames` frames, and the fit residue of that
// many periods in thousandths of a frame.
struct Fit {
    long long periods = 0;
    int residue = 0;
};
Fit fitOf(int frames, double hz, int rate)
{
    const long long k = std::llround(frames * hz / rate);
    const double exact = k * double(rate) / hz;
    return {k, int(std::llround((exact - std::floor(exact)) * 1000.0))};
}

} // namespace

TEST_F(GeneratorEngineTest, PlaysTheToneAndReportsItsLoopFit)
{
    const struct {
        const char* name;
        int mode;
        float hz;
        int rate;
        int bits;
        int level;
        int loopFrames; // -1: a whole number of periods, to be checked
    } cases[] = {
        {"sine on whole frames", 0, 1000.0f, 48000, 16, -6, -1},
        {"sine off whole frames", 0, 997.0f, 48000, 16, -6, -1},
        {"square", 1, 440.0f, 44100, 16, -10, -1},
        {"white noise fills the buffer", 2, 1000.0f, 48000, 16, -6, int(kLoopBufferMax / 4)},
        {"24-bit sine has no loop", 0, 997.0f, 48000, 24, -6, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetSampleRates(c.rate, c.rate);
        SetBits(c.bits, c.bits);
        settings_.mode = c.mode;
        settings_.frequency = c.hz;
        settings_.levelLeft = settings_.levelRight = c.level;
        GeneratorEngine engine(settings_, correction_);
        SignalLog log(engine);
        ASSERT_EQ(engine.Start(), 0);
        EXPECT_EQ(log.events, (QStringList{"started", "playing"}));
        EXPECT_TRUE(engine.Running());
        const GeneratorResult& r = log.result;
        EXPECT_TRUE(r.playing);
        EXPECT_FALSE(r.userFile);
        EXPECT_EQ(r.sampleRate, c.rate);
        EXPECT_EQ(r.bits, c.bits);
        EXPECT_EQ(r.levelLeft, c.level);
        if (c.loopFrames >= 0) {
            EXPECT_EQ(r.loopFrames, c.loopFrames);
            EXPECT_EQ(r.loopPrecision, 0);
        } else {
            const Fit fit = fitOf(r.loopFrames, c.hz, c.rate);
            EXPECT_GT(fit.periods, 0);
            EXPECT_NEAR(r.loopFrames, fit.periods * double(c.rate) / c.hz, 1.0) << "whole periods";
            EXPECT_EQ(r.loopPrecision, fit.residue);
        }
        if (c.mode == 0) {
            // The loopback hears the tone at its level.
            const RecordedBlock b = RecordBlock(4800);
            ASSERT_TRUE(b.present);
            EXPECT_NEAR(peak(b.data, 1), std::pow(10.0, c.level / 20.0), 0.01);
        }
        engine.Stop();
        EXPECT_EQ(log.events.last(), "stopped");
        EXPECT_FALSE(engine.Running());
        EXPECT_FALSE(IsPlaying());
    }
}

// A change while playing is played at once, also after the output dialog
// cleared the loop flag; while idle a restart starts nothing.
TEST_F(GeneratorEngineTest, RestartPlaysAChangeOnlyWhilePlaying)
{
    GeneratorEngine engine(settings_, correction_);
    SignalLog log(engine);
    EXPECT_EQ(engine.Restart(), GeneratorEngine::kNotStarted);
    EXPECT_TRUE(log.events.isEmpty());
    EXPECT_FALSE(IsPlaying());

    settings_.loopMode = false;
    ASSERT_EQ(engine.Start(), 0);
    EXPECT_TRUE(settings_.loopMode) << "a start sets the loop flag again";
    const uint64_t before = session();
    settings_.frequency = 440.0f;
    ASSERT_EQ(engine.Restart(), 0);
    EXPECT_GT(session(), before) << "the change is played";
    EXPECT_EQ(log.result.frequency, 440.0f);
    EXPECT_EQ(log.events, (QStringList{"started", "playing", "playing"})) << "still the same run";
    engine.Stop();
}

TEST_F(GeneratorEngineTest, FailuresStopEverythingAndTheNextStartWorks)
{
    using Failure = GeneratorEngine::Failure;
    const struct {
        const char* name;
        int mode;
        float hz;
        VirtualFault fault;
        int faultCode;
        Failure kind;
        int code; // -1: any device code
    } cases[] = {
        {"output cannot open", 0, 1000.0f, VirtualFault::OutputOpenFails, 4, Failure::Open, 4},
        {"output stalls while playing", 0, 1000.0f, VirtualFault::OutputStall, 0, Failure::Play, -1},
        {"output vanishes while playing", 1, 1000.0f, VirtualFault::OutputGone, 0, Failure::Play, -1},
        {"not below half the rate", 0, 24000.0f, VirtualFault::None, 0, Failure::Format, 0},
        {"no wave file chosen", 4, 1000.0f, VirtualFault::None, 0, Failure::NoFile, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings_.mode = c.mode;
        settings_.frequency = c.hz;
        settings_.userFileName.clear();
        GeneratorEngine engine(settings_, correction_);
        SignalLog log(engine);
        if (c.fault != VirtualFault::None)
            VirtualCard::instance().injectFault(c.fault, c.faultCode, 1);
        engine.Start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return log.events.contains("failed"); }, 10000));
        EXPECT_EQ(log.events.mid(log.events.indexOf("failed")), (QStringList{"failed", "stopped"}));
        EXPECT_EQ(log.failure.kind, int(c.kind));
        if (c.code >= 0) {
            EXPECT_EQ(log.failure.code, c.code);
        }
        if (c.kind == Failure::Open || c.kind == Failure::Play) {
            EXPECT_GT(log.failure.code, 0);
            EXPECT_EQ(log.failure.text, SoundErrorText(log.failure.code));
            EXPECT_FALSE(log.failure.text.isEmpty());
        }
        EXPECT_FALSE(engine.Running());
        EXPECT_FALSE(IsPlaying());
        EXPECT_FALSE(UserWavePlaying());

        settings_.mode = 0;
        settings_.frequency = 1000.0f;
        EXPECT_EQ(engine.Start(), 0) << "the next start works";
        EXPECT_TRUE(IsPlaying());
        engine.Stop();
    }
}

// While a measurement owns the output the engine neither starts nor stops
// a tone: the tone there is the measurement's.
TEST_F(GeneratorEngineTest, AMeasurementsOutputIsLeftAlone)
{
    GeneratorEngine engine(settings_, correction_);
    SignalLog log(engine);
    ASSERT_EQ(engine.Start(), 0);
    OutputOwner::Instance().Take(this);
    EXPECT_EQ(log.events.last(), "stopped") << "the measurement stopped our tone";
    EXPECT_FALSE(engine.Running());
    ASSERT_EQ(StartPlayTone(0.5, 500.0f), 0);

    EXPECT_EQ(engine.Start(), GeneratorEngine::kNotStarted);
    EXPECT_EQ(engine.Restart(), GeneratorEngine::kNotStarted);
    engine.Stop();
    EXPECT_TRUE(IsPlaying()) << "the measurement's tone plays on";
    EXPECT_EQ(log.events, (QStringList{"started", "playing", "stopped"}));

    StopPlay();
    OutputOwner::Instance().Release(this);
    EXPECT_EQ(engine.Start(), 0);
    engine.Stop();
}
