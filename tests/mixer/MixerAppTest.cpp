// The mixer from the main window, end to end on the virtual card in fast
// mode: the channel menu, "Mixer Support", the level bars and what they do
// to a measured signal, changes made from outside, the settings, and the
// user's mixer given back on every way out.

#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "platform/DeviceLog.h"
#include "diagram/ui/Diagr3.h"
#include "generator/ui/GeneratorPage.h"
#include "measure/LevelUnits.h"
#include "app/ui/MainMenu.h"
#include "app/ui/MixerMenu.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "app/UnixSignals.h"
#include "generator/ui/Wavegene.h"
#include "generator/GeneratorSection.h"
#include "platform/mixer/VirtualMixer.h"
#include "mixer/ui/mixu.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <cmath>
#include <csignal>

using namespace korvanta;

namespace {
constexpr int kRate = 44100;
constexpr int kBin = 372;  // of 16384 points: about 1001 Hz, on a bin

class MixerApp : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        vm().reset();
    }
    void TearDown() override
    {
        StopPlay();
        MainWindowTest::TearDown();
        vm().reset();
    }

    static VirtualMixer& vm() { return VirtualMixer::instance(); }
    static const VirtualMixer::Ids& ids() { return vm().ids(); }
    static int32_t value(uint32_t id) { return vm().tree().control(id)->values[0]; }
    static std::vector<int32_t> values(uint32_t id) { return vm().tree().control(id)->values; }
    static std::vector<int32_t> sourceVolumes()
    {
        std::vector<int32_t> v;
        for (uint32_t id : ids().sourceVolume)
            v.push_back(value(id));
        return v;
    }

    // Starts the program and waits for its first activation.
    void startActive()
    {
        start();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([] { return Forms().Mixu && bool(Forms().Mixu->InSelMixChange); }, 5000));
        QApplication::processEvents();
    }

    TMixerMenu& mixerMenu() { return *main->MixerMenu; }
    QAction* item(int i) { return main->Menu->MixItems[i]; }

    // One single analyzer run with a flat-top window at 16384 points; the
    // highest level near the test bin on the right channel.
    float measure()
    {
        TAnalyzerPage* page = main->AnalyzerPage;
        page->FFTpointsgroup->setItemIndex(3);
        page->FFTwinGroup->setItemIndex(5);
        page->RunningGroup->setItemIndex(0);
        page->AverVal->setValue(1);
        page->StartButton->click();
        if (!QTest::qWaitFor([] { return !Analyzer().Running; }, 20000))
            return NAN;
        float peak = -1000;
        for (int i = kBin - 5; i <= kBin + 5; ++i)
            peak = std::max(peak, Forms().Diagramm->Points().curve2()[i]);
        return peak;
    }

    void prepareInput()
    {
        SetSampleRates(kRate, kRate);
        SetBits(16, 16);
        SetAutoDC(false);
    }

    static double expectedDrop(double ratio) { return GetLevelParameters(Analyzer()).factor * std::log(ratio); }
};
} // namespace

TEST_F(MixerApp, FreshSettingsChooseTheLineSourceAndShowIt)
{
    startActive();
    const QStringList captions = {"Microphone", "Line In", "CD", "Stereo Mix"};
    for (int i = 0; i < kWaveInChannelItems; ++i) {
        EXPECT_EQ(item(i)->isVisible(), i < 4) << i;
        if (i < 4) {
            EXPECT_EQ(item(i)->text(), captions[i]);
        }
        EXPECT_EQ(item(i)->isChecked(), i == 1) << i;
    }
    EXPECT_EQ(main->Settings().AudioInChannel, VirtualMixer::kLineInSource);
    EXPECT_EQ(values(ids().recordingSource), (std::vector<int32_t>{0, 1, 0, 0}));
    EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{0, 65535, 0, 0}));
    EXPECT_EQ(value(ids().masterVolume), 13107) << "FGVOLUME 20 % on the master";
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Eingang: Line In ");
    EXPECT_EQ(main->GeneratorPage->Wobinptxt->text(), " Line In ");
    EXPECT_EQ(main->Menu->MixerSupport1->text(), "Mixer Support ON");
    EXPECT_TRUE(main->Menu->WaveInChannel1->isEnabled());
    EXPECT_EQ(main->AnalyzerPage->ScrollBar3->value(), 100);
    EXPECT_EQ(main->GeneratorPage->ScrollBar1->value(), 0);
    EXPECT_EQ(main->GeneratorPage->ScrollBar2->value(), 80);
    EXPECT_EQ(main->GeneratorPage->Label8->text(), "20%");
    EXPECT_TRUE(main->AnalyzerPage->ScrollBar3->isEnabled());
    EXPECT_TRUE(main->GeneratorPage->ScrollBar2->isEnabled());
}

