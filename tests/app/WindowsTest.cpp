// The smaller windows the main window opens, and its diagram commands:
// help, feature list, information box, comment, export, copy and print.

#include "app/ui/AboutBox.h"
#include "tests/app/AppTestSupport.h"
#include "platform/DeviceLog.h"
#include "diagram/ui/Diagr3.h"
#include "app/ui/FeatDlg.h"
#include "app/ui/HelpBrowser.h"
#include "app/ui/MainMenu.h"
#include "analysis/ui/analys.h"

#include <QAction>
#include <cmath>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

using namespace korvanta;

namespace {
// Runs `check` on the modal dialog that the next call opens, then closes it.
template <typename Dialog, typename Check>
void WhileModal(Dialog* dialog, Check check)
{
    QTimer::singleShot(0, dialog, [dialog, check] {
        check();
        dialog->accept();
    });
}
} // namespace

TEST_F(MainWindowTest, HelpOpensAtContentsAndAtEveryContextNumber)
{
    start();
    THelpBrowser* help = Forms().Help;
    main->Menu->HelpContentsItem->trigger();
    ASSERT_TRUE(help->isVisible());
    EXPECT_TRUE(help->CurrentSource().path().endsWith("krv14fd.html"));
    EXPECT_EQ(help->CurrentSource().fragment(), "contents");
    for (int context : {2, 3, 6, 9, 10, 11, 14, 15, 16, 17, 50, 51, 52}) {
        modal::ShowHelp(context);
        EXPECT_EQ(help->CurrentSource().fragment(), "ctx" + QString::number(context));
    }
    modal::ShowHelp(12345);
    EXPECT_EQ(help->CurrentSource().fragment(), "contents") << "an unknown context shows the contents";
    help->HelpKeyword("DCMOffset");
    EXPECT_EQ(help->CurrentSource().fragment(), "DCMOffset");
    EXPECT_EQ(THelpBrowser::HelpFileUrl("krv14fe.html").scheme(), "qrc")
        << "without a copy beside the program the built-in page serves";
}

TEST_F(MainWindowTest, HelpAskedFromAModalQuestionCanBeUsed)
{
    start();
    THelpBrowser* help = Forms().Help;
    QDialog question(main);
    Qt::WindowModality seen = Qt::NonModal;
    QTimer::singleShot(0, &question, [&] {
        modal::ShowHelp(17);
        seen = help->windowModality();
        help->hide();
        question.accept();
    });
    question.exec();
    EXPECT_EQ(seen, Qt::ApplicationModal);
    main->HelpContents();
    EXPECT_EQ(help->windowModality(), Qt::NonModal) << "from the menu it is an ordinary window again";
}

TEST_F(MainWindowTest, FeatureListShowsTheDeviceLogAndSavesIt)
{
    start();
    TFeatDlg* dlg = Forms().FeatDlg;
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QStringList shown;
    WhileModal(dlg, [&] {
        for (int i = 0; i < dlg->SrcList->count(); ++i)
            shown << dlg->SrcList->item(i)->text();
        dlg->SaveButton->click();
    });
    main->Menu->ShowFeaturelist1->trigger();
    QDir::setCurrent(oldDir);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front(), "--------------------------");
    EXPECT_EQ(shown.mid(1), devlog::Lines());
    EXPECT_TRUE(shown.join('\n').contains("Programm Version")) << "the capability report is in the log";
    EXPECT_EQ(QString::fromUtf8(dir.read("featlist.txt")), shown.join('\n') + '\n');
    EXPECT_EQ(dlg->windowTitle(), "Feature Liste");
}

TEST_F(MainWindowTest, InformationBoxNamesTheProgram)
{
    start();
    TAboutBox* box = Forms().AboutBox;
    QString title, product, version, sound;
    WhileModal(box, [&] {
        title = box->windowTitle();
        product = box->ProductName->text();
        version = box->Version->text();
        sound = box->SoundSystem->text();
    });
    main->Menu->HelpAboutItem->trigger();
    EXPECT_EQ(title, "Info");
    EXPECT_EQ(product, "Korvanta");
    EXPECT_TRUE(version.contains("1.4"));
    EXPECT_TRUE(sound.contains("virtual"));
}

TEST_F(MainWindowTest, DiagramCommandsExportCopyPrintAndComment)
{
    start();
    TDiagramm* d = Forms().Diagramm;
    // A curve in view: a diagram without one is not exported at all.
    ShowFlatCurve(*Forms().Diagramm, -40);
    // Export: the chosen file, or a message naming the file that failed.
    modals.answerFile(dir.file("values.txt"));
    main->Menu->SpeichernalsText1->trigger();
    EXPECT_EQ(modals.questions().back().text, "Diagrammwerte als Textdatei");
    EXPECT_GT(QFileInfo(dir.file("values.txt")).size(), 0);
    const QString blocked = dir.file("no/such/dir/values.txt");
    modals.answerFile(blocked);
    main->Menu->SpeichernalsText1->trigger();
    EXPECT_EQ(modals.messageTexts().back(), blocked + " konnte nicht erzeugt werden");

    QGuiApplication::clipboard()->clear();
    main->Menu->EditCopyItem->trigger();
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());

    QPrinter& printer = TMainForm::SharedPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.file("print.pdf"));
    main->Menu->FilePrintItem->trigger();
    EXPECT_EQ(modals.questions().back().type, modal::Type::Print);
    EXPECT_GT(QFileInfo(dir.file("print.pdf")).size(), 1000);

    main->Menu->Kommentar1->trigger();
    QApplication::processEvents();
    EXPECT_EQ(d->focusWidget(), d->Edicomment);

    main->PageControl1->setCurrentIndex(2);
    EXPECT_FALSE(main->Menu->Kommentar1->isEnabled());
    EXPECT_TRUE(main->Menu->EditCopyItem->isEnabled()) << "the copy takes the oscilloscope's picture";
    EXPECT_TRUE(main->Menu->FilePrintItem->isEnabled()) << "so does the printout";
}

TEST_F(MainWindowTest, AnalysisParametersOpenAsAModalDialog)
{
    start();
    TAnaly* dlg = Forms().Analy;
    bool wasModal = false;
    WhileModal(dlg, [&] { wasModal = dlg->isModal() && dlg->isVisible(); });
    main->Menu->Parameter1->trigger();
    EXPECT_TRUE(wasModal);
}

TEST_F(MainWindowTest, APositionOffEveryScreenIsNotTaken)
{
    writeSettings("[MAIN]\nLEFT=-30000\nTOP=-30000\n");
    start();
    EXPECT_NE(main->pos(), QPoint(-30000, -30000));
    closeMain();
    EXPECT_NE(setting("MAIN", "LEFT"), "-30000");
}
