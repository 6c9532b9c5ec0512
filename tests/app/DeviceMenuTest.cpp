// The device menus against ALSA itself, through a test configuration with
// two PCMs (KORVANTA_AUDIO=alsa, ALSA_CONFIG_PATH set by the test's
// environment).

#include "AnalyzerPage.h"
#include "AppTestSupport.h"
#include "AudioBackend.h"
#include "MainMenu.h"
#include "Soundd3.h"
#include "StatusLine.h"

#include <QAction>

TEST_F(MainWindowTest, TwoAlsaDevicesGiveTwoVisibleItems)
{
    ASSERT_EQ(CurrentAudioBackend().name(), "ALSA");
    writeSettings("[MAIN]\nINDEV=1\nOUTDEV=7\n");
    start();
    EXPECT_EQ(main->InputDeviceCount(), 2);
    EXPECT_EQ(main->OutputDeviceCount(), 2);
    EXPECT_FALSE(main->windowTitle().contains("virtual"));
    TMainMenu& m = *main->Menu;
    for (QAction** items : {m.InDeviceItems, m.OutDeviceItems}) {
        EXPECT_TRUE(items[0]->isVisible());
        EXPECT_TRUE(items[1]->isVisible());
        EXPECT_FALSE(items[2]->isVisible());
        EXPECT_EQ(items[0]->text(), "Test PCM First");
        EXPECT_EQ(items[1]->text(), "Test PCM Second");
    }
    EXPECT_TRUE(m.InDeviceItems[1]->isChecked()) << "the stored input device";
    EXPECT_TRUE(m.OutDeviceItems[0]->isChecked()) << "an index beyond the devices selects the first";
    EXPECT_EQ(main->StatusLine->FullText(), "Test PCM Second / Test PCM First");

    m.OutDeviceItems[1]->trigger();
    EXPECT_EQ(GetOutDevice(), 1);
    EXPECT_FALSE(m.OutDeviceItems[0]->isChecked());
    EXPECT_EQ(main->StatusLine->FullText(), "Test PCM Second / Test PCM Second");
    m.InDeviceItems[0]->trigger();
    EXPECT_EQ(GetInDevice(), 0);
    EXPECT_EQ(main->AnalyzerPage->Ldb->text(), "16 Bit") << "a device choice shows the format";
    closeMain();
    EXPECT_EQ(setting("MAIN", "INDEV"), "0");
    EXPECT_EQ(setting("MAIN", "OUTDEV"), "1");
}