TEST_F(MixerApp, ChoosingAnItemGivesItTheLevelAndSilencesTheOthers)
{
    writeSettings("[VOLUME]\nFGINVOLUME=40\n");
    startActive();
    const int32_t level = 40 * 65535 / 100;
    for (int chosen : {0, 2, 1, 3}) {
        item(chosen)->trigger();
        QApplication::processEvents();
        std::vector<int32_t> expected(4, 0);
        expected[chosen] = level;
        EXPECT_EQ(sourceVolumes(), expected) << chosen;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(item(i)->isChecked(), i == chosen) << chosen << " " << i;
        EXPECT_EQ(main->Settings().AudioInChannel, chosen);
    }
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Eingang: Stereo Mix ");
}

TEST_F(MixerApp, InputBarAtHalfWritesHalfAndTheReadingDropsByIt)
{
    startActive();
    prepareInput();
    DutConfig dut;
    dut.ext = ExternalKind::Sine;
    dut.extFreq = double(kBin) * kRate / 16384;
    dut.extLevelDb = -6;
    VirtualCard::instance().setDut(dut);
    const float full = measure();
    main->AnalyzerPage->ScrollBar3->setValue(50);
    QApplication::processEvents();
    EXPECT_EQ(value(ids().sourceVolume[1]), 32767);
    EXPECT_EQ(main->GeneratorPage->ScrollBar1->value(), 50);
    EXPECT_EQ(main->GeneratorPage->Label1->text(), "50%");
    EXPECT_EQ(main->AnalyzerPage->Label3->text(), "50%");
    EXPECT_EQ(main->Settings().FgInVolume, 50);
    const float half = measure();
    EXPECT_NEAR(half - full, expectedDrop(32767.0 / 65535.0), 0.05);
    // The sweep page's bar is the same level.
    main->GeneratorPage->ScrollBar1->setValue(100 - 30);
    EXPECT_EQ(main->AnalyzerPage->ScrollBar3->value(), 30);
    EXPECT_EQ(value(ids().sourceVolume[1]), 30 * 65535 / 100);
}

TEST_F(MixerApp, MasterAtTwentyPercentLowersTheGeneratorSine)
{
    writeSettings("[VOLUME]\nFGVOLUME=100\n");
    startActive();
    prepareInput();
    VirtualCard::instance().setDut(DutConfig{});  // no external source
    EXPECT_EQ(value(ids().masterVolume), 65535);
    GeneratorSettings tone;
    tone.levelLeft = tone.levelRight = -6;
    const float f = float(double(kBin) * kRate / 16384);
    ASSERT_EQ(StartPlay(tone, -1, f), 0);
    const float full = measure();
    main->GeneratorPage->ScrollBar2->setValue(80);
    QApplication::processEvents();
    EXPECT_EQ(value(ids().masterVolume), 13107);
    EXPECT_EQ(main->GeneratorPage->Label8->text(), "20%");
    const float low = measure();
    StopPlay();
    EXPECT_NEAR(low - full, expectedDrop(13107.0 / 65535.0), 0.05);
}

TEST_F(MixerApp, GeneratorAnaSliderAndTheSweepOutBarAreTwins)
{
    startActive();
    TWavegen* gen = Forms().Wavegen;
    ASSERT_TRUE(gen);
    EXPECT_TRUE(gen->ScrollBar2->isEnabled());
    EXPECT_EQ(gen->ScrollBar2->value(), 80);
    EXPECT_EQ(gen->Label3->text(), "20%");
    EXPECT_EQ(gen->Label3->Beside()->text(), "-14.0dB"); // 20·log10(0.20)
    gen->ScrollBar2->setValue(100 - 45);
    EXPECT_EQ(value(ids().masterVolume), 45 * 65535 / 100);
    EXPECT_EQ(main->GeneratorPage->ScrollBar2->value(), 55);
    EXPECT_EQ(main->GeneratorPage->Label8->text(), "45%");
    EXPECT_EQ(Generator().analogLevel, 45);
    main->GeneratorPage->ScrollBar2->setValue(100 - 70);
    EXPECT_EQ(gen->ScrollBar2->value(), 30);
    EXPECT_EQ(gen->Label3->text(), "70%");
    EXPECT_EQ(gen->Label3->Beside()->text(), "-3.1dB"); // 20·log10(0.70)
    main->Menu->MixerSupport1->trigger();
    EXPECT_FALSE(gen->ScrollBar2->isEnabled());
    EXPECT_FALSE(gen->Label3->isEnabled());
    EXPECT_FALSE(gen->Label3->Beside()->isEnabled());
}

