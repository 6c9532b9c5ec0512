#pragma once

namespace korvanta {

// Wiring of the sweep page into the main window: the menu items a sweep
// locks, and the windows it draws into and asks its settings with.

class TGeneratorPage;
class TMainMenu;

// Called when the menus exist.
void AttachSweepMenus(TGeneratorPage& page, TMainMenu& menu);
// Called once the other windows exist (first showing of the main window).
void AttachSweepWindows(TGeneratorPage& page);

} // namespace korvanta
