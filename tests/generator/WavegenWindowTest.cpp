// The generator window inside the running program: its controls, start and
// stop, errors, settings, languages and docking over the main window.
#include "app/ui/ProgramRecords.h"
#include "audio/DeviceAdvice.h"
#include "tests/app/AppTestSupport.h"
#include "correction/CorrectionFile.h"
#include "diagram/ui/Diagr3.h"
#include "generator/ui/GeneratorPage.h"
#include "measure/ui/AnalyzerPage.h"
#include "generator/GeneratorSection.h"
#include "app/ui/HelpBrowser.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "diagram/ui/SpinButton.h"
#include "generator/ui/Wavegene.h"
#include "tests/generator/SweepDriver.h"
#include "audio/ui/iodia.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>

using namespace korvanta;

namespace {

const QColor kDarkRed(128, 0, 0);

class Wavegen : public MainWindowTest {
protected:
    TWavegen* open(const QByteArray& settings = "[MAIN]\nPAGE=1\n")
    {
        writeSettings(settings);
        start();
        gen = Forms().Wavegen;
        return gen;
    }

    QColor panelColour() const { return gen->Panel1->palette().color(QPalette::Window); }
    QColor displayBack() const { return gen->GfreqText->palette().color(QPalette::Base); }
    QColor displayText() const { return gen->GfreqText->palette().color(QPalette::Text); }
    bool channelControlsEnabled() const
    {
        return gen->ScrollBar4->isEnabled() && gen->ScrollBar1->isEnabled() && gen->phL->isEnabled()
               && gen->phR->isEnabled();
    }
    void typeFrequency(const QString& text)
    {
        gen->GfreqText->clear();
        QTest::keyClicks(gen->GfreqText, text);
    }

    TWavegen* gen = nullptr;
};

TEST_F(Wavegen, CreationShowsTheStoredSettings)
{
    open("[MAIN]\nPAGE=1\n[GEN]\nFGEN=440.50\nPHASEL=-30\nPHASER=90\nVOLL=-12\nVOLR=-100\nMODE=1\n"
         "UFNAME=/x/y.wav\nBELOOP=1\n");
    ASSERT_TRUE(gen);
    EXPECT_EQ(gen->windowTitle(), "Generator");
    EXPECT_EQ(gen->GfreqText->text(), "440.50Hz");
    EXPECT_EQ(gen->ScrollBar4->value(), 12);
    EXPECT_EQ(gen->Label4->text(), "-12dB");
    EXPECT_EQ(gen->ScrollBar1->value(), 100);
    EXPECT_EQ(gen->Label6->text(), "OFF");
    EXPECT_EQ(gen->phL->text(), "-30");
    EXPECT_EQ(gen->phR->text(), "90");
    EXPECT_EQ(gen->RadioGroup1->itemIndex(), 1);
    EXPECT_EQ(Generator().userFileName, "/x/y.wav");
    EXPECT_EQ(panelColour(), QColor(Qt::black));
    EXPECT_EQ(displayText(), QColor(Qt::white));
    EXPECT_FALSE(IsPlaying()) << "creating the window plays nothing";
    EXPECT_EQ(&gen->Settings(), &Generator());
    // The analog level is the mixer's master: the virtual card's mixer
    // drives it, at the stored output level (20 % without one).
    EXPECT_TRUE(gen->ScrollBar2->isEnabled());
    EXPECT_EQ(gen->Label3->text(), "20%");
    EXPECT_EQ(gen->ScrollBar2->value(), 80);
}

// The forms, "User" and its row in the output dialog read alike in both
// languages, as the manual and the missing-file warning quote them.
TEST_F(Wavegen, TheFormsAndUserReadAlikeInBothLanguages)
{
    open();
    for (const char letter : {'E', 'D'}) {
        main->SetLanguage(letter);
        EXPECT_EQ(gen->RadioGroup1->items(), QStringList({"Sin", "Sqr", "white", "pink", "User"})) << letter;
        EXPECT_EQ(gen->UserBut->text(), "User") << letter;
        const auto rows = Forms().IOdialog->findChildren<QLabel*>();
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const QLabel* l) { return l->text() == "User"; }));
    }
}

