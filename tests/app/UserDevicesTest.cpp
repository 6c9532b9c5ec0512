// Devices as people own them, through the real main window on the virtual
// card: one that overruns now and then, one that takes 48 kHz only.

#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "platform/DeviceLog.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

using namespace korvanta;

namespace {
class UserDevices : public MainWindowTest {
protected:
    void TearDown() override
    {
        qunsetenv("KORVANTA_DUT");
        MainWindowTest::TearDown();
    }

    // START in single mode; true once the run has ended.
    bool singleRun()
    {
        TAnalyzerPage* page = main->AnalyzerPage;
        page->RunningGroup->setItemIndex(0);
        page->AverVal->setValue(1);
        page->StartButton->click();
        return QTest::qWaitFor([] { return !Analyzer().Running; }, 20000);
    }
};
} // namespace

TEST_F(UserDevices, OverrunsAreRecordedAgainAndTheThirdInARowEndsTheRun)
{
    writeSettings("[SDSOUND]\n");
    start();
    const struct {
        const char* dut;
        bool endsWithBox;
    } cases[] = {{"fault=overrun:2", false}, {"fault=overrun", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dut);
        qputenv("KORVANTA_DUT", c.dut);
        devlog::Clear();
        modals.clear();
        ASSERT_TRUE(singleRun()) << "never a hang";
        EXPECT_EQ(devlog::Lines().filter("block recorded again").size(), 2);
        EXPECT_TRUE(main->AnalyzerPage->StartButton->isEnabled());
        if (!c.endsWithBox) {
            EXPECT_TRUE(modals.questions().empty());
            continue;
        }
        ASSERT_EQ(modals.messageTexts().size(), 1);
        EXPECT_TRUE(modals.messageTexts().front().contains(SoundErrorText(WAVERR_DEVICE_OVERRUN)));
        EXPECT_EQ(devlog::Lines().filter("waveInBlock Error 908").size(), 1);
    }
}

// Bare ALSA devices often take 48 kHz only. A newcomer measures at once; a
// file that stores 44.1 kHz for the device gets a message that says what
// the device takes and where to choose it.
TEST_F(UserDevices, ADeviceThatTakes48kHzOnly)
{
    VirtualCard::instance().setFormatLimits({48000}, {});
    start();
    int in = 0, out = 0;
    GetSampleRates(in, out);
    EXPECT_EQ(in, 48000);
    EXPECT_EQ(out, 48000);
    EXPECT_EQ(main->AnalyzerPage->Lsf->text(), "48000 Hz");
    ASSERT_TRUE(singleRun());
    EXPECT_TRUE(modals.questions().empty());
    closeMain();
    EXPECT_EQ(setting("SDSOUND", DeviceKey(true, VirtualCard::inputName(), "sf").toLatin1()), "48000");

    writeSettings("[SDSOUND]\n" + DeviceKey(true, VirtualCard::inputName(), "sf").toUtf8() + "=44100\n");
    restart();
    ASSERT_TRUE(singleRun());
    ASSERT_EQ(modals.messageTexts().size(), 1);
    const QString text = modals.messageTexts().front();
    EXPECT_TRUE(text.contains("48000 Hz") && text.contains("Audio-In-Parameter")) << text.toStdString();
    EXPECT_EQ(devlog::Lines().filter("InFormatQuery Error").size(), 1);
}
