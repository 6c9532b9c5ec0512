// The correction menu, the correction editor and the test drawing, on the
// real windows.

#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "app/ui/CorrectionMenu.h"
#include "correction/CorrectionFile.h"
#include "app/CorrectionTest.h"
#include "diagram/ui/Diagr3.h"
#include "app/ui/MainMenu.h"
#include "correction/ui/koedi.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <cmath>

using namespace korvanta;

TEST(CorrectionTestCurve, LogarithmicStepsAndTheActiveTablesOnly)
{
    CorrectionTable in, out;
    const CorrectionPair flat[] = {{1000.0, 3.0}};
    SetCorrectionPoints(out, flat);
    out.fileName = QStringLiteral("out.cor");
    out.active = true;
    const CorrectionTestPoint last = CorrectionTestValue(in, out, kCorrectionTestPoints);
    EXPECT_NEAR(last.frequency, 28000.0, 0.01);
    EXPECT_NEAR(CorrectionTestValue(in, out, 500).frequency, std::sqrt(28000.0), 0.01);
    EXPECT_NEAR(CorrectionTestValue(in, out, 1).frequency, std::pow(28000.0, 0.001), 1e-4);
    EXPECT_EQ(last.input, 0.0) << "an empty table draws zeros";
    EXPECT_DOUBLE_EQ(last.output, 3.0);
    out.active = false;
    EXPECT_EQ(CorrectionTestValue(in, out, 10).output, 0.0) << "an inactive table draws zeros";

    in.fileName = QStringLiteral("in.cor");
    EXPECT_EQ(CorrectionTestInfoLine("Korrektur Kurve von ", in, out), "Korrektur Kurve von ");
    in.active = true;
    out.active = true;
    EXPECT_EQ(CorrectionTestInfoLine("H ", in, out), "H in.cor & out.cor");
}

class CorrectionMenuTest : public MainWindowTest {
protected:
    TMainMenu& menu() { return *main->Menu; }
    TCorrectionMenu& handlers() { return *main->CorrectionMenu; }
    QString coract() { return main->AnalyzerPage->coract->text(); }
};

TEST_F(CorrectionMenuTest, SwitchingOnANeverLoadedTableDoesNothing)
{
    start();
    menu().Eingangskorrekturaktiv1->trigger();
    EXPECT_FALSE(InputCorrection().active);
    EXPECT_FALSE(menu().Eingangskorrekturaktiv1->isChecked());
    EXPECT_EQ(coract(), ".");
}

TEST_F(CorrectionMenuTest, LoadSwitchAndFailedLoad)
{
    dir.write("good.cor", "100 1\n1000 0\n10000 -2\n");
    dir.write("bad.cor", "100 1\nthis is not a point\n");
    start();
    modals.answerFile(dir.file("good.cor"));
    menu().LadeEingangskorrekturdatei1->trigger();
    EXPECT_EQ(modals.questions().back().filter, "Correction File | *.cor");
    EXPECT_EQ(modals.questions().back().defaultExt, "cor");
    EXPECT_TRUE(InputCorrection().active);
    EXPECT_EQ(InputCorrection().count, 3);
    EXPECT_TRUE(menu().Eingangskorrekturaktiv1->isChecked());
    EXPECT_EQ(coract(), "Korrektur aktiv");

    menu().Eingangskorrekturaktiv1->trigger();
    EXPECT_FALSE(InputCorrection().active);
    EXPECT_EQ(coract(), ".");
    menu().Eingangskorrekturaktiv1->trigger();
    EXPECT_TRUE(InputCorrection().active);

    modals.clear();
    modals.answerFile(dir.file("bad.cor"));
    menu().LadeEingangskorrekturdatei1->trigger();
    EXPECT_EQ(modals.messageTexts().size(), 1) << "the loader reports the line error";
    EXPECT_EQ(InputCorrection().count, 0);
    EXPECT_EQ(Correct(InputCorrection(), 1, 1000.0, -20.0), -20.0) << "nothing is applied";
    // The item shows what is applied: nothing.
    EXPECT_FALSE(menu().Eingangskorrekturaktiv1->isChecked());
    EXPECT_EQ(coract(), ".");

    modals.answerCancel();
    menu().LadeAusgangskorrekturdatei1->trigger();
    EXPECT_FALSE(OutputCorrection().active);
}

