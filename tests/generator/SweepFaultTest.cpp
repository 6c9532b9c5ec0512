// Device faults during a sweep, and blocks that are not the sweep's: every
// case ends with a message (or a re-recorded block), the tone off, the page
// idle, and the next START works.
#include "tests/generator/SweepTestSupport.h"

#include "measure/ui/AnalyzerPage.h"
#include "platform/audio/WaveTypes.h"

#include <QTabWidget>

using namespace korvanta;

namespace {

struct FaultCase {
    const char* name;
    VirtualFault fault;
    const char* prefix;   // of the error box
    bool midSweep;        // injected once the first point is drawn
    int settleMs = 0;     // 0: the usual short wait; an output fault strikes
                          // only after the tone has played a while
};

TEST_F(SweepTest, DeviceFaultsEndTheSweepWithAMessage)
{
    const FaultCase cases[] = {
        {"output open fails", VirtualFault::OutputOpenFails, "ERROR at Frequency Output (", false},
        {"input open fails", VirtualFault::OpenFails, "ERROR at Frequency Output (", true},
        {"stall", VirtualFault::Stall, "Probleme beim Beginn Samplen (", true},
        {"device gone", VirtualFault::DeviceGone, "Probleme beim Beginn Samplen (", true},
        {"no data", VirtualFault::NoData, "Probleme beim Beginn Samplen (", false},
        {"short block", VirtualFault::ShortBlock, "Probleme beim Beginn Samplen (", true},
        {"close fails", VirtualFault::CloseFails, "Probleme beim Beginn Samplen (", false},
        // A step far shorter than the second a stall takes to be reported.
        {"output stalls", VirtualFault::OutputStall, "ERROR at Frequency Output (", true, 150},
        {"output gone", VirtualFault::OutputGone, "ERROR at Frequency Output (", true, 400},
        {"output write fails", VirtualFault::OutputWriteFails, "ERROR at Frequency Output (", true, 400},
    };
    VirtualCard& card = VirtualCard::instance();
    for (const FaultCase& c : cases) {
        modals.clear();
        setPlan({.from = 200, .to = 2000, .steps = 3, .settleMs = c.settleMs ? c.settleMs : c.midSweep ? 40 : 1});
        if (!c.midSweep)
            card.injectFault(c.fault, 0, 1);
        page->wobbelnBut->click();
        if (c.midSweep) {
            ASSERT_TRUE(QTest::qWaitFor([this] { return !points().empty(); }, 10000)) << c.name;
            card.injectFault(c.fault, 0, 1);
        }
        ASSERT_TRUE(QTest::qWaitFor([this] { return idle(); }, 20000)) << c.name;
        card.clearFaults();
        ASSERT_EQ(modals.questions().size(), 1u) << c.name;
        const modal::Question& q = modals.questions()[0];
        EXPECT_EQ(q.kind, modal::Kind::Error) << c.name;
        EXPECT_TRUE(q.text.startsWith(QString::fromLatin1(c.prefix))) << c.name << ": " << q.text.toStdString();
        EXPECT_EQ(q.helpContext, 17) << c.name;
        EXPECT_FALSE(IsPlaying()) << c.name;
        EXPECT_FALSE(card.outputPlaying()) << c.name;
        EXPECT_TRUE(page->wobbelnBut->isEnabled()) << c.name;
        EXPECT_TRUE(page->WobDialogBut->isEnabled()) << c.name;
        // The next START measures the whole plan.
        modals.clear();
        setPlan({.from = 200, .to = 2000, .steps = 3, .settleMs = 1});
        ASSERT_TRUE(sweep()) << c.name;
        EXPECT_EQ(points().size(), 4u) << c.name;
        EXPECT_TRUE(modals.questions().empty()) << c.name;
    }
}

TEST_F(SweepTest, AnotherLoopsBlockIsDroppedAndTheStepRecordedAgain)
{
    // In real time the other loop's block is still being recorded when the
    // sweep asks for its own; it reaches the sweep, which must not take it.
    VirtualCard::instance().setFastMode(false);
    useDut(QStringLiteral("gainr=-6"));
    bool otherCalled = false;
    setPlan({.from = 1000, .to = 2000, .steps = 1, .mode = 0});
    ASSERT_EQ(StartRecord(4410, 0, [&otherCalled] { otherCalled = true; }), 0);
    ASSERT_TRUE(sweep(20000));
    EXPECT_FALSE(otherCalled);
    const auto p = points();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_NEAR(p[0].v1, -6.0, 0.1);
    EXPECT_NEAR(p[1].v1, -6.0, 0.1);
    EXPECT_TRUE(modals.questions().empty());
}

TEST_F(SweepTest, TheAnalyzerTakingTheInputOverLeavesNoSweepWaiting)
{
    // In real time the sweep's block is still being recorded when the page
    // changes and the analyzer starts; the analyzer's request takes it.
    VirtualCard::instance().setFastMode(false);
    setPlan({.from = 100, .to = 1000, .steps = 3, .settleMs = 1});
    page->wobbelnBut->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return page->Engine().AwaitingBlock(); }, 5000));
    main->PageControl1->setCurrentIndex(0);
    main->AnalyzerPage->StartButtonClick();
    main->AnalyzerPage->StopButtonClick();
    QTest::qWait(800);
    EXPECT_FALSE(IsPlaying());
    VirtualCard::instance().setFastMode(true);
    main->PageControl1->setCurrentIndex(1);
    ASSERT_TRUE(sweep(20000));
    EXPECT_EQ(points().size(), 4u);
    EXPECT_TRUE(modals.questions().empty());
}

} // namespace
