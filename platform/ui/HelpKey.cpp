#include "platform/ui/HelpKey.h"

#include "platform/ModalQuestions.h"

#include <QHash>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace korvanta {

namespace {
QHash<QWidget*, std::function<void()>>& openers()
{
    static QHash<QWidget*, std::function<void()>> table;
    return table;
}

bool isToolWindow(const QWidget* w) { return w->windowType() == Qt::Tool && w->parentWidget(); }
} // namespace

void AddHelpKey(QWidget* window, std::function<void()> open)
{
    openers().insert(window, open);
    QObject::connect(window, &QObject::destroyed, [window] { openers().remove(window); });
    if (isToolWindow(window))
        return;
    // A window shortcut: F1 belongs to the window the user is in, so a
    // dialog's key never fires from the main window and the other way round.
    auto* key = new QShortcut(QKeySequence::HelpContents, window);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, window, std::move(open));
}

void AddHelpKey(QWidget* window, int context)
{
    AddHelpKey(window, [context] { modal::ShowHelp(context); });
}

bool OpenHelpOfWindow(QWidget* window)
{
    const auto it = window ? openers().constFind(window) : openers().constEnd();
    if (it == openers().constEnd())
        return false;
    // Called from the owner's key: the opener may close windows, so it is
    // copied before it runs.
    const std::function<void()> open = it.value();
    open();
    return true;
}

} // namespace korvanta