TEST_F(CorrectionMenuTest, TestDrawsBothCurvesAndNamesTheActiveFiles)
{
    dir.write("out.cor", "20 -1\n1000 2\n20000 5\n");
    writeSettings("[MAIN]\nOUTCONAME=" + dir.file("out.cor").toUtf8() + "\nOUTCOAKT=TRUE\n");
    start();
    EXPECT_EQ(coract(), "Korrektur aktiv");
    menu().Testekorrekturdatei1->trigger();
    TDiagramm* d = Forms().Diagramm;
    EXPECT_EQ(d->GetInfoLine(), "Korrektur Kurve von  & " + dir.file("out.cor"));
    EXPECT_EQ(d->GetLastIndex(), kCorrectionTestPoints);
    const DiaPointStore& points = d->Points();
    for (int i : {1, 250, 700, 1000}) {
        const CorrectionTestPoint p = CorrectionTestValue(InputCorrection(), OutputCorrection(), i);
        EXPECT_FLOAT_EQ(points.x()[i], float(p.frequency));
        EXPECT_EQ(points.curve1()[i], 0.0f);
        EXPECT_FLOAT_EQ(points.curve2()[i], float(p.output));
    }
    EXPECT_NEAR(points.curve2()[700], SplineValue(OutputCorrection(), points.x()[700]), 1e-4);

    main->deutschEnglish1Click();
    menu().Testekorrekturdatei1->trigger();
    EXPECT_EQ(d->GetInfoLine(), "Correction curve of  & " + dir.file("out.cor"));
}

TEST_F(CorrectionMenuTest, AFileThatFailsAtStartIsNeitherLoadedNorActive)
{
    dir.write("bad.cor", "1000 x\n");
    writeSettings("[MAIN]\nINCONAME=" + dir.file("bad.cor").toUtf8() + "\nINCOAKT=TRUE\n");
    start();
    EXPECT_EQ(modals.messageTexts().size(), 1);
    EXPECT_EQ(InputCorrection().count, 0);
    EXPECT_FALSE(InputCorrection().active);
    EXPECT_FALSE(menu().Eingangskorrekturaktiv1->isChecked());
    EXPECT_EQ(coract(), ".");
}

TEST_F(CorrectionMenuTest, EditorSavesReloadsAndTests)
{
    dir.write("in.cor", "1000 0\n");
    start();
    // Without a file the editor asks for one first.
    modals.answerFile(dir.file("in.cor"));
    menu().EditEingangskorrekturdatei1->trigger();
    TKorEdit* editor = Forms().KorEdit;
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->Memo1->toPlainText(), "1000 0\n");
    EXPECT_TRUE(InputCorrection().active);
    EXPECT_TRUE(menu().Eingangskorrekturaktiv1->isChecked());
    EXPECT_FALSE(editor->Modified());

    editor->Memo1->setFocus();
    editor->Memo1->moveCursor(QTextCursor::Start);
    QTest::keyClicks(editor->Memo1, "50 4");
    QTest::keyClick(editor->Memo1, Qt::Key_Return);
    EXPECT_TRUE(editor->Modified());
    ASSERT_TRUE(editor->testClick());
    EXPECT_FALSE(editor->Modified());
    EXPECT_EQ(dir.read("in.cor"), "50 4\n1000 0\n");
    EXPECT_EQ(InputCorrection().count, 2);
    EXPECT_TRUE(InputCorrection().active);
    EXPECT_EQ(Forms().Diagramm->GetInfoLine(), "Korrektur Kurve von " + dir.file("in.cor"));
    EXPECT_EQ(coract(), "Korrektur aktiv");
}

