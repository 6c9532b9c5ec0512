#pragma once
// Where a tool window of its own (the distortion window, the device test,
// the impulse response) and its own diagram stand: the window whole on the
// screen it is shown on, and its diagram, the first time, beside it where
// it covers none of it, even on a small screen.

class QWidget;

namespace korvanta {

// `window` whole on its screen. A window with a place from the settings
// (`stored`) stays exactly there when that is on the screen; without one
// the program places it itself the first time, rather than the window
// manager. `placedOnce` remembers that first time.
void FitToolWindow(QWidget* window, bool stored, bool& placedOnce);

// The diagram's first showing: kept where the settings put it (`stored`),
// pulled onto the screen; else beside `window` (FirstPlacesWithDiagram),
// smaller, or with the window narrowed, when the screen is too small for
// both at their sizes.
void PlaceToolDiagram(QWidget* window, QWidget* diagram, bool stored);

} // namespace korvanta
