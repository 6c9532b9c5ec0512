#include "ModalQuestions.h"
#include "TestSupport.h"

#include <QPrinter>
#include <gtest/gtest.h>

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
