// The real main window on the virtual card: start-up, settings read and
// written through the window, page changes, close path.

#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "diagram/ui/Diadlg3.h"
#include "diagram/ui/Diagr3.h"
#include "measure/ui/Eichdia.h"
#include "platform/UserMessages.h"
#include "generator/ui/GeneratorPage.h"
#include "app/ui/MainMenu.h"
#include "app/ui/MemoryMenu.h"
#include "platform/ModalQuestions.h"
#include "measure/ui/RadioGroup.h"
#include "app/ui/ScopeMenu.h"
#include "app/ui/SweepMenu.h"
#include "scope/ui/ScopePage.h"
#include "scope/ScopeEngine.h"
#include "scope/ui/Oszidia1.h"
#include "app/ui/DistortionMenu.h"
#include "audio/Soundd3.h"
#include "app/ui/StatusLine.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QSignalSpy>
#include <QTabWidget>

#include <cmath>
#include <functional>
#include <optional>

using namespace korvanta;

TEST_F(MainWindowTest, StartsOnTheVirtualCardAndSaysSo)
{
    start();
    EXPECT_EQ(QApplication::applicationName(), "Korvanta");
    EXPECT_TRUE(main->windowTitle().startsWith("Korvanta V 1.4"));
    EXPECT_TRUE(main->windowTitle().contains("virtuelle Karte"));
    EXPECT_EQ(main->StatusLine->FullText(), VirtualCard::inputName() + " / " + VirtualCard::outputName());
    TMainMenu& m = *main->Menu;
    EXPECT_TRUE(m.InDeviceItems[0]->isVisible());
    EXPECT_TRUE(m.InDeviceItems[0]->isChecked());
    EXPECT_EQ(m.InDeviceItems[0]->text(), VirtualCard::inputName());
    EXPECT_FALSE(m.InDeviceItems[1]->isVisible());
    EXPECT_FALSE(m.InDeviceItems[2]->isVisible());
    EXPECT_EQ(m.OutDeviceItems[0]->text(), VirtualCard::outputName());
    EXPECT_EQ(main->PageControl1->currentIndex(), 0);
    EXPECT_EQ(main->AnalyzerPage->Lsf->text(), "44100 Hz");
    EXPECT_EQ(main->AnalyzerPage->Ldb->text(), "16 Bits");
    EXPECT_EQ(main->AnalyzerPage->FFTpointsgroup->itemIndex(), 0) << "the file's 1024 points become 2048";
    EXPECT_EQ(Analyzer().FFTpoints, 2048);
    EXPECT_TRUE(Forms().Diagramm->isVisible()) << "the analyzer page shows the diagram";
    EXPECT_LE(main->width(), 700);
    EXPECT_LE(main->height(), 309);
    EXPECT_TRUE(modals.questions().empty());
}

// A fresh file plays at 20 % output volume: the analyzer page says so, and
// follows the output bar of the generator page in either language.
TEST_F(MainWindowTest, TheAnalyzerPageShowsTheOutputVolume)
{
    start();
    QLabel* out = main->AnalyzerPage->OutVolume;
    EXPECT_EQ(out->text(), "Ausgang 20% (-14.0dB)");
    EXPECT_TRUE(out->isVisibleTo(main));
    EXPECT_TRUE(out->toolTip().contains("-20 dBFS"));
    main->GeneratorPage->ScrollBar2->setValue(50);   // the bar's top is 100 %
    EXPECT_EQ(out->text(), "Ausgang 50% (-6.0dB)");
    main->deutschEnglish1Click();
    EXPECT_EQ(out->text(), "Output 50% (-6.0dB)");
}