// The loop precision is the playback engine's after every restart, also
// one that starts nothing: a sweep's tones built loops since.
TEST_F(Wavegen, TheLoopPrecisionIsShownAfterEveryRestart)
{
    open();
    SetSampleRates(44100, 44100);
    gen->SetFrequency(997.25f);   // its best loop is 1/1000 frame off
    gen->Gstart->click();
    const QString generators = gen->PrecOut->text();
    EXPECT_EQ(generators, QString::number(PlayPrecision()));
    gen->Gstop->click();
    SetSweepPlan(main->GeneratorPage, Forms().Wobbeldlg, {.from = 100, .to = 1000, .steps = 1});
    ASSERT_TRUE(RunSweep(main->GeneratorPage));
    ASSERT_NE(QString::number(PlayPrecision()), generators) << "the sweep's last tone must fit its loop otherwise";
    gen->phL->setText("5");
    EXPECT_EQ(gen->PrecOut->text(), QString::number(PlayPrecision()));
}

TEST_F(Wavegen, SettingsRoundTripThroughTheControls)
{
    open();
    gen->ScrollBar4->setValue(20);
    gen->ScrollBar1->setValue(100);
    gen->phL->setText("45");
    gen->phR->setText("-90");
    gen->RadioGroup1->setItemIndex(3);
    typeFrequency("2500.25");
    closeMain();
    EXPECT_EQ(setting("GEN", "FGEN"), "2500.25");
    EXPECT_EQ(setting("GEN", "VOLL"), "-20");
    EXPECT_EQ(setting("GEN", "VOLR"), "-100");
    EXPECT_EQ(setting("GEN", "PHASEL"), "45");
    EXPECT_EQ(setting("GEN", "PHASER"), "-90");
    EXPECT_EQ(setting("GEN", "MODE"), "3");
    EXPECT_EQ(setting("GEN", "BELOOP"), "1");

    ResetProcessState();
    start();
    gen = Forms().Wavegen;
    EXPECT_EQ(gen->ScrollBar4->value(), 20);
    EXPECT_EQ(gen->RadioGroup1->itemIndex(), 3);
    EXPECT_EQ(gen->GfreqText->text(), "Noise");
    EXPECT_EQ(displayText(), QColor(255, 0, 255)) << "pink noise shows in magenta";
    EXPECT_FLOAT_EQ(gen->GetFrequency(), 2500.25f);
}

TEST_F(Wavegen, SpinButtonsStepWithinTheirLimits)
{
    open();
    const struct {
        float from;
        TSpinButton* TWavegen::*spin;
        bool up;
        float to;
    } cases[] = {
        {100.0f, &TWavegen::GrobSpin, false, 100.0f},   {1000.0f, &TWavegen::GrobSpin, false, 900.0f},
        {47950.5f, &TWavegen::GrobSpin, true, 47950.5f}, {1000.0f, &TWavegen::GrobSpin, true, 1100.0f},
        {1.0f, &TWavegen::FeinSpin, false, 1.0f},        {48000.0f, &TWavegen::FeinSpin, true, 48000.0f},
        {440.0f, &TWavegen::FeinSpin, true, 441.0f},
    };
    for (const auto& c : cases) {
        gen->SetFrequency(c.from);
        TSpinButton* spin = gen->*c.spin;
        (c.up ? spin->upButton() : spin->downButton())->click();
        EXPECT_FLOAT_EQ(gen->GetFrequency(), c.to) << c.from;
        EXPECT_EQ(gen->GfreqText->text(), QString::number(double(c.to), 'f', 2) + "Hz");
    }
    EXPECT_FALSE(IsPlaying()) << "a control change while stopped starts nothing";
}

