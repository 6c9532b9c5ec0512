#include "platform/ui/Dialogs.h"

#include "platform/ModalQuestions.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace korvanta {

namespace modal {
namespace {
QPointer<QWidget>& dialogParent()
{
    static QPointer<QWidget> p;
    return p;
}

QMessageBox::Icon iconFor(Kind kind)
{
    switch (kind) {
    case Kind::Error: return QMessageBox::Critical;
    case Kind::Warning: return QMessageBox::Warning;
    case Kind::Question: return QMessageBox::Question;
    case Kind::Information: break;
    }
    return QMessageBox::Information;
}

int ShowMessage(const Question& q)
{
    QMessageBox box(iconFor(q.kind), q.caption.isEmpty() ? QStringLiteral("Korvanta") : q.caption, q.text,
                    QMessageBox::NoButton, dialogParent());
    struct Pair { int ours; QMessageBox::StandardButton qt; };
    const Pair pairs[] = {{Ok, QMessageBox::Ok}, {Cancel, QMessageBox::Cancel}, {Yes, QMessageBox::Yes},
                          {No, QMessageBox::No}};
    for (const Pair& p : pairs)
        if (q.buttons & p.ours)
            box.addButton(p.qt);
    QAbstractButton* help = (q.buttons & Help) ? box.addButton(QMessageBox::Help) : nullptr;
    // Help opens the help and asks the same question again.
    do {
        box.exec();
        if (help && box.clickedButton() == help)
            ShowHelp(q.helpContext);
    } while (help && box.clickedButton() == help);
    const auto pressed = box.standardButton(box.clickedButton());
    for (const Pair& p : pairs)
        if (pressed == p.qt)
            return p.ours;
    return EscapeButton(q.buttons);
}

Answer ShowFileDialog(const Question& q)
{
    QFileDialog dlg(dialogParent(), q.text, q.initialPath, ToQtFilter(q.filter));
    dlg.setAcceptMode(q.type == Type::SaveFile ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(q.type == Type::SaveFile || q.mayCreate ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(q.defaultExt);
    Answer a;
    a.accepted = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
    if (a.accepted)
        a.fileName = dlg.selectedFiles().first();
    return a;
}

Answer ShowColorDialog(const Question& q)
{
    const unsigned c0 = q.colorRef;
    const QColor c = QColorDialog::getColor(QColor(c0 & 0xFF, (c0 >> 8) & 0xFF, (c0 >> 16) & 0xFF), dialogParent());
    Answer a;
    a.accepted = c.isValid();
    a.colorRef = static_cast<unsigned>(c.red()) | (static_cast<unsigned>(c.green()) << 8) |
                 (static_cast<unsigned>(c.blue()) << 16);
    return a;
}

Answer ShowTextQuestion(const Question& q)
{
    Answer a;
    bool ok = false;
    a.text = QInputDialog::getText(dialogParent(), q.caption, q.text, QLineEdit::Normal, q.initialText, &ok);
    a.accepted = ok;
    return a;
}

Answer Present(const Question& q)
{
    switch (q.type) {
    case Type::Message: {
        Answer a;
        a.button = ShowMessage(q);
        return a;
    }
    case Type::OpenFile:
    case Type::SaveFile: return ShowFileDialog(q);
    case Type::Color: return ShowColorDialog(q);
    case Type::Text: return ShowTextQuestion(q);
    case Type::Print: break; // needs the printer: PrintDialog below
    }
    Answer none;
    none.accepted = false;
    return none;
}
} // namespace

void UseDialogs() { SetPresenter(Present); }

void SetDialogParent(QWidget* parent) { dialogParent() = parent; }

bool PrintDialog(QPrinter& printer)
{
    if (HookInstalled()) {
        Question q;
        q.type = Type::Print;
        return Ask(q).accepted;
    }
    QPrintDialog dlg(&printer, dialogParent());
    return dlg.exec() == QDialog::Accepted;
}

} // namespace modal

} // namespace korvanta
