#include "ModalQuestions.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>

namespace modal {
namespace {
Hook& hook()
{
    static Hook h;
    return h;
}
std::function<void(int)>& helpHandler()
{
    static std::function<void(int)> h;
    return h;
}
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

QString withDefaultExtension(QString path, const QString& defaultExt)
{
    if (!path.isEmpty() && !defaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + defaultExt;
    return path;
}

QString fileDialog(Type type, const QString& title, const QString& filter, const QString& defaultExt,
                   const QString& initialPath, bool mayCreate = false)
{
    if (hook()) {
        Question q;
        q.type = type;
        q.mayCreate = mayCreate;
        q.text = title;
        q.filter = filter;
        q.defaultExt = defaultExt;
        q.initialPath = initialPath;
        const Answer a = hook()(q);
        return a.accepted ? withDefaultExtension(a.fileName, defaultExt) : QString();
    }
    QFileDialog dlg(dialogParent(), title, initialPath, ToQtFilter(filter));
    dlg.setAcceptMode(type == Type::SaveFile ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(type == Type::SaveFile || mayCreate ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(defaultExt);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return withDefaultExtension(dlg.selectedFiles().first(), defaultExt);
}
} // namespace

void SetHook(Hook h) { hook() = std::move(h); }
bool HookInstalled() { return static_cast<bool>(hook()); }

void SetHelpHandler(std::function<void(int)> handler) { helpHandler() = std::move(handler); }

void ShowHelp(int context)
{
    if (helpHandler())
        helpHandler()(context);
}

void SetDialogParent(QWidget* parent) { dialogParent() = parent; }

int MessageBox(Kind kind, const QString& text, int buttons, int helpContext, const QString& caption)
{
    if (hook()) {
        Question q;
        q.type = Type::Message;
        q.kind = kind;
        q.caption = caption;
        q.text = text;
        q.buttons = buttons;
        q.helpContext = helpContext;
        return hook()(q).button;
    }
    QMessageBox box(iconFor(kind), caption.isEmpty() ? QStringLiteral("Korvanta") : caption, text,
                    QMessageBox::NoButton, dialogParent());
    struct Pair { int ours; QMessageBox::StandardButton qt; };
    const Pair pairs[] = {{Ok, QMessageBox::Ok}, {Cancel, QMessageBox::Cancel}, {Yes, QMessageBox::Yes},
                          {No, QMessageBox::No}};
    for (const Pair& p : pairs)
        if (buttons & p.ours)
            box.addButton(p.qt);
    QAbstractButton* help = (buttons & Help) ? box.addButton(QMessageBox::Help) : nullptr;
    // Help opens the help and asks the same question again.
    do {
        box.exec();
        if (help && box.clickedButton() == help)
            ShowHelp(helpContext);
    } while (help && box.clickedButton() == help);
    const auto pressed = box.standardButton(box.clickedButton());
    for (const Pair& p : pairs)
        if (pressed == p.qt)
            return p.ours;
    // Closed with Escape or the window's close button.
    if (buttons & Cancel)
        return Cancel;
    if (buttons & No)
        return No;
    return Ok;
}

QString OpenFileName(const QString& title, const QString& filter, const QString& defaultExt,
                     const QString& initialPath)
{
    return fileDialog(Type::OpenFile, title, filter, defaultExt, initialPath);
}

QString OpenOrNewFileName(const QString& title, const QString& filter, const QString& defaultExt,
                          const QString& initialPath)
{
    return fileDialog(Type::OpenFile, title, filter, defaultExt, initialPath, true);
}

QString SaveFileName(const QString& title, const QString& filter, const QString& defaultExt,
                     const QString& initialPath)
{
    return fileDialog(Type::SaveFile, title, filter, defaultExt, initialPath);
}

std::optional<unsigned> ChooseColor(unsigned initialColorRef)
{
    if (hook()) {
        Question q;
        q.type = Type::Color;
        q.colorRef = initialColorRef;
        const Answer a = hook()(q);
        if (!a.accepted)
            return std::nullopt;
        return a.colorRef;
    }
    const QColor initial(initialColorRef & 0xFF, (initialColorRef >> 8) & 0xFF, (initialColorRef >> 16) & 0xFF);
    const QColor c = QColorDialog::getColor(initial, dialogParent());
    if (!c.isValid())
        return std::nullopt;
    return static_cast<unsigned>(c.red()) | (static_cast<unsigned>(c.green()) << 8) |
           (static_cast<unsigned>(c.blue()) << 16);
}

std::optional<QString> AskText(const QString& title, const QString& label, const QString& initial)
{
    if (hook()) {
        Question q;
        q.type = Type::Text;
        q.caption = title;
        q.text = label;
        q.initialText = initial;
        const Answer a = hook()(q);
        if (!a.accepted)
            return std::nullopt;
        return a.text;
    }
    bool ok = false;
    const QString text = QInputDialog::getText(dialogParent(), title, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

bool PrintDialog(QPrinter& printer)
{
    if (hook()) {
        Question q;
        q.type = Type::Print;
        return hook()(q).accepted;
    }
    QPrintDialog dlg(&printer, dialogParent());
    return dlg.exec() == QDialog::Accepted;
}

QString ToQtFilter(const QString& classicFilter)
{
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i].trimmed() + QStringLiteral(" (") + parts[i + 1].trimmed() + QLatin1Char(')');
    return out.join(QStringLiteral(";;"));
}

} // namespace modal
