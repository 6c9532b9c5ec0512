#pragma once
// F1 in a window opens the help at that window's own topic, so a user who
// is stuck in a dialog reads about that dialog and not the contents. Each
// window with a topic installs its key here; the main window's follows the
// page shown (its "&?" menu carries it).
//
// Qt lets a tool window's keys fall through to the window it belongs to,
// so an F1 of its own would be ambiguous beside its owner's: a tool window
// gets no key of its own, and its owner's F1 asks OpenHelpOfWindow first.

#include <functional>

class QWidget;

namespace korvanta {

// F1 anywhere in `window`, its own controls included, calls `open`.
void AddHelpKey(QWidget* window, std::function<void()> open);
// The same, opening the help at a context number.
void AddHelpKey(QWidget* window, int context);

// Opens the help of `window` (the active window, say) if it installed a
// key; false when it has none.
bool OpenHelpOfWindow(QWidget* window);

} // namespace korvanta
