// The device menus against ALSA itself, through a test configuration with
// two PCMs (KORVANTA_AUDIO=alsa, ALSA_CONFIG_PATH set by the test's
// environment).

#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "platform/audio/AudioBackend.h"
#include "app/ui/MainMenu.h"
#include "audio/Soundd3.h"
#include "app/ui/StatusLine.h"

#include <QAction>

using namespace korvanta;

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

namespace {
// An ALSA configuration of null PCMs named korvanta_<word>, described as
// "Test PCM <Word>", in the order given: the machine's device list.
QByteArray pcmConfig(const QStringList& words)
{
    QByteArray conf;
    for (const QString& w : words) {
        const QString caption = w.left(1).toUpper() + w.mid(1);
        conf += QStringLiteral("pcm.korvanta_%1 { type null hint { show on description \"Test PCM %2\" } }\n")
                    .arg(w, caption)
                    .toUtf8();
    }
    return conf;
}
} // namespace

TEST_F(MainWindowTest, ChosenDevicesAreFoundByNameWhenTheListChanges)
{
    // A fresh file name each time: alsa-lib reads its configuration again
    // when the path or the file's time changes.
    int generation = 0;
    auto machineHas = [&](const QStringList& words) {
        const QString file = QStringLiteral("asound%1.conf").arg(++generation);
        dir.write(file, pcmConfig(words));
        qputenv("ALSA_CONFIG_PATH", dir.file(file).toLocal8Bit());
    };
    const QByteArray original = qgetenv("ALSA_CONFIG_PATH");
    machineHas({"first", "second"});
    writeSettings("[MAIN]\nINDEV=1\nOUTDEV=0\n"); // a file of an earlier version: index only
    start();
    EXPECT_EQ(DeviceName('I', GetInDevice()), "Test PCM Second");
    closeMain();
    EXPECT_EQ(setting("MAIN", "INDEVNAME"), "korvanta_second");
    EXPECT_EQ(setting("MAIN", "OUTDEVNAME"), "korvanta_first");

    // A card added in front moves both devices down the list.
    machineHas({"added", "first", "second"});
    start();
    EXPECT_EQ(GetInDevice(), 2);
    EXPECT_EQ(GetOutDevice(), 1);
    EXPECT_TRUE(main->Menu->InDeviceItems[2]->isChecked());
    EXPECT_EQ(main->StatusLine->FullText(), "Test PCM Second / Test PCM First");

    // Unplugged and plugged while the program runs: the reset reads the list
    // again. The input is found where it is now; the output is gone, so the
    // first device takes its place.
    machineHas({"second", "third"});
    main->Menu->Reset1->trigger();
    TMainMenu& m = *main->Menu;
    EXPECT_EQ(main->InputDeviceCount(), 2);
    EXPECT_FALSE(m.InDeviceItems[2]->isVisible());
    EXPECT_EQ(m.OutDeviceItems[1]->text(), "Test PCM Third");
    EXPECT_EQ(GetInDevice(), 0);
    EXPECT_TRUE(m.InDeviceItems[0]->isChecked());
    EXPECT_FALSE(m.InDeviceItems[2]->isChecked());
    EXPECT_EQ(main->StatusLine->FullText(), "Test PCM Second / Test PCM Second");
    // How a caller names a device: by PCM, by product name, by index.
    EXPECT_EQ(FindDevice('O', "korvanta_third"), 1);
    EXPECT_EQ(FindDevice('O', "test pcm THIRD"), 1);
    EXPECT_EQ(FindDevice('O', "1"), 1);
    EXPECT_EQ(FindDevice('O', "2"), -1);
    EXPECT_EQ(FindDevice('O', "korvanta_first"), -1);
    closeMain();
    EXPECT_EQ(setting("MAIN", "OUTDEVNAME"), "korvanta_second");
    qputenv("ALSA_CONFIG_PATH", original);
}
