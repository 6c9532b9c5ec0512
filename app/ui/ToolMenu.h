#pragma once
// The main window's side of a window of the program's own with a diagram
// and a run of its own (the distortion window, the device test, the
// impulse response): its item in the "&Werkzeuge" menu, which opens it on
// every page; what happens when its run starts (the main window stops the
// other loops first and lends it the input); stopping it with everything
// else; and its diagram's print, export, copy and memory menus in the
// window's own menu bar, acting on that diagram alone.

#include "app/ui/PagePart.h"
#include "platform/LanguageTexts.h"

#include <QObject>
#include <functional>

class QAction;
class QMenuBar;
class QWidget;

namespace korvanta {

class MeasuringEngine;
class TDiagramMenus;
class TDiagramm;

class TToolMenu : public QObject, public MainWindowPart {
    Q_OBJECT
public:
    // `runStarts` is called as the window's run is about to start, with the
    // engine that runs it.
    using RunStarts = std::function<void(MeasuringEngine&)>;

    // `itemName` is the item's object name, `caption` its text.
    TToolMenu(const char* itemName, const Words& caption, RunStarts runStarts, QObject* parent = nullptr);

    // Adds the item at the end of "&Werkzeuge".
    void AttachMenus(TMainMenu& menu) override;
    // The item's text, and the window's and its diagram menus' texts.
    void SetLanguage(char letter) override;
    // The menu item: the window is shown and brought to the front.
    void Open();
    // Everything stops: a run ends now.
    void Stop();

    // The window's menu bar: its diagram's print, export, copy and memories.
    TDiagramMenus* DiagramMenus = nullptr;

protected:
    // What the part needs of its window, which the derived part knows.
    struct Window {
        QWidget* widget = nullptr;
        QMenuBar* menus = nullptr;
        TDiagramm* diagram = nullptr;
        MeasuringEngine* engine = nullptr;
        std::function<void()> abort;
        std::function<void(char)> language;
    };
    void SetToolWindow(Window window);
    // Called when the window's run is about to start: the main window's part.
    void RunStarting();
    // Before the window is shown from the menu.
    virtual void BeforeOpen() { }

    QAction* item_ = nullptr;

private:
    const char* itemName_;
    Words caption_;
    RunStarts runStarts_;
    Window window_;
};

} // namespace korvanta
