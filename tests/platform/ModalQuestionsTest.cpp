#include "platform/ui/Dialogs.h"
#include "platform/ModalQuestions.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvanta;

// Without a test hook and without the windows' dialogs, as in the measuring
// command, every question gets the answer of a dialog closed with Escape:
// nothing waits for a user who is not there, and nothing is taken as agreed.
TEST(ModalQuestions, WithoutDialogsEveryQuestionIsAnsweredAsEscaped)
{
    modal::SetPresenter({});
    ASSERT_FALSE(modal::HookInstalled());
    const struct {
        int buttons;
        int answer;
    } boxes[] = {{modal::Ok, modal::Ok},
                 {modal::Yes | modal::No, modal::No},
                 {modal::Yes | modal::No | modal::Cancel, modal::Cancel},
                 {modal::Ok | modal::Cancel | modal::Help, modal::Cancel}};
    for (const auto& b : boxes)
        EXPECT_EQ(modal::MessageBox(modal::Kind::Question, "Overwrite?", b.buttons), b.answer) << b.buttons;
    EXPECT_EQ(modal::SaveFileName("Save", "Text File | *.txt", "txt"), "");
    EXPECT_EQ(modal::ChooseColor(0x0000FF), std::nullopt);
    EXPECT_EQ(modal::AskText("Name", "Name:", "x"), std::nullopt);
}

TEST(ModalQuestions, HookRecordsMessageBoxesAndAnswers)
{
    ModalRecorder rec;
    rec.answerButton(modal::No);
    EXPECT_EQ(modal::MessageBox(modal::Kind::Question, "Save?", modal::Yes | modal::No, 0), modal::No);
    EXPECT_EQ(modal::MessageBox(modal::Kind::Error, "Broken (x)", modal::Ok | modal::Help, 17), modal::Ok);
    ASSERT_EQ(rec.questions().size(), 2u);
    EXPECT_EQ(rec.questions()[1].kind, modal::Kind::Error);
    EXPECT_EQ(rec.questions()[1].helpContext, 17);
    EXPECT_EQ(rec.questions()[1].buttons, modal::Ok | modal::Help);
    EXPECT_EQ(rec.messageTexts(), (QStringList{"Save?", "Broken (x)"}));
}

TEST(ModalQuestions, FileDialogsCompleteTheDefaultExtension)
{
    ModalRecorder rec;
    rec.answerFile("/tmp/values");
    rec.answerFile("/tmp/curve.txt");
    rec.answerCancel();
    EXPECT_EQ(modal::SaveFileName("Diagram values", "Text File | *.txt", "txt"), "/tmp/values.txt");
    EXPECT_EQ(modal::OpenFileName("Open", "Correction File | *.cor", "cor"), "/tmp/curve.txt");
    EXPECT_EQ(modal::OpenFileName("Open", "Correction File | *.cor", "cor"), "");
    EXPECT_EQ(rec.questions()[0].type, modal::Type::SaveFile);
    EXPECT_EQ(rec.questions()[0].filter, "Text File | *.txt");
}

TEST(ModalQuestions, ColourAndPrintDialogs)
{
    ModalRecorder rec;
    rec.answerColor(0x00FF00);
    rec.answerCancel();
    EXPECT_EQ(modal::ChooseColor(0x0000FF), std::optional<unsigned>(0x00FF00));
    EXPECT_EQ(rec.questions()[0].colorRef, 0x0000FFu);
    EXPECT_EQ(modal::ChooseColor(0x0000FF), std::nullopt);
    QPrinter printer;
    EXPECT_TRUE(modal::PrintDialog(printer));
}

TEST(ModalQuestions, ClassicFilterBecomesQtFilter)
{
    EXPECT_EQ(modal::ToQtFilter("Correction File | *.cor"), "Correction File (*.cor)");
    EXPECT_EQ(modal::ToQtFilter("Text | *.txt|All | *"), "Text (*.txt);;All (*)");
}

TEST(ModalQuestions, HelpHandlerReceivesTheContext)
{
    int shown = -1;
    modal::SetHelpHandler([&](int c) { shown = c; });
    modal::ShowHelp(17);
    EXPECT_EQ(shown, 17);
    modal::SetHelpHandler({});
}

// The real file dialog, driven as a user would: type a name that does not
// exist and press Open. The plain open dialog refuses it ("File not found");
// the one for files the program creates takes it.
struct NewNameCase {
    bool mayCreate;
    bool accepted;
};

class RealFileDialog : public ::testing::TestWithParam<NewNameCase> {};

TEST_P(RealFileDialog, NewNameIsTakenOnlyWhenTheCallerCreatesFiles)
{
    ScratchDir dir;
    const QString name = dir.file("fresh.cor");
    bool typed = false;
    int ticksAfterOpen = 0;
    QStringList refusals;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                refusals << box->text();
                box->reject();
                return;
            }
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            if (!dlg || !dlg->isVisible())
                continue;
            if (typed) {
                // Still open half a second after Open: the name was refused.
                // (The dialog may take a few ticks to check a typed name.)
                if (++ticksAfterOpen >= 25)
                    dlg->reject();
                return;
            }
            typed = true;
            // Typed into the name field: selectFile() leaves a focused
            // field alone, and the offscreen platform gives it the focus.
            if (auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                edit->setText(name);
            else
                dlg->selectFile(name);
            // "Open", as a click would; queued, so that a refusal box can be
            // answered by this timer while it waits.
            QMetaObject::invokeMethod(dlg, "accept", Qt::QueuedConnection);
            return;
        }
    });
    modal::UseDialogs();
    driver.start(20);
    const NewNameCase c = GetParam();
    const QString chosen = c.mayCreate ? modal::OpenOrNewFileName("Open", "Correction File | *.cor", "cor", dir.path())
                                       : modal::OpenFileName("Open", "Correction File | *.cor", "cor", dir.path());
    driver.stop();
    EXPECT_TRUE(typed);
    EXPECT_EQ(chosen, c.accepted ? name : QString());
    EXPECT_EQ(refusals.size(), c.accepted ? 0 : 1);
    EXPECT_FALSE(QFile::exists(name)) << "the dialog itself creates nothing";
}

INSTANTIATE_TEST_SUITE_P(OpenDialogs, RealFileDialog,
                         ::testing::Values(NewNameCase{false, false}, NewNameCase{true, true}));
