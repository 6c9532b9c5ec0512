#include "correction/ui/koedi.h"
#include "platform/LanguageTexts.h"

#include "correction/CorrectionFile.h"
#include "correction/CorrectionTable.h"
#include "platform/ModalQuestions.h"
#include "platform/RegularFile.h"
#include "platform/TextDecoding.h"
#include "platform/ui/HelpKey.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScreen>

namespace korvanta {

namespace {
constexpr int kEditorWidth = 447;
constexpr int kEditorHeight = 533;
constexpr Words kCaptionPrefix{"Editor Korrekturdatei: ", "Editor correction file: "};
} // namespace

TKorEdit::TKorEdit(QWidget* parent) : QMainWindow(parent, Qt::Window)
{
    AddHelpKey(this, kHelpContext);
    setWindowTitle(QStringLiteral("Editor Korrekturdatei"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setTabChangesFocus(false);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    setCentralWidget(Memo1);
    test = menuBar()->addAction(QStringLiteral("Save && Test"));
    connect(test, &QAction::triggered, this, &TKorEdit::testClick);
    SetKorLanguage('D');
    resize(kEditorWidth, kEditorHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TKorEdit::EditTable(CorrectionTable* table)
{
    table_ = table;
    fileName_ = table ? table->fileName : QString();
    QByteArray bytes;
    FileProblem problem;
    const bool ok = table && ReadRegularFile(fileName_, kCorrectionMaxFileBytes, bytes, problem);
    Memo1->setPlainText(ok ? DecodeText(bytes) : QString());
    Memo1->document()->setModified(false);
    return ok;
}

bool TKorEdit::testClick()
{
    // The editor's own copy of the name: a save the loader refused empties
    // the table, name included, and the mended text must still reach the file.
    if (!table_ || fileName_.isEmpty())
        return false;
    const QString name = fileName_;
    QSaveFile file(name);
    QString text = Memo1->toPlainText();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    const bool written = file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size() && file.commit();
    if (!written) {
        modal::MessageBox(modal::Kind::Error, name + notCreated_, modal::Ok);
        return false;
    }
    Memo1->document()->setModified(false);
    LoadCorrection(*table_, name);
    table_->active = true;
    emit tableSaved();
    return true;
}

void TKorEdit::SetKorLanguage(char letter)
{
    if (letter == 'D' || letter == 'E')
        language_ = letter;
    if (letter == 'D') {
        setWindowTitle(QStringLiteral("Editor Korrekturdatei"));
        question_ = QStringLiteral("Korrekturwerte wurden verändert ! Speichern ?");
        notCreated_ = QStringLiteral(" konnte nicht erzeugt werden");
    } else if (letter == 'E') {
        setWindowTitle(QStringLiteral("Editor correction file"));
        question_ = QStringLiteral("Values changed ! Saving ?");
        notCreated_ = QStringLiteral(" could not created");
    }
}

bool TKorEdit::Modified() const { return Memo1->document()->isModified(); }

void TKorEdit::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QMainWindow::changeEvent(event);
}

void TKorEdit::FormActivate()
{
    setWindowTitle(Pick(language_, kCaptionPrefix) + fileName_);
}

void TKorEdit::closeEvent(QCloseEvent* event)
{
    FormCloseQuery();
    event->accept();
}

void TKorEdit::FormCloseQuery()
{
    if (!Modified())
        return;
    if (modal::MessageBox(modal::Kind::Information, question_, modal::Yes | modal::No) == modal::Yes)
        testClick();
}

} // namespace korvanta
