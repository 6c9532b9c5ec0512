// The device test window on the tests' sound server, through ALSA's
// "default": a server killed mid-run ends the run with one device error box,
// the tone off, and no report to save. Skipped, with the reason, where the
// server cannot start.
#include "app/ui/DeviceTestMenu.h"
#include "audio/Soundd3.h"
#include "devicetest/ui/DeviceTestWindow.h"
#include "platform/DeviceLog.h"
#include "platform/audio/alsa/AlsaBackend.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/ServerSoundLayer.h"
#include "tests/support/SoundServer.h"

#include <QAction>
#include <QPushButton>
#include <QTableWidget>

using namespace korvanta;

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

constexpr int kRunWaitMs = 60000;

class KilledServerWindow : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SKIP_UNLESS_RUNNING(own_);
        OpenServerLoop(own_);
        writeSettings("[VOLUME]\nFGVOLUME=100\nFGINVOLUME=100\n[SDSOUND]\n");
        AlsaBackend::instance().rescan();
        start();
        UseServerDevices(kDefaultServerRate);
    }

    OwnSoundServer own_;
};

TEST_F(KilledServerWindow, AServerKilledMidRunEndsItWithTheErrorBoxAndNoReport)
{
    main->DeviceTestMenu->DeviceTest1->trigger();
    TDeviceTestWindow* window = Forms().DeviceTest;
    ASSERT_TRUE(window && window->isVisible());
    bool killed = false;
    QObject::connect(window->Engine(), &DeviceTestEngine::stepDone, window, [&] {
        if (!killed)
            own_.kill();
        killed = true;
    });
    window->StartButton->click();
    ASSERT_TRUE(window->Engine()->Running()) << devlog::Lines().join('\n').toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Engine()->Running(); }, kRunWaitMs));
    QApplication::processEvents();
    ASSERT_TRUE(killed) << "the run ended before its first step was in";
    const QStringList boxes = modals.messageTexts();
    ASSERT_EQ(boxes.size(), 1) << boxes.join("\n----\n").toStdString();
    EXPECT_TRUE(boxes.first().contains(QStringLiteral("\n\n"))) << "the cause and what to do follow the text";
    EXPECT_FALSE(window->Result().complete);
    EXPECT_FALSE(window->Engine()->TonePlaying());
    EXPECT_FALSE(window->SaveButton->isEnabled());
    EXPECT_TRUE(window->StartButton->isEnabled());
}

} // namespace