TEST_F(Wavegen, TypedFrequencyIsTakenWithoutDisturbingTheTyping)
{
    open();
    typeFrequency("440Hz");
    EXPECT_FLOAT_EQ(gen->GetFrequency(), 440.0f);
    EXPECT_EQ(gen->GfreqText->text(), "440Hz") << "the display is not rewritten while typing";
    typeFrequency("0.5");
    EXPECT_FLOAT_EQ(gen->GetFrequency(), 440.0f) << "below 1 Hz is ignored";
    // Pasted at once (typed, its prefix 6000 would be taken on the way).
    gen->GfreqText->setText("60000");
    emit gen->GfreqText->textEdited("60000");
    EXPECT_FLOAT_EQ(gen->GetFrequency(), 440.0f) << "above 48000 Hz is ignored";
    emit gen->GfreqText->editingFinished();
    EXPECT_EQ(gen->GfreqText->text(), "440.00Hz") << "leaving the field shows the frequency taken";
}

// Leaving the frequency field (a page change, a click elsewhere) while its
// frequency plays must not restart the tone: the gap would land in whatever
// is being measured at that moment. A typed frequency restarts it at once.
TEST_F(Wavegen, LeavingTheFrequencyFieldKeepsThePlayingToneWhole)
{
    open();
    gen->SetFrequency(1000.0f);
    gen->Gstart->click();
    ASSERT_TRUE(IsPlaying());
    const uint64_t session = VirtualCard::instance().played().state().session;
    emit gen->GfreqText->editingFinished();
    EXPECT_EQ(VirtualCard::instance().played().state().session, session) << "no new output stream";
    EXPECT_EQ(gen->GfreqText->text(), "1000.00Hz");
    typeFrequency("440");
    EXPECT_GT(VirtualCard::instance().played().state().session, session) << "a new frequency plays at once";
    const uint64_t typed = VirtualCard::instance().played().state().session;
    emit gen->GfreqText->editingFinished();
    EXPECT_EQ(VirtualCard::instance().played().state().session, typed);
    EXPECT_EQ(gen->GfreqText->text(), "440.00Hz");
    EXPECT_TRUE(IsPlaying());
}

// "Loop Tongenerierung" unchecked once (BELOOP=0) must not freeze a playing
// tone: every start sets the loop flag again, so each later change of
// frequency, level, phase or form restarts the tone with it.
TEST_F(Wavegen, ChangesWhilePlayingArePlayedAfterTheLoopFlagWasCleared)
{
    open("[MAIN]\nPAGE=1\n[GEN]\nBELOOP=0\n");
    ASSERT_FALSE(Generator().loopMode);
    gen->Gstart->click();
    ASSERT_TRUE(IsPlaying());
    EXPECT_TRUE(Generator().loopMode) << "a playback start sets the flag in the generator's record";
    const std::function<void()> changes[] = {
        [&] { gen->FeinSpin->upButton()->click(); },
        [&] { gen->ScrollBar4->setValue(gen->ScrollBar4->value() + 3); },
        [&] { gen->phR->setText("45"); },
        [&] { gen->RadioGroup1->setItemIndex(1); },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        const uint64_t session = VirtualCard::instance().played().state().session;
        changes[i]();
        EXPECT_GT(VirtualCard::instance().played().state().session, session) << "change " << i << " is played";
        EXPECT_TRUE(IsPlaying());
    }
    gen->Gstop->click();
}