TEST_F(MainWindowTest, DamagedValuesFallBackThroughTheWindow)
{
    dir.write("in.cor", "20 1\n1000 0\n20000 -1\n");
    writeSettings("[MAIN]\nPAGE=2\nINCONAME=" + dir.file("in.cor").toUtf8() +
                  "\nINCOAKT=false\n[VOLUME]\nPEGFAK=abc\n[FFT]\nDIAYMIN=x\nAVERAGE=-5\n[WOB]\nMETHODE=log\n");
    start();
    EXPECT_FLOAT_EQ(Analyzer().PegFak, 8.685889f);
    EXPECT_FLOAT_EQ(Analyzer().DiaYMin, -100.0f);
    EXPECT_EQ(Analyzer().AverCount, 5);
    EXPECT_TRUE(Sweep().linear);
    EXPECT_TRUE(InputCorrection().active) << "\"false\" is not \"FALSE\"";
    EXPECT_EQ(InputCorrection().count, 3);
    EXPECT_TRUE(main->Menu->Eingangskorrekturaktiv1->isChecked());
    EXPECT_EQ(main->AnalyzerPage->coract->text(), "Korrektur aktiv");
    EXPECT_EQ(main->PageControl1->currentIndex(), 2);
    EXPECT_EQ(main->HelpContext(), kScopePageHelpContext);
    EXPECT_FALSE(WorkArraysAllocated(Analyzer())) << "the analyzer's arrays wait for its page";
    EXPECT_FALSE(Forms().Diagramm->isVisible());
    EXPECT_TRUE(main->Menu->FilePrintItem->isEnabled()) << "printing prints the oscilloscope's picture";
    EXPECT_TRUE(main->Menu->SpeichernalsText1->isEnabled()) << "the export writes the oscilloscope's frame";
    main->PageControl1->setCurrentIndex(0);
    EXPECT_TRUE(WorkArraysAllocated(Analyzer()));
    EXPECT_EQ(main->AnalyzerPage->AverVal->value(), 5);
    EXPECT_TRUE(main->Menu->SpeichernalsText1->isEnabled());
}

TEST_F(MainWindowTest, MissingKeysTakeTheirDefaults)
{
    writeSettings("[MAIN]\nSPRACHE=D\n");
    start();
    EXPECT_FLOAT_EQ(Analyzer().PegFak, 8.722f);
    EXPECT_FLOAT_EQ(Analyzer().DiaYMin, -110.0f);
    EXPECT_EQ(Analyzer().AverCount, 1);
    EXPECT_FALSE(Sweep().linear);
    EXPECT_FALSE(InputCorrection().active);
    EXPECT_EQ(main->AnalyzerPage->coract->text(), ".");
}

TEST_F(MainWindowTest, RoundTripKeepsEveryKeyAndForeignOnes)
{
    dir.write("out.cor", "1000 2\n");
    writeSettings("; user notes\n[MAIN]\nPAGE=1\nSPRACHE=E\nOUTCONAME=" + dir.file("out.cor").toUtf8() +
                  "\nOUTCOAKT=TRUE\nLEFT=120\nTOP=90\nFAVOURITE=blue\n"
                  "[EICH]\nINPUT=1000.0\nOUTPUT=1000.0\nInLev4Cal=80\n"
                  "[VOLUME]\nFGVOLUME=33\nFGINVOLUME=80\nPEGFAK=8.6859\nPEGOFS=11.5000\nAUDIOINCHANNEL=3\n"
                  "[FFT]\nWIN=2\nSAMPLES=8192\nAVERAGE=4\nCOMMENT=preamp test\nDIAYMIN=-130\nDIAYMAX=10\n"
                  "DBMODE=1\nDIAXMIN=20\nDIAXMAX=20000\n"
                  "[WOB]\nFROM=10\nTO=40000\nSTEPS=100\nMETHODE=LIN\nPHASE=TRUE\nREFMESS=2\nCOMMENT=filter\n"
                  "DIAYMIN=-60\nDIAYMAX=10\nPMIN=-180\nPMAX=180\nPEGDIG=-6.0\nSTARTMESS=250\n"
                  "[OSZI]\nDIV1=7\nDIV2=12\nTB=9\nGND1=TRUE\nGND2=FALSE\nTRIPOS=FALSE\nTRICH1=FALSE\n"
                  "yposCh1=5.500\nyposCh2=1.250\nSAMPLEF=22050\nOMESSW=2048\nWIDTH=300\nHEIGHT=200\nLEFT=10\nTOP=20\n"
                  "[DIAGRAMM]\nWIDTH=600\nHEIGHT=400\nLEFT=50\nTOP=60\n[PRIVATE]\nX=1\n");
    const QString before = settingsText();
    start();
    closeMain();
    // Every key of the file reads back as it was.
    QString section;
    for (const QString& line : before.split('\n')) {
        if (line.startsWith('[')) {
            section = line.mid(1, line.size() - 2);
        } else if (line.contains('=')) {
            const QString key = line.section('=', 0, 0);
            EXPECT_EQ(setting(qPrintable(section), qPrintable(key)), line.section('=', 1))
                << qPrintable(section + "/" + key);
        }
    }
    EXPECT_TRUE(settingsText().startsWith("; user notes\n"));

    // Change some things, close, read back.
    restart();
    main->PageControl1->setCurrentIndex(2);
    main->deutschEnglish1Click();
    main->OutDeviceClick(0);
    closeMain();
    EXPECT_EQ(setting("MAIN", "PAGE"), "2");
    EXPECT_EQ(setting("MAIN", "SPRACHE"), "D");
    EXPECT_EQ(setting("MAIN", "FAVOURITE"), "blue");
    EXPECT_EQ(setting("PRIVATE", "X"), "1");
    EXPECT_EQ(setting("OSZI", "yposCh2"), "1.250");
    EXPECT_EQ(setting("FFT", "COMMENT"), "preamp test");
}