TEST_F(CorrectionMenuTest, EditorAsksBeforeChangesAreClosedAway)
{
    dir.write("out.cor", "1000 1\n");
    writeSettings("[MAIN]\nOUTCONAME=" + dir.file("out.cor").toUtf8() + "\n");
    start();
    menu().EditAusgangskorrekturdatei1->trigger();
    TKorEdit* editor = Forms().KorEdit;
    ASSERT_TRUE(editor->isVisible());

    // Unchanged: closing asks nothing.
    editor->close();
    EXPECT_TRUE(modals.messageTexts().isEmpty());

    // A change made without a key (paste with the mouse) counts too, and
    // moving the focus away and back does not forget it.
    menu().EditAusgangskorrekturdatei1->trigger();
    editor->Memo1->insertPlainText("20000 -3\n");
    editor->Memo1->clearFocus();
    editor->Memo1->setFocus();
    modals.answerButton(modal::No);
    editor->close();
    ASSERT_EQ(modals.messageTexts(), QStringList{"Korrekturwerte wurden verändert ! Speichern ?"});
    EXPECT_EQ(modals.questions().back().buttons, modal::Yes | modal::No);
    EXPECT_EQ(dir.read("out.cor"), "1000 1\n") << "No keeps the file";

    menu().EditAusgangskorrekturdatei1->trigger();
    editor->Memo1->insertPlainText("20 2\n");
    modals.answerButton(modal::Yes);
    editor->close();
    EXPECT_EQ(dir.read("out.cor"), "20 2\n1000 1\n");
    EXPECT_EQ(OutputCorrection().count, 2);
}

TEST_F(CorrectionMenuTest, EditorReportsAFileItCannotWrite)
{
    QDir(dir.path()).mkpath("sub");
    dir.write("sub/in.cor", "1000 0\n");
    start();
    modals.answerFile(dir.file("sub/in.cor"));
    menu().EditEingangskorrekturdatei1->trigger();
    TKorEdit* editor = Forms().KorEdit;
    editor->Memo1->insertPlainText("10 1\n");
    // The file's folder is replaced by a plain file: nothing can be written there.
    QDir(dir.file("sub")).removeRecursively();
    dir.write("sub", "in the way");
    modals.clear();
    EXPECT_FALSE(editor->testClick());
    ASSERT_EQ(modals.messageTexts().size(), 1);
    EXPECT_EQ(modals.messageTexts().front(), dir.file("sub/in.cor") + " konnte nicht erzeugt werden");
    EXPECT_TRUE(editor->Modified()) << "the text is still unsaved";
}

TEST_F(CorrectionMenuTest, EditorStillSavesAfterASaveTheLoaderRefused)
{
    dir.write("in.cor", "1000 0\n");
    writeSettings("[MAIN]\nINCONAME=" + dir.file("in.cor").toUtf8() + "\nINCOAKT=TRUE\n");
    start();
    menu().EditEingangskorrekturdatei1->trigger();
    TKorEdit* editor = Forms().KorEdit;
    ASSERT_TRUE(editor->isVisible());

    // A typing slip: the file is saved, the loader refuses it and empties the
    // table, name included.
    editor->Memo1->setPlainText("1000\n");
    ASSERT_TRUE(editor->testClick());
    EXPECT_EQ(modals.messageTexts(), QStringList{"Zeilenfehler"});
    EXPECT_EQ(InputCorrection().count, 0);

    // The mended text still goes to the file being edited, and the table
    // is loaded from it again.
    editor->Memo1->setPlainText("1000 3\n");
    ASSERT_TRUE(editor->testClick());
    EXPECT_EQ(dir.read("in.cor"), "1000 3\n");
    EXPECT_EQ(InputCorrection().count, 1);
    EXPECT_EQ(InputCorrection().fileName, dir.file("in.cor"));
    EXPECT_TRUE(InputCorrection().active);
    EXPECT_FALSE(editor->Modified());

    // Also when the mended text is saved through the close question.
    editor->Memo1->setPlainText("1000\n");
    editor->testClick();
    editor->Memo1->setPlainText("1000 4\n");
    editor->Memo1->document()->setModified(true);
    modals.answerButton(modal::Yes);
    editor->close();
    EXPECT_EQ(dir.read("in.cor"), "1000 4\n");
    EXPECT_EQ(InputCorrection().count, 1);
}

