// Language switching on the real windows: every caption of the language
// table, the message texts, the help file and the other windows' captions.

#include "app/ui/AboutBox.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "app/ui/FeatDlg.h"
#include "generator/ui/GeneratorPage.h"
#include "app/ui/HelpBrowser.h"
#include "app/ui/MainMenu.h"
#include "measure/ui/RadioGroup.h"
#include "correction/ui/koedi.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

using namespace korvanta;

namespace {

// The captions of the language table as one list, in table order.
QStringList flatten(const MainWindowTexts& t)
{
    return QStringList{t.tabSheet1, t.tabSheet2, t.tabSheet3, t.fftPointsGroup, t.runningGroup} + t.runningItems +
           QStringList{t.menuFile,     t.filePrint,    t.filePrintSetup, t.fileExit,    t.saveAsText,  t.menuEdit,
                       t.comment,      t.editCopy,     t.menuAnalyse,    t.menuCorrection, t.loadInCor, t.inCorActive,
                       t.editInCor,    t.loadOutCor,   t.outCorActive,   t.editOutCor,  t.testCor,     t.menuDiagram,
                       t.diaOptions,   t.diaScale,     t.menuOptions,    t.calibration, t.featureList, t.menuTools, t.helpPage,
                       t.helpContents, t.measureLeft, t.measureRight, t.averages,    t.backButton};
}

// The same captions as the window shows them now.
MainWindowTexts shown(const TMainForm& w)
{
    const TMainMenu& m = *w.Menu;
    MainWindowTexts t;
    t.tabSheet1 = w.PageControl1->tabText(0);
    t.tabSheet2 = w.PageControl1->tabText(1);
    t.tabSheet3 = w.PageControl1->tabText(2);
    t.fftPointsGroup = w.AnalyzerPage->FFTpointsgroup->title();
    t.runningGroup = w.AnalyzerPage->RunningGroup->title();
    t.runningItems = w.AnalyzerPage->RunningGroup->items();
    t.menuFile = m.menuFile->title();
    t.filePrint = m.FilePrintItem->text();
    t.filePrintSetup = m.FilePrintSetupItem->text();
    t.fileExit = m.FileExitItem->text();
    t.saveAsText = m.SpeichernalsText1->text();
    t.menuEdit = m.menuEdit->title();
    t.comment = m.Kommentar1->text();
    t.editCopy = m.EditCopyItem->text();
    t.menuAnalyse = m.menuAnalyse->title();
    t.menuCorrection = m.menuKorrektur->title();
    t.loadInCor = m.LadeEingangskorrekturdatei1->text();
    t.inCorActive = m.Eingangskorrekturaktiv1->text();
    t.editInCor = m.EditEingangskorrekturdatei1->text();
    t.loadOutCor = m.LadeAusgangskorrekturdatei1->text();
    t.outCorActive = m.Ausgangskorrekturaktiv1->text();
    t.editOutCor = m.EditAusgangskorrekturdatei1->text();
    t.testCor = m.Testekorrekturdatei1->text();
    t.menuDiagram = m.menuDiagramm->title();
    t.diaOptions = m.DiaEinMenu->text();
    t.diaScale = m.Skalierung1->text();
    t.menuOptions = m.menuEinstellungen->title();
    t.calibration = m.Eichen1->text();
    t.featureList = m.ShowFeaturelist1->text();
    t.menuTools = m.menuTools->title();
    t.helpPage = m.HelpPageItem->text();
    t.helpContents = m.HelpContentsItem->text();
    t.measureLeft = w.AnalyzerPage->MeasureLeft->text();
    t.measureRight = w.AnalyzerPage->MeasureRight->text();
    t.averages = w.AnalyzerPage->Label6->text();
    t.backButton = w.GeneratorPage->Button1->text();
    return t;
}

// Text of every item of a menu, "-" for a separator.
QStringList layoutOf(const QMenu* menu)
{
    QStringList items;
    for (const QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items;
}

} // namespace

TEST(LanguageTable, GermanUntilTheFirstSwitchAndOtherLettersChangeNothing)
{
    ResetProcessState();
    EXPECT_EQ(Messages().soundStartError, "Problem beim Öffnen des Sounddevice ! Programm stopped (");
    EXPECT_FALSE(SetMessageLanguage('X'));
    EXPECT_EQ(Messages().leftLabel, " LI ");
    ASSERT_TRUE(SetMessageLanguage('E'));
    EXPECT_EQ(Messages().leftLabel, " le ");
    EXPECT_EQ(Messages().noFundamental, " no fundamental wave");
    EXPECT_EQ(Messages().uncalibrated, "Levle uncalibrated");
    for (char letter : {'D', 'E'}) {
        const MessageTable t = *MessageTableFor(letter);
        for (const QString& text : {t.soundStartError, t.leftLabel, t.rightLabel, t.startSampleError, t.nextBlockError,
                                    t.correctionHeading, t.sweepFreqError, t.noFundamental, t.fileNotCreated,
                                    t.calibrated, t.uncalibrated, t.correctionActive}) {
            EXPECT_FALSE(text.isEmpty());
            EXPECT_LE(text.size(), kMessageLength) << qPrintable(text);
        }
        for (const QString& caption : flatten(*MainTextsFor(letter)))
            EXPECT_FALSE(caption.isEmpty());
    }
    EXPECT_FALSE(MainTextsFor('X'));
    EXPECT_EQ(ToggledLanguage('D'), 'E');
    EXPECT_EQ(ToggledLanguage('E'), 'D');
    EXPECT_EQ(ToggledLanguage('X'), 'D');
    ResetProcessState();
}

TEST_F(MainWindowTest, SwitchingToEnglishAndBackRestoresEveryCaption)
{
    start();
    const QStringList german = flatten(*MainTextsFor('D'));
    EXPECT_EQ(flatten(shown(*main)), german);
    EXPECT_EQ(main->Menu->EditEingangskorrekturdatei1->text(), "Bearbeite Eingangskorrekturdatei");

    main->deutschEnglish1Click();
    EXPECT_EQ(CurrentLanguage(), 'E');
    EXPECT_EQ(flatten(shown(*main)), flatten(*MainTextsFor('E')));
    EXPECT_EQ(Messages().rightLabel, " ri ");
    EXPECT_EQ(Forms().FeatDlg->windowTitle(), "Feature list");
    EXPECT_EQ(Forms().KorEdit->windowTitle(), "Editor correction file");
    EXPECT_EQ(Forms().Help->HelpFile(), "krv14fe.html");
    main->HelpContents();
    EXPECT_TRUE(Forms().Help->CurrentSource().toString().contains("krv14fe.html"));
    EXPECT_EQ(Forms().Help->CurrentSource().fragment(), "contents");

    main->deutschEnglish1Click();
    EXPECT_EQ(flatten(shown(*main)), german);
    EXPECT_EQ(Messages().rightLabel, " RE ");
    EXPECT_EQ(Forms().FeatDlg->windowTitle(), "Feature Liste");
    EXPECT_EQ(Forms().Help->HelpFile(), "krv14fd.html");
    closeMain();
    EXPECT_EQ(setting("MAIN", "SPRACHE"), "D");
}

TEST_F(MainWindowTest, UnknownLanguageKeepsTheFormCaptionsUntilTheFirstSwitch)
{
    writeSettings("[MAIN]\nSPRACHE=X\n");
    start();
    EXPECT_EQ(CurrentLanguage(), 'X');
    EXPECT_EQ(main->Menu->EditEingangskorrekturdatei1->text(), "Edit Eingangskorrekturdatei");
    EXPECT_EQ(main->Menu->FilePrintSetupItem->text(), "Drucker&einrichtung...");
    EXPECT_EQ(main->AnalyzerPage->FFTpointsgroup->title(), " FFT Points ");
    EXPECT_EQ(main->AnalyzerPage->MeasureLeft->text(), "links");
    EXPECT_EQ(Messages().correctionActive, "Korrektur aktiv");
    main->deutschEnglish1Click();
    EXPECT_EQ(CurrentLanguage(), 'D');
    EXPECT_EQ(flatten(shown(*main)), flatten(*MainTextsFor('D')));
}

TEST_F(MainWindowTest, MenusHaveTheirItemsSeparatorsAndShortcuts)
{
    start();
    const TMainMenu& m = *main->Menu;
    EXPECT_EQ(layoutOf(m.menuFile),
              (QStringList{"&Speichern als Text", "Als &Bild speichern...", "-", "&Drucken", "Drucker&einrichtung", "-",
                           "&Beenden"}));
    EXPECT_EQ(layoutOf(m.menuEdit), (QStringList{"Kommentar", "-", "&Kopieren"}));
    EXPECT_EQ(layoutOf(m.menuAnalyse), (QStringList{"&THD+Noise", "&Level", "&Parameter", "-", "Level Units"}));
    // The program's own windows in a menu of their own, just before "&?".
    EXPECT_EQ(layoutOf(m.menuTools), (QStringList{"&Verzerrung...", "&Gerätetest...", "&Impulsantwort..."}));
    const QList<QAction*> titles = main->menuBar()->actions();
    EXPECT_EQ(titles.indexOf(m.menuTools->menuAction()) + 1, titles.indexOf(m.menuHelp->menuAction()));
    EXPECT_EQ(layoutOf(m.LevelUnits1), (QStringList{"dbFS", "dbV", "dbu", "dbm"}));
    EXPECT_EQ(layoutOf(m.menuKorrektur),
              (QStringList{"Lade &Eingangskorrekturdatei", "Eingangskorrektur aktiv", "Bearbeite Eingangskorrekturdatei",
                           "-", "Lade &Ausgangskorrekturdatei", "Ausgangskorrektur aktiv",
                           "Bearbeite Ausgangskorrekturdatei", "-", "Teste Korrekturdateien"}));
    EXPECT_EQ(layoutOf(m.menuEinstellungen),
              (QStringList{"deutsch/english", "&Kalibrierung", "&Featureliste", "-", "Audio-In-Device",
                           "Audio-In-Parameter", "Audio-In DC-Offset", "-", "Audio-Out-Device", "Audio-Out-Parameter",
                           "-", "Wave In Channel", "Mixer Support ON", "&Reset Soundsystem"}))
        << "the mixer captions its switch when the window is shown";
    EXPECT_EQ(layoutOf(m.menuHelp), (QStringList{"&Hilfe zu dieser Seite", "&Inhalt", "-", "Inf&o..."}));
    EXPECT_FALSE(m.menuDiagramm->menuAction()->isVisible());
    EXPECT_FALSE(m.menuDiagramm->isEnabled());
    // The channel items as designed, before the mixer shows one per source.
    QMenuBar bar;
    const TMainMenu form(&bar);
    EXPECT_EQ(form.MixerSupport1->text(), "Mixer Support ");
    EXPECT_EQ(form.MixItems.size(), 21);
    EXPECT_TRUE(form.MixItems[18]->isVisible());
    EXPECT_FALSE(form.MixItems[19]->isVisible());
    EXPECT_FALSE(form.MixItems[20]->isVisible());
    EXPECT_EQ(m.HelpPageItem->shortcut(), QKeySequence(Qt::Key_F1)) << "F1 opens the help of what is shown";
    EXPECT_TRUE(m.HelpContentsItem->shortcut().isEmpty());
    EXPECT_TRUE(m.EditCopyItem->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Insert)));
    EXPECT_TRUE(m.EditCopyItem->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_C)));
}