TEST_F(MainWindowTest, DiagramSizeIsClampedWhenPlaced)
{
    writeSettings("[DIAGRAMM]\nWIDTH=5000\nHEIGHT=10\nLEFT=30\nTOP=40\n");
    start();
    TDiagramm* d = Forms().Diagramm;
    EXPECT_EQ(d->width(), 1024);
    EXPECT_EQ(d->height(), 140);
    closeMain();
    EXPECT_EQ(setting("DIAGRAMM", "WIDTH"), "1024");
    EXPECT_EQ(setting("DIAGRAMM", "HEIGHT"), "140");
    writeSettings("[DIAGRAMM]\nWIDTH=10\nHEIGHT=5000\n");
    ResetProcessState();
    start();
    EXPECT_EQ(Forms().Diagramm->width(), 180);
    EXPECT_EQ(Forms().Diagramm->height(), 768);
}

TEST_F(MainWindowTest, PagesAreEnteredAndLeftInTurn)
{
    start();
    EXPECT_EQ(main->HelpContext(), 6);
    EXPECT_TRUE(Analyzer().AnalyzerActive);
    main->PageControl1->setCurrentIndex(1);
    EXPECT_FALSE(Analyzer().AnalyzerActive);
    EXPECT_FALSE(WorkArraysAllocated(Analyzer()));
    EXPECT_EQ(main->ActivePageIndex(), 1);
    EXPECT_EQ(main->HelpContext(), kGeneratorPageHelpContext);
    // The sweep draws into the diagram too.
    EXPECT_TRUE(Forms().Diagramm->isVisible());
    main->PageControl1->setCurrentIndex(0);
    EXPECT_TRUE(WorkArraysAllocated(Analyzer()));
    for (int i = 0; i < 65536; i += 4096)
        ASSERT_EQ(Analyzer().SumRight[i], 0.0f) << "fresh arrays on every visit";
    closeMain();
    EXPECT_FALSE(WorkArraysAllocated(Analyzer())) << "closing leaves the page";
    EXPECT_FALSE(SoundInitialised()) << "closing shuts the audio layer down";
    EXPECT_EQ(setting("MAIN", "PAGE"), "0");
}

