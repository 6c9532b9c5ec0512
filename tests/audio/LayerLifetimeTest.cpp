// Lifetimes across threads: buffers, devices and the notification object
// when the layer is shut down, the notification object goes away or the
// slot's format changes while a block is in flight.

#include "tests/audio/AudioTestSupport.h"

#include <QCoreApplication>
#include <functional>

namespace {
// Runs an action when its event is dispatched: stands for a window whose
// posted message starts a recording or the generator.
class PostedAction : public QObject {
public:
    explicit PostedAction(std::function<void()> action) : action_(std::move(action)) {}
    void post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        action_();
        return true;
    }

private:
    std::function<void()> action_;
};
} // namespace

using LayerLifetime = VirtualLayerTest;

// Shutting down dispatches pending messages; a handler among them may start
// a recording or the generator again. Neither may outlive the buffers.
TEST_F(LayerLifetime, StartsMadeWhileShuttingDownAreClosedBeforeTheBuffersGo)
{
    int inCount = 0, outCount = 0, mask = 0;
    DeviceReport(inCount, outCount, mask); // a usable input: shutdown pumps messages
    ASSERT_NE(InputFormatMask(GetInDevice()), 0u);
    VirtualCard::instance().setFastMode(false); // the block is still in flight at the end
    int completions = 0;
    int startResult = -1;
    int playResult = -1;
    PostedAction late([&] {
        startResult = StartRecord(9600, 0, [&completions] { ++completions; });
        playResult = StartPlay(GeneratorSettings{}, -1, 1000.0f);
    });
    late.post();
    SoundDone();
    EXPECT_EQ(startResult, 0) << "the handler ran during the shutdown";
    EXPECT_EQ(playResult, 0);
    EXPECT_FALSE(IsPlaying());
    EXPECT_FALSE(VirtualCard::instance().outputPlaying());

    ASSERT_EQ(SoundInit(), 0);
    QTest::qWait(300);
    EXPECT_EQ(completions, 0);
    // The input is free again: a new recording is taken, not ignored.
    VirtualCard::instance().setFastMode(true);
    EXPECT_TRUE(RecordBlock(64, 0, nullptr, 3000).arrived);
}

// The device thread announces its block to the notification object; when
// that object goes away first, the recording must end with it, or the
// announcement would go to a dead object and the input stay open for good.
TEST(LayerNotifyObject, GoingAwayEndsTheRecordingItWouldAnnounce)
{
    VirtualCard& card = VirtualCard::instance();
    card.reset();
    ASSERT_EQ(SoundInit(), 0);
    int completions = 0;
    {
        Tdummy dummy;
        ASSERT_EQ(StartRecord(9600, 0, [&completions] { ++completions; }), 0); // 200 ms in real time
    }
    QTest::qWait(400);
    EXPECT_EQ(completions, 0);
    card.setFastMode(true);
    {
        Tdummy again;
        const RecordedBlock b = RecordBlock(64, 0, nullptr, 3000);
        EXPECT_TRUE(b.arrived) << "the input stayed open for the vanished recording";
        EXPECT_TRUE(b.present);
    }
    SoundDone();
    card.reset();
}

// The block is converted in the width it was recorded in, whatever the slot
// says by the time it is fetched: a 16-bit block read as 8-bit samples would
// be garbage and twice as long as the conversion array.
TEST_F(LayerLifetime, BlockIsConvertedInTheWidthItWasRecordedIn)
{
    GeneratorSettings g;
    g.levelLeft = -6;
    g.levelRight = GeneratorSettings::kLevelOff;
    ASSERT_EQ(StartPlay(g, -1, 1000.0f), 0);
    RecordedBlock b;
    ASSERT_EQ(StartRecord(32768, 0,
                          [&b] {
                              int count = 0;
                              const float* p = GetRecordBlock(count, b.overRange, b.userValue);
                              b.present = p != nullptr;
                              if (p)
                                  b.data.assign(p, p + count);
                              b.arrived = true;
                          }),
              0);
    SetBits(8, 0); // the parameter dialog changes the width meanwhile
    (void)QTest::qWaitFor([&b] { return b.arrived; }, 5000);
    ASSERT_TRUE(b.present);
    EXPECT_EQ(b.data.size(), 65536u);
    EXPECT_NEAR(peak(b.data, 1), 0.5f, 0.005f);
    EXPECT_LT(peak(b.data, 0), 1e-4f);
    // The next recording takes the new width.
    const RecordedBlock next = RecordBlock(480);
    StopPlay();
    ASSERT_TRUE(next.present);
    EXPECT_EQ(next.data.size(), 960u);
    EXPECT_NEAR(peak(next.data, 1), 0.5f, 0.01f);
}
