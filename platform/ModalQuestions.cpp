#include "platform/ModalQuestions.h"

#include "platform/FileFolders.h"

#include <QFileInfo>
#include <QStringList>

namespace korvanta {

namespace modal {
namespace {
Hook& hook()
{
    static Hook h;
    return h;
}
Hook& presenter()
{
    static Hook h;
    return h;
}
std::function<void(int)>& helpHandler()
{
    static std::function<void(int)> h;
    return h;
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
    Question q;
    q.type = type;
    q.mayCreate = mayCreate;
    q.text = title;
    q.filter = filter;
    q.defaultExt = defaultExt;
    // Each kind of file starts where its last one was chosen, not in the
    // program's working directory.
    const QString kind = FileKindOf(defaultExt);
    q.initialPath = StartPath(kind, initialPath);
    const Answer a = Ask(q);
    if (!a.accepted)
        return QString();
    RememberFolder(kind, a.fileName);
    return withDefaultExtension(a.fileName, defaultExt);
}
} // namespace

int EscapeButton(int buttons)
{
    if (buttons & Cancel)
        return Cancel;
    if (buttons & No)
        return No;
    return Ok;
}

void SetHook(Hook h) { hook() = std::move(h); }
bool HookInstalled() { return static_cast<bool>(hook()); }
void SetPresenter(Hook p) { presenter() = std::move(p); }

Answer Ask(const Question& q)
{
    if (hook())
        return hook()(q);
    if (presenter())
        return presenter()(q);
    Answer a;
    a.accepted = false;
    a.button = EscapeButton(q.buttons);
    return a;
}

void SetHelpHandler(std::function<void(int)> handler) { helpHandler() = std::move(handler); }

void ShowHelp(int context)
{
    if (helpHandler())
        helpHandler()(context);
}

int MessageBox(Kind kind, const QString& text, int buttons, int helpContext, const QString& caption)
{
    Question q;
    q.type = Type::Message;
    q.kind = kind;
    q.caption = caption;
    q.text = text;
    q.buttons = buttons;
    q.helpContext = helpContext;
    return Ask(q).button;
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
    Question q;
    q.type = Type::Color;
    q.colorRef = initialColorRef;
    const Answer a = Ask(q);
    if (!a.accepted)
        return std::nullopt;
    return a.colorRef;
}

std::optional<QString> AskText(const QString& title, const QString& label, const QString& initial)
{
    Question q;
    q.type = Type::Text;
    q.caption = title;
    q.text = label;
    q.initialText = initial;
    const Answer a = Ask(q);
    if (!a.accepted)
        return std::nullopt;
    return a.text;
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

} // namespace korvanta