// Every page and window sets its own texts when the language changes,
// whichever page is shown; the help topic is the shown page's, and leaving
// a page stops it.
TEST_F(MainWindowTest, EveryPageTakesTheLanguageWhicheverPageIsShown)
{
    struct Case {
        int page;
        int help;
        std::function<bool(const TMainForm&)> entered;
    };
    const Case cases[] = {
        {0, 6, [](const TMainForm&) { return Analyzer().AnalyzerActive; }},
        {1, kGeneratorPageHelpContext, [](const TMainForm& w) { return w.GeneratorPage->Entered(); }},
        {2, kScopePageHelpContext, [](const TMainForm& w) { return w.ScopePage->Entered(); }},
    };
    struct Texts {
        QString averages, back, scopeTime, distortion;
    };
    const auto shown = [this] {
        return Texts{main->AnalyzerPage->Label6->text(), main->GeneratorPage->Button1->text(),
                     Forms().Oszidia->Label1->text(), main->DistortionMenu->Distortion1->text()};
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        main->PageControl1->setCurrentIndex(c.page);
        ASSERT_TRUE(c.entered(*main));
        EXPECT_EQ(main->HelpContext(), c.help);
        main->deutschEnglish1Click();
        const Texts english = shown();
        EXPECT_EQ(english.averages, "Averages ");
        EXPECT_EQ(english.back, "back");
        EXPECT_EQ(english.scopeTime, "Time / Frequ.");
        EXPECT_EQ(english.distortion, "&Distortion...");
        main->deutschEnglish1Click();
        const Texts german = shown();
        EXPECT_EQ(german.averages, "Mittelwerte ");
        EXPECT_EQ(german.back, QString::fromUtf8("zurück"));
        EXPECT_EQ(german.scopeTime, "Zeit / Frequ.");
        EXPECT_EQ(german.distortion, "&Verzerrung...");
        main->PageControl1->setCurrentIndex((c.page + 1) % 3);
        EXPECT_FALSE(c.entered(*main));
    }
}

TEST_F(MainWindowTest, ArraysThatCannotBeAllocatedCloseTheProgramProperly)
{
    testing_hooks::FailWorkArrayAllocation(1);
    bool closed = false;
    main = CreateApplicationWindows();
    QObject::connect(main, &TMainForm::closed, [&closed] { closed = true; });
    main->show();
    ASSERT_TRUE(QTest::qWaitFor([&closed] { return closed; }, 2000));
    EXPECT_EQ(modals.messageTexts(), QStringList{"Memory Error ( <256k )"});
    EXPECT_EQ(setting("MAIN", "PAGE"), "0") << "the settings were written on the way out";
    testing_hooks::FailWorkArrayAllocation(0);
}

TEST_F(MainWindowTest, DeviceChoiceWaitsWhileTheGeneratorPlays)
{
    start();
    GeneratorSettings tone;
    ASSERT_EQ(StartPlay(tone, -1, 1000.0f), 0);
    main->Menu->OutDeviceItems[0]->setChecked(false);
    main->OutDeviceClick(0);
    EXPECT_TRUE(main->Menu->OutDeviceItems[0]->isChecked()) << "the current device stays ticked";
    StopPlay();
    main->Reset1Click();
    EXPECT_TRUE(SoundInitialised());
    EXPECT_TRUE(modals.questions().empty());
}

TEST_F(MainWindowTest, UnusableSettingsFilesNeverStopTheStart)
{
    // Binary garbage.
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) & 0xff);
    writeSettings(garbage);
    start();
    EXPECT_FLOAT_EQ(Analyzer().PegFak, 8.722f);
    closeMain();
    EXPECT_EQ(setting("VOLUME", "PEGFAK"), "8.7220");

    // Cut off in the middle of a line.
    writeSettings("[MAIN]\nPAGE=1\n[VOLUME]\nPEGOFS=10.5\n[FF");
    ResetProcessState();
    start();
    EXPECT_EQ(main->ActivePageIndex(), 1);
    EXPECT_FLOAT_EQ(Analyzer().PegOfs, 10.5f);
    closeMain();

    // A path that cannot be read as a file at all is left alone.
    QDir(dir.path()).mkpath("dirsettings.ini");
    qputenv("KORVANTA_SETTINGS", dir.file("dirsettings.ini").toLocal8Bit());
    ResetProcessState();
    start();
    EXPECT_EQ(main->ActivePageIndex(), 0);
    closeMain();
    EXPECT_TRUE(QFileInfo(dir.file("dirsettings.ini")).isDir());
}

