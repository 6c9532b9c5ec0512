#pragma once
// The frames that the desktop's window manager puts around the program's
// windows, and the screens they stand on. A window's place (pos()) is its
// frame's top-left corner; the frame is known once the window manager has
// framed a window, so before that the frame of a window already framed
// stands in for it, else a typical title bar.

#include <QMargins>
#include <QPoint>
#include <QRect>

class QWidget;

namespace korvanta {

// The frame around `window`'s client area.
QMargins FrameMarginsOf(const QWidget* window);
// `window`'s whole frame if its top-left corner stood at `at`.
QRect FrameAt(const QWidget* window, QPoint at);
// The free area (without panels) of the screen that holds `point`; of the
// primary screen when no screen does.
QRect AvailableAt(QPoint point);
// Moves `window`'s frame's top-left corner to `at`. A window that is shown
// but not yet framed by the window manager cannot be moved with move():
// that would take its still empty frame for the real one and put the
// client area, not the frame, at `at`.
void MoveFrameTo(QWidget* window, QPoint at);

} // namespace korvanta