TEST_F(MixerApp, SupportOffGreysTheLevelsAndGivesTheMixerBack)
{
    startActive();
    main->Menu->MixerSupport1->trigger();
    EXPECT_EQ(main->Menu->MixerSupport1->text(), "Mixer Support OFF");
    for (QWidget* w : {static_cast<QWidget*>(main->AnalyzerPage->ScrollBar3),
                       static_cast<QWidget*>(main->AnalyzerPage->Label3),
                       static_cast<QWidget*>(main->GeneratorPage->ScrollBar1),
                       static_cast<QWidget*>(main->GeneratorPage->Label1),
                       static_cast<QWidget*>(main->GeneratorPage->ScrollBar2),
                       static_cast<QWidget*>(main->GeneratorPage->Label8)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(main->Menu->WaveInChannel1->isEnabled());
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Eingang: über den System-Mixer ");
    EXPECT_EQ(main->GeneratorPage->Wobinptxt->text(), " über den System-Mixer ");
    // As a fresh virtual mixer: nothing left muted or silenced.
    EXPECT_EQ(value(ids().masterVolume), 65535);
    EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{65535, 65535, 65535, 65535}));
    main->AnalyzerPage->ScrollBar3->setValue(10);  // a bar moved by a script does nothing now
    EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{65535, 65535, 65535, 65535}));

    main->Menu->MixerSupport1->trigger();
    EXPECT_EQ(main->Menu->MixerSupport1->text(), "Mixer Support ON");
    EXPECT_TRUE(main->AnalyzerPage->ScrollBar3->isEnabled());
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Eingang: Line In ");
    main->Menu->MixerSupport1->trigger();
    closeMain();
    EXPECT_EQ(setting("MIX", "MIXON"), "0");
    restart();
    main->activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(main->Menu->MixerSupport1->text(), "Mixer Support OFF");
    EXPECT_FALSE(main->GeneratorPage->ScrollBar2->isEnabled());
    EXPECT_EQ(value(ids().masterVolume), 65535) << "with support off the mixer is not touched";
}

TEST_F(MixerApp, ChangesFromOutsideMoveTheMenuTheLevelAndTheCalibrationStatus)
{
    writeSettings("[VOLUME]\nFGINVOLUME=80\n[EICH]\nInLev4Cal=80\n[FFT]\nDBMODE=1\n");
    startActive();
    QLabel* status = main->AnalyzerPage->Label15;
    EXPECT_EQ(status->text(), "Pegel kalibriert");
    // A desktop mixer selects "CD".
    vm().changeFromOutside(ids().recordingSource, {0, 0, 1, 0});
    QApplication::processEvents();
    EXPECT_TRUE(item(2)->isChecked());
    EXPECT_FALSE(item(1)->isChecked());
    EXPECT_EQ(main->Settings().AudioInChannel, 2);
    EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{0, 0, 80 * 65535 / 100, 0})) << "the level moved along";
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Eingang: CD ");
    // ... and turns its level down.
    vm().changeFromOutside(ids().sourceVolume[2], {32767});
    QApplication::processEvents();
    EXPECT_EQ(main->Settings().FgInVolume, 50);
    EXPECT_EQ(main->AnalyzerPage->ScrollBar3->value(), 50);
    EXPECT_EQ(main->GeneratorPage->Label1->text(), "50%");
    EXPECT_EQ(status->text(), "Pegel unkalibriert");
    vm().changeFromOutside(ids().sourceVolume[2], {52428});
    QApplication::processEvents();
    EXPECT_EQ(status->text(), "Pegel kalibriert");
    // A change of a source the program does not watch is not taken.
    vm().changeFromOutside(ids().sourceVolume[0], {100});
    QApplication::processEvents();
    EXPECT_EQ(main->Settings().FgInVolume, 80);
    // The master, from outside.
    vm().changeFromOutside(ids().masterVolume, {6554});
    QApplication::processEvents();
    EXPECT_EQ(main->GeneratorPage->Label8->text(), "10%");
    EXPECT_EQ(main->GeneratorPage->ScrollBar2->value(), 90);
}

