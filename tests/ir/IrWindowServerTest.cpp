// The impulse response window on the tests' sound server, through ALSA's
// "default": a server killed mid-sweep ends the run with one device error
// box, and no curve. Skipped, with the reason, where the
// server cannot start.
#include "app/ui/IrMenu.h"
#include "audio/Soundd3.h"
#include "diagram/ui/Diagr3.h"
#include "ir/ui/IrWindow.h"
#include "platform/DeviceLog.h"
#include "platform/audio/alsa/AlsaBackend.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/ServerSoundLayer.h"
#include "tests/support/SoundServer.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTimer>

using namespace korvanta;

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

constexpr int kRunWaitMs = 60000;
// Into the sweep, well before its end: the sweep lasts five seconds.
constexpr int kKillAfterMs = 500;

class KilledServerIr : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SKIP_UNLESS_RUNNING(own_);
        OpenServerLoop(own_);
        writeSettings("[VOLUME]\nFGVOLUME=100\nFGINVOLUME=100\n[SDSOUND]\n[IMPULSANTWORT]\nSECONDS=5\n");
        AlsaBackend::instance().rescan();
        start();
        UseServerDevices(kDefaultServerRate);
    }

    OwnSoundServer own_;
};

TEST_F(KilledServerIr, AServerKilledMidSweepEndsItWithTheErrorBoxAndNoCurve)
{
    main->IrMenu->ImpulseResponse1->trigger();
    TIrWindow* window = Forms().ImpulseResponse;
    ASSERT_TRUE(window && window->isVisible());
    bool killed = false;
    QObject::connect(window->Engine(), &IrEngine::started, window, [&] {
        QTimer::singleShot(kKillAfterMs, window, [&] {
            if (window->Engine()->Running())
                own_.kill();
            killed = true;
        });
    });
    window->StartButton->click();
    ASSERT_TRUE(window->Engine()->Running()) << devlog::Lines().join('\n').toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Engine()->Running(); }, kRunWaitMs));
    QApplication::processEvents();
    ASSERT_TRUE(killed) << "the run ended before the server could be killed";
    const QStringList boxes = modals.messageTexts();
    ASSERT_EQ(boxes.size(), 1) << boxes.join("\n----\n").toStdString();
    EXPECT_TRUE(boxes.first().contains(QStringLiteral("\n\n"))) << "the cause and what to do follow the text";
    EXPECT_FALSE(window->Measurement().ok());
    const DiaPointStore& drawn = window->Diagram->Points();
    for (int i = 0; i < drawn.count(); ++i)
        EXPECT_EQ(drawn.x()[i], 0.0f) << "no curve";
    EXPECT_TRUE(window->StartButton->isEnabled());
}

} // namespace