TEST_F(Wavegen, StartShowsTheRunningLookAndStopTheStoppedOne)
{
    open();
    gen->Gstart->click();
    EXPECT_TRUE(IsPlaying());
    EXPECT_TRUE(gen->RunningLook());
    EXPECT_EQ(panelColour(), kDarkRed);
    EXPECT_EQ(displayBack(), kDarkRed);
    EXPECT_FALSE(gen->WOoptBut->isEnabled());
    // A second Start while playing changes nothing.
    gen->Gstart->click();
    EXPECT_TRUE(IsPlaying());

    // A level change while playing restarts the tone with the new level.
    gen->ScrollBar4->setValue(6);
    EXPECT_TRUE(IsPlaying());
    EXPECT_EQ(Generator().levelLeft, -6);

    gen->Gstop->click();
    EXPECT_FALSE(IsPlaying());
    EXPECT_FALSE(gen->RunningLook());
    EXPECT_EQ(panelColour(), QColor(Qt::black));
    EXPECT_EQ(displayBack(), QColor(Qt::black));
    EXPECT_TRUE(gen->WOoptBut->isEnabled());
    EXPECT_TRUE(channelControlsEnabled());
    EXPECT_TRUE(modals.questions().empty());

    gen->SetFrequency(0.0f);
    gen->Gstart->click();
    EXPECT_FALSE(IsPlaying()) << "a frequency of 0 starts nothing";
}

TEST_F(Wavegen, StartErrorShowsTheBoxInTheCurrentLanguageAndTheNextStartWorks)
{
    open();
    for (const char letter : {'D', 'E'}) {
        if (letter == 'E')
            main->deutschEnglish1Click();
        modals.clear();
        VirtualCard::instance().injectFault(VirtualFault::OutputOpenFails, 4, 1);
        gen->Gstart->click();
        ASSERT_EQ(modals.questions().size(), 1u);
        const modal::Question& q = modals.questions().front();
        EXPECT_EQ(q.kind, modal::Kind::Error);
        EXPECT_EQ(q.buttons, modal::Ok);
        const QString prefix = letter == 'D' ? "Fehler bei Frequenzausgabe (" : "Error in frequency output (";
        EXPECT_EQ(q.text, WithDeviceAdvice(prefix + SoundErrorText(4) + " )", 4, letter));
        EXPECT_FALSE(gen->RunningLook());
        EXPECT_TRUE(gen->WOoptBut->isEnabled());
        EXPECT_FALSE(IsPlaying());

        gen->Gstart->click();
        EXPECT_TRUE(IsPlaying()) << "the next start works";
        EXPECT_TRUE(gen->RunningLook());
        gen->Gstop->click();
    }
}

TEST_F(Wavegen, AnOutputFailingWhilePlayingEndsWithTheErrorBoxAndTheNextStartWorks)
{
    open();
    const struct {
        VirtualFault fault;
        const char* name;
    } cases[] = {{VirtualFault::OutputStall, "stall"},
                 {VirtualFault::OutputGone, "device gone"},
                 {VirtualFault::OutputWriteFails, "write error"}};
    for (const auto& c : cases) {
        modals.clear();
        VirtualCard::instance().injectFault(c.fault, 0, 1);
        gen->Gstart->click();
        ASSERT_TRUE(gen->RunningLook()) << c.name;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !modals.questions().empty(); }, 10000)) << c.name;
        const modal::Question& q = modals.questions().front();
        EXPECT_EQ(q.kind, modal::Kind::Error) << c.name;
        EXPECT_TRUE(q.text.startsWith("Fehler bei Frequenzausgabe (")) << q.text.toStdString();
        EXPECT_TRUE(q.text.section(QStringLiteral("\n\n"), 0, 0).endsWith(" )")) << q.text.toStdString();
        EXPECT_GT(q.text.size(), QString("Fehler bei Frequenzausgabe ( )").size()) << "the device says why";
        EXPECT_FALSE(IsPlaying()) << c.name;
        EXPECT_FALSE(gen->RunningLook()) << c.name;
        EXPECT_TRUE(gen->WOoptBut->isEnabled()) << c.name;

        gen->Gstart->click();
        EXPECT_TRUE(IsPlaying()) << c.name << ": the next start works";
        EXPECT_TRUE(gen->RunningLook()) << c.name;
        gen->Gstop->click();
        EXPECT_EQ(modals.questions().size(), 1u) << c.name;
    }
}