// The give-back never overrides the user: a level set in a desktop mixer
// after the program's last change stays when support goes off and at exit,
// also when an activation has written that same level again since.
TEST_F(MixerApp, ALevelTheUserSetElsewhereStaysAtSupportOffAndAtExit)
{
    for (bool supportOff : {true, false}) {
        writeSettings("[VOLUME]\nFGVOLUME=20\n");
        startActive();
        ASSERT_EQ(value(ids().masterVolume), 13107);
        vm().changeFromOutside(ids().masterVolume, {52428});
        QApplication::processEvents();
        ASSERT_EQ(main->Settings().FgVolume, 80);
        mixerMenu().FormActivate();
        ASSERT_EQ(value(ids().masterVolume), 52428);
        if (supportOff)
            main->Menu->MixerSupport1->trigger();
        closeMain();
        EXPECT_EQ(value(ids().masterVolume), 52428) << supportOff;
        EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{65535, 65535, 65535, 65535}))
            << "what the program alone changed goes back";
        vm().reset();
        ResetProcessState();
    }
}

// A stored source the mixer lacks: the line source stands in, the caption
// and the level follow it, and the stored choice outlives the run.
TEST_F(MixerApp, AStoredSourceTheMixerLacksIsStoodInForAndKept)
{
    writeSettings("[VOLUME]\nAUDIOINCHANNEL=7\nFGINVOLUME=40\n");
    startActive();
    EXPECT_TRUE(item(VirtualMixer::kLineInSource)->isChecked());
    EXPECT_EQ(values(ids().recordingSource), (std::vector<int32_t>{0, 1, 0, 0}));
    EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{0, 40 * 65535 / 100, 0, 0}));
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Eingang: Line In ");
    EXPECT_TRUE(devlog::Lines().join('\n').contains("recording source 7 is not on this mixer"));
    main->AnalyzerPage->ScrollBar3->setValue(30);
    EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{0, 30 * 65535 / 100, 0, 0}));
    closeMain();
    EXPECT_EQ(setting("VOLUME", "AUDIOINCHANNEL"), "7");
}

TEST_F(MixerApp, LevelsAndChannelSurviveARestartInBothLanguages)
{
    startActive();
    item(3)->trigger();
    main->AnalyzerPage->ScrollBar3->setValue(64);
    main->GeneratorPage->ScrollBar2->setValue(100 - 35);
    main->deutschEnglish1Click();
    EXPECT_EQ(main->Menu->MixerSupport1->text(), "Mixer Support ON") << "not a language caption";
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Input: Stereo Mix ");
    closeMain();
    EXPECT_EQ(setting("VOLUME", "FGINVOLUME"), "64");
    EXPECT_EQ(setting("VOLUME", "FGVOLUME"), "35");
    EXPECT_EQ(setting("VOLUME", "AUDIOINCHANNEL"), "3");
    EXPECT_EQ(setting("MIX", "MIXON"), "1");
    ResetProcessState();
    startActive();
    EXPECT_TRUE(item(3)->isChecked());
    EXPECT_EQ(main->AnalyzerPage->ScrollBar3->value(), 64);
    EXPECT_EQ(main->GeneratorPage->Label8->text(), "35%");
    EXPECT_EQ(value(ids().masterVolume), 35 * 65535 / 100);
    EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{0, 0, 0, 64 * 65535 / 100}));
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Input: Stereo Mix ");
}

TEST_F(MixerApp, EveryWayOutGivesTheMixerBack)
{
    const std::vector<int32_t> fresh = {65535, 65535, 65535, 65535};
    for (bool bySignal : {false, true}) {
        TUnixSignals signalHandling;
        startActive();
        QObject::connect(&signalHandling, &TUnixSignals::terminationRequested, main, &QWidget::close);
        item(0)->trigger();
        main->AnalyzerPage->ScrollBar3->setValue(5);
        ASSERT_NE(value(ids().masterVolume), 65535);
        ASSERT_NE(value(ids().waveOutVolume), 0);
        if (bySignal) {
            bool closed = false;
            QObject::connect(main, &TMainForm::closed, [&closed] { closed = true; });
            ::raise(SIGTERM);
            ASSERT_TRUE(QTest::qWaitFor([&closed] { return closed; }, 3000));
        }
        closeMain();
        EXPECT_EQ(value(ids().masterVolume), 65535) << bySignal;
        EXPECT_EQ(sourceVolumes(), fresh) << bySignal;
        EXPECT_EQ(values(ids().recordingSource), (std::vector<int32_t>{0, 1, 0, 0})) << bySignal;
        ResetProcessState();
    }
}
