#pragma once
// Every modal question the program asks goes through these functions:
// message boxes, file dialogs, the colour picker and the print dialog.
// Tests install a hook that records each question and answers it, so no test
// ever blocks on a dialog. The windows install the dialogs that ask the user
// (platform/ui/Dialogs.h); without either, as in the measuring command, a
// question gets the answer of a dialog closed with Escape.

#include <QString>
#include <functional>
#include <optional>

namespace korvanta {

namespace modal {

enum class Kind { Error, Warning, Information, Question };

// Buttons of a message box, combinable; the answer is one of them.
enum Button : int { Ok = 0x1, Cancel = 0x2, Yes = 0x4, No = 0x8, Help = 0x10 };

enum class Type { Message, OpenFile, SaveFile, Color, Print, Text };

struct Question {
    Type type = Type::Message;
    Kind kind = Kind::Information;
    QString caption;          // window title
    QString text;             // message text, or the file dialog's title
    int buttons = Ok;         // message boxes
    int helpContext = 0;      // context shown by the Help button, 0 = none
    QString filter;           // file dialogs, classic form "Text File | *.txt"
    QString defaultExt;       // file dialogs, without dot
    QString initialPath;      // file dialogs
    bool mayCreate = false;   // open dialogs: a name that does not exist yet is accepted
    unsigned colorRef = 0;    // colour picker: initial colour (0x00BBGGRR)
    QString initialText;      // text question: the proposed text
};

struct Answer {
    int button = Ok;          // message boxes: the button pressed
    bool accepted = true;     // file, colour and print dialogs: OK pressed
    QString fileName;         // file dialogs
    unsigned colorRef = 0;    // colour picker
    QString text;             // text question: the text entered
};

using Hook = std::function<Answer(const Question&)>;

// Installs (or, with an empty hook, removes) the test hook. While a hook is
// installed no dialog is shown.
void SetHook(Hook hook);
bool HookInstalled();

// Where the Help button of a message box leads: the help browser at a
// context number. Installed by the application window.
void SetHelpHandler(std::function<void(int context)> handler);
void ShowHelp(int context);

// Installs (or removes) what shows a question to the user when no test
// hook is installed.
void SetPresenter(Hook presenter);

// Puts a question to the test hook, else to the presenter, else answers it
// as a dialog closed with Escape.
Answer Ask(const Question& q);

// What a message box with `buttons` answers when closed with Escape or its
// close button: Cancel, else No, else Ok.
int EscapeButton(int buttons);

// Shows a message box and returns the button pressed. Help does not close
// the box; it opens the help at helpContext and the question stays.
int MessageBox(Kind kind, const QString& text, int buttons = Ok, int helpContext = 0,
               const QString& caption = QString());

// File dialogs. `filter` uses the classic "Name | *.ext" form. Return the
// chosen path, or an empty string when the user cancelled. A missing
// extension is completed with defaultExt.
QString OpenFileName(const QString& title, const QString& filter, const QString& defaultExt,
                     const QString& initialPath = QString());
// An open dialog that also accepts the name of a file that does not exist
// yet, for files the caller creates when they are missing.
QString OpenOrNewFileName(const QString& title, const QString& filter, const QString& defaultExt,
                          const QString& initialPath = QString());
QString SaveFileName(const QString& title, const QString& filter, const QString& defaultExt,
                     const QString& initialPath = QString());

// Colour picker on a Windows colour value (0x00BBGGRR). Empty on cancel.
std::optional<unsigned> ChooseColor(unsigned initialColorRef);

// A one-line text question (a name, say): `label` above the edit field,
// `initial` proposed. Empty on cancel.
std::optional<QString> AskText(const QString& title, const QString& label, const QString& initial);

// "Name | *.ext" (optionally several, separated by '|') to Qt's "Name (*.ext)".
QString ToQtFilter(const QString& classicFilter);

} // namespace modal

} // namespace korvanta
