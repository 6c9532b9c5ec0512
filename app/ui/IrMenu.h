#pragma once
// The main window's side of the impulse response window: its item in the
// "&Werkzeuge" menu and the rest every window of the program's own shares
// (ToolMenu.h).

#include "app/ui/ToolMenu.h"

namespace korvanta {

class TIrWindow;

class TIrMenu : public TToolMenu {
    Q_OBJECT
public:
    // `runStarts` stops every other loop and lends the run the input.
    explicit TIrMenu(RunStarts runStarts, QObject* parent = nullptr);

    // The item "&Impulsantwort...".
    void AttachMenus(TMainMenu& menu) override;
    void AttachWindows(const AppWindows& windows) override;
    void SetWindow(TIrWindow* window);

    QAction* ImpulseResponse1 = nullptr;

private:
    TIrWindow* window_ = nullptr;
};

} // namespace korvanta
