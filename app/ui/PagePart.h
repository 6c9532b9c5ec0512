#pragma once
// How a page or a window takes part in the main window. The main window
// keeps a list of parts and calls each at the same moments: when its menu
// bar is built, when the other windows exist, when the language changes,
// and, for a page, when the page is entered or left. It composes them and
// never touches their controls; each part sets its own.

#include "audio/OutputOwner.h"

class QPushButton;

namespace korvanta {

struct AppWindows;
class TMainMenu;

class MainWindowPart {
public:
    virtual ~MainWindowPart() = default;

    // The menu bar is built: the part takes, adds or connects the items it
    // uses or locks.
    virtual void AttachMenus(TMainMenu& menu) = 0;
    // The windows created after the main window exist (its first showing).
    virtual void AttachWindows(const AppWindows& windows) = 0;
    // The program speaks `letter` now: the part sets the texts of its own
    // controls. A letter without texts leaves them as they are.
    virtual void SetLanguage(char letter) = 0;
};

// One tab of the main window.
class PagePart : public MainWindowPart {
public:
    // The help topic while the page is shown.
    virtual int HelpContext() const = 0;
    // The measuring loop that entering the page starts; every other loop
    // is stopped first. None when entering starts no loop.
    virtual MeasuringLoop EntryLoop() const { return MeasuringLoop::None; }
    virtual void Enter() = 0;
    // The start/stop key: starts the page's measurement when it is idle,
    // else stops it, as its own buttons would.
    virtual void StartStop() = 0;
    // Also called for every page when the main window closes.
    virtual void Leave() = 0;
};

// Presses `start` when it can be pressed, else `stop` when that can: the
// buttons' enabled states already say whether a run goes on.
void PressStartOrStop(QPushButton* start, QPushButton* stop);

} // namespace korvanta