TEST_F(Wavegen, AToneThatCannotStartAgainAfterAChangeEndsWithTheErrorBox)
{
    open();
    gen->Gstart->click();
    ASSERT_TRUE(IsPlaying());
    VirtualCard::instance().injectFault(VirtualFault::OutputOpenFails, 4, 1);
    gen->ScrollBar1->setValue(10);
    EXPECT_FALSE(IsPlaying());
    EXPECT_FALSE(gen->RunningLook()) << "the window must not look as if it played";
    ASSERT_EQ(modals.questions().size(), 1u);
    EXPECT_TRUE(modals.questions().front().text.startsWith("Fehler bei Frequenzausgabe ("));
}

// What cannot be played is refused with a warning that says what to do, in
// the window's language, and nothing plays: "User" without a file, and a
// sine or square at or above half the output rate (it would play an alias).
TEST_F(Wavegen, WhatCannotBePlayedIsRefusedWithAWarning)
{
    open();
    SetSampleRates(0, 44100);
    const struct {
        int mode;
        float hz;
        const char* german;
        const char* english;
    } cases[] = {
        {4, 1000.0f, "Es ist keine Wave-Datei gewählt. Wählen Sie eine mit der Taste „User“",
         "No wave file is chosen. Choose one with the \"User\" button"},
        {0, 40000.0f, "Die Frequenz 40000.00 Hz liegt nicht unter der halben Samplefrequenz (22050 Hz)",
         "The frequency 40000.00 Hz is not below half the sample rate (22050 Hz)"},
        {1, 22050.0f, "Die Frequenz 22050.00 Hz liegt nicht unter", "The frequency 22050.00 Hz is not below"},
    };
    for (const auto& c : cases) {
        for (const char letter : {'D', 'E'}) {
            gen->Language(letter);
            modals.clear();
            gen->RadioGroup1->setItemIndex(c.mode);
            gen->SetFrequency(c.hz);
            gen->Gstart->click();
            ASSERT_EQ(modals.questions().size(), 1u) << c.hz;
            EXPECT_EQ(modals.questions().front().kind, modal::Kind::Warning);
            const QString text = modals.questions().front().text;
            EXPECT_TRUE(text.startsWith(letter == 'D' ? c.german : c.english)) << text.toStdString();
            EXPECT_FALSE(IsPlaying());
            EXPECT_FALSE(UserWavePlaying());
            EXPECT_FALSE(gen->RunningLook());
        }
    }
    // Just below half the rate plays; a change to half the rate while it
    // plays stops it with the same warning.
    modals.clear();
    gen->RadioGroup1->setItemIndex(0);
    gen->SetFrequency(22049.0f);
    gen->Gstart->click();
    EXPECT_TRUE(IsPlaying());
    EXPECT_TRUE(modals.questions().empty());
    gen->FeinSpin->upButton()->click();
    EXPECT_FALSE(IsPlaying());
    EXPECT_FALSE(gen->RunningLook());
    ASSERT_EQ(modals.questions().size(), 1u);
    EXPECT_EQ(modals.questions().front().kind, modal::Kind::Warning);
}

TEST_F(Wavegen, OutputCorrectionSetsTheStartedLevelButNotTheStoredOne)
{
    dir.write("out.cor", "1000 1.5\r\n");
    open();
    ASSERT_TRUE(LoadCorrection(OutputCorrection(), dir.file("out.cor")));
    OutputCorrection().active = true;
    gen->ScrollBar4->setValue(10);
    gen->ScrollBar1->setValue(100);
    gen->Gstart->click();
    ASSERT_TRUE(IsPlaying());
    EXPECT_EQ(Generator().levelLeft, -12) << "round(-11.5), ties to even";
    EXPECT_EQ(Generator().levelRight, -100) << "off stays off";
    gen->Gstop->click();
    closeMain();
    EXPECT_EQ(setting("GEN", "VOLL"), "-10") << "the user's level, not the corrected one";
}

