#pragma once
// Where a window of the program's own (the distortion window, the device
// test, the impulse response, the report comparison) and its own diagram
// stand: whole on the main window's screen, in the room the program's other
// windows leave free, and never over the main window, whose page the user
// works on beside them.
//
// A window's "main window" is the last window up its chain of parents.

class QWidget;

namespace korvanta {

// `window` whole on its screen. A window with a place from the settings
// (`stored`) stays exactly there when that is on the screen; without one
// the program places it itself the first time, in free room beside the
// main window, with room left for its `diagram` (which may be null) when
// that has no stored place either (`diagramStored`). `placedOnce`
// remembers that first time.
void FitToolWindow(QWidget* window, QWidget* diagram, bool stored, bool diagramStored, bool& placedOnce);

// The diagram's first showing: kept where the settings put it (`stored`),
// pulled onto the screen; else beside `window` in free room, smaller, or
// with the window moved and made smaller, when the room is short; over the
// program's other windows only when no free room is left, and over the
// main window only on a screen too small for anything else.
void PlaceToolDiagram(QWidget* window, QWidget* diagram, bool stored);

// A window of its own that belongs to a tool window (the report
// comparison): whole on the screen, clear of the main window, the first
// time in free room; afterwards where the user put it, pulled onto the
// screen.
void PlaceOwnWindow(QWidget* window, bool& placedOnce);

} // namespace korvanta