TEST_F(MainWindowTest, AcceptedCalibrationIsTakenOverAndSavedAtOnce)
{
    writeSettings("[VOLUME]\nFGINVOLUME=64\n[FFT]\nDBMODE=1\n");
    start();
    EXPECT_EQ(main->AnalyzerPage->Label15->text(), "Pegel unkalibriert");
    TEichDlg* dlg = Forms().EichDlg;
    main->Menu->Eichen1->trigger();
    ASSERT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->EichmV->text(), "497.0");
    dlg->EichmV->setText("1000.0");
    dlg->Edit2->setText("8.5");
    dlg->Edit3->setText("10.25");
    QEvent done(UM_CAL_DONE);
    QCoreApplication::sendEvent(main, &done);
    EXPECT_FLOAT_EQ(Analyzer().CalInMv, 1000.0f);
    EXPECT_FLOAT_EQ(Analyzer().CalOutMv, 1000.0f);
    EXPECT_FLOAT_EQ(Analyzer().PegFak, 8.5f);
    EXPECT_EQ(Analyzer().InLev4Cal, 64) << "the input volume of the calibration";
    EXPECT_EQ(main->AnalyzerPage->Label15->text(), "Pegel kalibriert");
    // Already in the file, before any close.
    EXPECT_EQ(setting("EICH", "INPUT"), "1000.0");
    EXPECT_EQ(setting("EICH", "InLev4Cal"), "64");
    EXPECT_EQ(setting("VOLUME", "PEGFAK"), "8.5000");
    EXPECT_EQ(setting("VOLUME", "PEGOFS"), "10.2500");

    // Values that do not parse change nothing.
    dlg->EichmV->setText("0");
    QCoreApplication::sendEvent(main, &done);
    EXPECT_FLOAT_EQ(Analyzer().CalInMv, 1000.0f);
    dlg->hide();

    // Without a usable input format the dialog does not open.
    Analyzer().InFormats = 0;
    main->Menu->Eichen1->trigger();
    EXPECT_FALSE(dlg->isVisible());
}

// "Begin" ends every other loop each time it is pressed, also while the
// calibration measures (the oscilloscope started meanwhile would share the
// input with it); its own loop goes on.
TEST_F(MainWindowTest, CalibrationBeginEndsALoopStartedMeanwhileAndGoesOn)
{
    start();
    TEichDlg* dlg = Forms().EichDlg;
    main->Menu->Eichen1->trigger();
    main->PageControl1->setCurrentIndex(2);
    const ScopeEngine* scope = main->ScopePage->Engine();
    dlg->Button1Click();
    main->ScopePage->OsziStartStop->click();
    ASSERT_TRUE(scope->Running());
    dlg->Button1Click();
    EXPECT_FALSE(scope->Running());
    EXPECT_TRUE(dlg->measuring());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->measured(); }, 5000));
    dlg->Button2Click();
    dlg->hide();
}

TEST_F(MainWindowTest, ChannelBoxesTakeTheCurveColoursOfTheOptions)
{
    start();
    Tdiadlg* dlg = Forms().Diadlg;
    DiagramOptions options = Forms().Diagramm->Options();
    EXPECT_TRUE(main->AnalyzerPage->MeasureLeft->styleSheet().contains(ColorFromRef(options.colLine1).name()));
    options.colLine1 = 0x00FF00;  // green
    options.colLine2 = 0x00FFFF;  // yellow
    dlg->Fill(options);
    QCoreApplication::postEvent(Forms().Diagramm, new QEvent(UM_DIA_OPTIONS));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(main->AnalyzerPage->MeasureLeft->styleSheet().contains("#00ff00"));
    EXPECT_TRUE(main->AnalyzerPage->MeasureRight->styleSheet().contains("#ffff00"));
}