TEST_F(Wavegen, OptionsButtonAsksForTheOutputDialogOnlyWhileStopped)
{
    open();
    QSignalSpy asked(gen, &TWavegen::optionsRequested);
    // The main window answers with the output parameter dialog (modal).
    QString title;
    QTimer::singleShot(0, Forms().IOdialog, [&] {
        title = Forms().IOdialog->windowTitle();
        Forms().IOdialog->reject();
    });
    gen->WOoptBut->click();
    EXPECT_EQ(asked.count(), 1);
    EXPECT_TRUE(title.startsWith("Wave-Ausgangsoptionen für ")) << title.toStdString();
    gen->Gstart->click();
    gen->WOoptBut->click();
    EXPECT_EQ(asked.count(), 1);
    gen->Gstop->click();
}

TEST_F(Wavegen, UserButtonChoosesAFileAndStartsNothing)
{
    open();
    modals.answerFile("/music/tone.wav");
    gen->UserBut->click();
    ASSERT_EQ(modals.questions().size(), 1u);
    EXPECT_EQ(modals.questions().front().type, modal::Type::OpenFile);
    const QString filter = modals.questions().front().filter;
    EXPECT_TRUE(filter.startsWith("Wave File | *.wav | ")) << filter.toStdString();
    for (const char* more : {"*.flac", "*.ogg", "*.aiff"})
        EXPECT_TRUE(filter.contains(more)) << "the other formats the player reads: " << more;
    EXPECT_EQ(Generator().userFileName, "/music/tone.wav");
    EXPECT_FALSE(IsPlaying());

    modals.answerCancel();
    gen->UserBut->click();
    EXPECT_EQ(Generator().userFileName, "/music/tone.wav") << "cancel keeps the file";

    // A path longer than the record holds would be cut into another path.
    const QString longPath = "/" + QString(130, 'a') + ".wav";
    modals.clear();
    modals.answerFile(longPath);
    gen->UserBut->click();
    ASSERT_EQ(modals.questions().size(), 2u);
    EXPECT_EQ(modals.questions()[1].kind, modal::Kind::Warning);
    EXPECT_EQ(Generator().userFileName, "/music/tone.wav");
}

TEST_F(Wavegen, HelpButtonOpensItsContext)
{
    open();
    int shown = 0;
    modal::SetHelpHandler([&](int context) { shown = context; });
    gen->wghelp->click();
    EXPECT_EQ(shown, 15);
}

TEST_F(Wavegen, ResetOfTheSoundSystemStopsTheGenerator)
{
    open();
    gen->Gstart->click();
    ASSERT_TRUE(gen->RunningLook());
    main->Reset1Click();
    EXPECT_FALSE(IsPlaying());
    EXPECT_FALSE(gen->RunningLook());
}

// --- docking ---------------------------------------------------------------------