// A name that does not exist yet creates the file with one flat point, as
// the README promises, from each of the four items and in both languages;
// the dialog is asked to accept a new name and carries the item's caption.
struct NewFileCase {
    char language;
    QAction* TMainMenu::*item;
    bool input;
    bool edits;
    const char* title;
};

class CorrectionNewFile : public CorrectionMenuTest, public ::testing::WithParamInterface<NewFileCase> {};

TEST_P(CorrectionNewFile, ANewNameCreatesTheFile)
{
    const NewFileCase c = GetParam();
    start();
    if (c.language == 'E')
        main->deutschEnglish1Click();
    modals.answerFile(dir.file("mine"));   // typed without an extension
    (menu().*c.item)->trigger();

    ASSERT_FALSE(modals.questions().empty());
    const modal::Question& q = modals.questions().front();
    EXPECT_EQ(q.type, modal::Type::OpenFile);
    EXPECT_TRUE(q.mayCreate) << "the dialog must accept a name that does not exist";
    EXPECT_EQ(q.text, c.title);
    EXPECT_TRUE(modals.messageTexts().isEmpty()) << modals.messageTexts().join('\n').toStdString();
    EXPECT_EQ(dir.read("mine.cor"), kDefaultCorrectionContent);

    const CorrectionTable& table = c.input ? InputCorrection() : OutputCorrection();
    EXPECT_EQ(table.fileName, dir.file("mine.cor"));
    EXPECT_EQ(table.count, 1);
    EXPECT_TRUE(table.active);
    EXPECT_TRUE((c.input ? menu().Eingangskorrekturaktiv1 : menu().Ausgangskorrekturaktiv1)->isChecked());
    EXPECT_EQ(coract(), c.language == 'E' ? "Correction active" : "Korrektur aktiv");
    TKorEdit* editor = Forms().KorEdit;
    EXPECT_EQ(editor->isVisible(), c.edits);
    if (c.edits) {
        EXPECT_EQ(editor->Memo1->toPlainText(), "1000 0\n");
    }

    // The new file is remembered like any other.
    closeMain();
    EXPECT_EQ(setting("MAIN", c.input ? "INCONAME" : "OUTCONAME"), dir.file("mine.cor"));
}

INSTANTIATE_TEST_SUITE_P(
    ItemsAndLanguages, CorrectionNewFile,
    ::testing::Values(
        NewFileCase{'D', &TMainMenu::LadeEingangskorrekturdatei1, true, false, "Lade Eingangskorrekturdatei"},
        NewFileCase{'D', &TMainMenu::EditEingangskorrekturdatei1, true, true, "Lade Eingangskorrekturdatei"},
        NewFileCase{'D', &TMainMenu::LadeAusgangskorrekturdatei1, false, false, "Lade Ausgangskorrekturdatei"},
        NewFileCase{'D', &TMainMenu::EditAusgangskorrekturdatei1, false, true, "Lade Ausgangskorrekturdatei"},
        NewFileCase{'E', &TMainMenu::LadeEingangskorrekturdatei1, true, false, "Open Input Correction File"},
        NewFileCase{'E', &TMainMenu::EditEingangskorrekturdatei1, true, true, "Open Input Correction File"},
        NewFileCase{'E', &TMainMenu::LadeAusgangskorrekturdatei1, false, false, "Open Output Correction File"},
        NewFileCase{'E', &TMainMenu::EditAusgangskorrekturdatei1, false, true, "Open Output Correction File"}));