TEST_F(MainWindowTest, ARunLocksTheDeviceAndCalibrationItems)
{
    start();
    TMainMenu& m = *main->Menu;
    EXPECT_TRUE(m.AudioInDevice1->isEnabled());
    EXPECT_TRUE(m.Eichen1->isEnabled());
    main->AnalyzerPage->SetRunning(true);
    EXPECT_FALSE(m.AudioInDevice1->isEnabled());
    EXPECT_FALSE(m.AudioOutDevice1->isEnabled());
    EXPECT_FALSE(m.Eichen1->isEnabled());
    QEvent stop(UM_STOP_ALL);
    QCoreApplication::sendEvent(main, &stop);
    EXPECT_FALSE(Analyzer().Running);
    EXPECT_TRUE(m.AudioInDevice1->isEnabled());
    EXPECT_TRUE(m.Eichen1->isEnabled());
}

namespace {
// Presses `keys` in the active main window, as the user does.
void press(TMainForm* main, const QKeySequence& keys)
{
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    QTest::keySequence(main, keys);
    QApplication::processEvents();
}
} // namespace

TEST_F(MainWindowTest, EachShortcutTriggersItsAction)
{
    start();
    // Every question is answered with Cancel: nothing is written or printed.
    modals.defaultAnswer.accepted = false;
    modals.defaultAnswer.button = modal::Cancel;
    // A curve in view, so that the saves have something to ask a file for.
    ShowFlatCurve(*Forms().Diagramm, -40);
    TMainMenu& m = *main->Menu;
    const struct {
        QKeySequence keys;
        QAction* action;
        std::optional<modal::Type> asks;  // the question the action puts
    } cases[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_S), m.SpeichernalsText1, modal::Type::SaveFile},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), main->MemoryMenu->SavePictureItem, modal::Type::SaveFile},
        {QKeySequence(Qt::CTRL | Qt::Key_P), m.FilePrintItem, modal::Type::Print},
        {QKeySequence(Qt::CTRL | Qt::Key_C), m.EditCopyItem, std::nullopt},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), m.EditCopyItem, std::nullopt},
        {QKeySequence(Qt::Key_F5), main->StartStopKey, std::nullopt},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), m.FileExitItem, std::nullopt},  // last: it closes
    };
    for (const auto& c : cases) {
        const std::string name = c.keys.toString().toStdString();
        QSignalSpy triggered(c.action, &QAction::triggered);
        modals.clear();
        press(main, c.keys);
        EXPECT_EQ(triggered.count(), 1) << name;
        if (c.asks) {
            ASSERT_EQ(modals.questions().size(), 1u) << name;
            EXPECT_EQ(modals.questions().front().type, *c.asks) << name;
        }
    }
    EXPECT_FALSE(main->isVisible()) << "Ctrl+Q closed the program";
}

TEST_F(MainWindowTest, F5StartsAndStopsTheMeasurementOfEachPage)
{
    // A sweep long enough to be stopped by the key.
    writeSettings("[WOB]\nSTEPS=511\n");
    start();
    const struct {
        int page;
        std::function<bool()> running;
    } cases[] = {
        {0, [&] { return !main->AnalyzerPage->StartButton->isEnabled(); }},
        {1, [&] { return Sweep().running; }},
        {2, [&] { return main->ScopePage->OsziStartStop->text() == "Stop"; }},
    };
    for (const auto& c : cases) {
        main->PageControl1->setCurrentIndex(c.page);
        QApplication::processEvents();
        const bool before = c.running();
        press(main, QKeySequence(Qt::Key_F5));
        EXPECT_TRUE(QTest::qWaitFor([&] { return c.running() != before; }, 10000)) << "page " << c.page;
        press(main, QKeySequence(Qt::Key_F5));
        EXPECT_TRUE(QTest::qWaitFor([&] { return c.running() == before; }, 10000)) << "page " << c.page;
    }
}