TEST_F(Wavegen, DocksOverTheGeneratorGroupAndFollowsTheMainWindow)
{
    open();
    TGeneratorPage* page = main->GeneratorPage;
    ASSERT_TRUE(QTest::qWaitFor([&] { return gen->isVisible(); }, 2000));
    // A tool window of the main window: above it, not above other programs.
    EXPECT_EQ(gen->parentWidget(), main);
    EXPECT_EQ(gen->windowType(), Qt::Tool);
    EXPECT_FALSE(gen->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(main->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(gen->pos(), page->GeneratorDockPoint());
    EXPECT_TRUE(page->Button1->isEnabled());

    // The group holds the whole window.
    const QRect group(page->Generator->mapToGlobal(QPoint(0, 0)), page->Generator->size());
    EXPECT_TRUE(group.contains(QRect(gen->pos(), gen->size()))) << "group " << group.width() << "x"
                                                                  << group.height();

    // The main window moves: the generator follows.
    main->move(main->pos() + QPoint(30, 20));
    QApplication::processEvents();
    EXPECT_EQ(gen->pos(), page->GeneratorDockPoint());

    // Dragged away by more than its size it stays where the user put it.
    const QPoint away = page->GeneratorDockPoint() + QPoint(gen->frameGeometry().width() + 50, 0);
    gen->move(away);
    main->move(main->pos() + QPoint(10, 10));
    QApplication::processEvents();
    EXPECT_EQ(gen->pos(), away);

    // "zurück" brings it back.
    page->Button1->click();
    EXPECT_EQ(gen->pos(), page->GeneratorDockPoint());

    // On another page the group's place holds that page's controls: the
    // generator stands beside the main window, clear of it and of the
    // diagram, and comes back over its group on its own page.
    for (int other : {0, 2}) {
        main->PageControl1->setCurrentIndex(other);
        QApplication::processEvents();
        const QRect genFrame = gen->frameGeometry();
        EXPECT_FALSE(genFrame.intersects(main->frameGeometry())) << "page " << other;
        if (Forms().Diagramm->isVisible()) {
            EXPECT_FALSE(genFrame.intersects(Forms().Diagramm->frameGeometry())) << "page " << other;
        }
        main->move(main->pos() + QPoint(5, 5));
        QApplication::processEvents();
        EXPECT_EQ(gen->frameGeometry().topLeft(), genFrame.topLeft() + QPoint(5, 5)) << "follows, page " << other;
        main->PageControl1->setCurrentIndex(1);
        QApplication::processEvents();
        EXPECT_EQ(gen->pos(), page->GeneratorDockPoint()) << "back from page " << other;
        EXPECT_TRUE(gen->isVisible());
    }
}

TEST_F(Wavegen, StartingOnAnotherPageStillDocksAtTheFirstActivation)
{
    open("[MAIN]\nPAGE=0\n");
    QApplication::processEvents();
    main->PageControl1->setCurrentIndex(1);
    EXPECT_TRUE(gen->isVisible());
    EXPECT_EQ(gen->pos(), main->GeneratorPage->GeneratorDockPoint());
}

} // namespace

namespace {
// Types `text` into a level field and presses Enter, as the user does.
void typeLevel(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}
} // namespace

TEST_F(Wavegen, LevelsCanBeTypedInWholeUnitsAndNothingElseIsTaken)
{
    open();
    const struct {
        QLineEdit* field;
        QScrollBar* bar;
        const char* typed;
        int position;        // of the bar afterwards
        const char* shown;   // the field afterwards
    } cases[] = {
        {gen->Label4, gen->ScrollBar4, "-12", 12, "-12dB"},
        {gen->Label4, gen->ScrollBar4, "-30 dB", 30, "-30dB"},
        {gen->Label4, gen->ScrollBar4, "-7.5", 30, "-30dB"},   // a fraction: refused
        {gen->Label4, gen->ScrollBar4, "6", 30, "-30dB"},      // above full scale: refused
        {gen->Label6, gen->ScrollBar1, "off", 100, "OFF"},
        {main->AnalyzerPage->Label3, main->AnalyzerPage->ScrollBar3, "50", 50, "50%"},
        {main->AnalyzerPage->Label3, main->AnalyzerPage->ScrollBar3, "35 %", 35, "35%"},
        {main->AnalyzerPage->Label3, main->AnalyzerPage->ScrollBar3, "120", 35, "35%"},
        {main->GeneratorPage->Label8, main->GeneratorPage->ScrollBar2, "40%", 60, "40%"},  // top is 100 %
    };
    for (const auto& c : cases) {
        c.field->window()->show();
        typeLevel(c.field, QString::fromUtf8(c.typed));
        EXPECT_EQ(c.bar->value(), c.position) << c.typed;
        EXPECT_EQ(c.field->text(), QString::fromUtf8(c.shown)) << c.typed;
    }
    // The level in dB beside a mixer volume; whole dB in the settings.
    EXPECT_EQ(main->GeneratorPage->Label8->Beside()->text(), "-8.0dB");
    closeMain();
    EXPECT_EQ(setting("GEN", "VOLL"), "-30");
    EXPECT_EQ(setting("GEN", "VOLR"), "-100");
    EXPECT_EQ(setting("VOLUME", "FGVOLUME"), "40");
}
