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

// The frame around `window`'s client area; before the window manager has
// framed it, that of a framed window that can be resized as it can (or
// not), else of any framed window.
QMargins FrameMarginsOf(const QWidget* window);
// `window`'s whole frame if its top-left corner stood at `at`.
QRect FrameAt(const QWidget* window, QPoint at);
// The free area (without panels) of the screen that holds `point`; of the
// primary screen when no screen does.
QRect AvailableAt(QPoint point);
// Where `window`'s frame stands, or is on its way to: a window just shown
// reaches the place the program gave it only once it is framed, and
// another window placed beside it meanwhile must go by that place.
QPoint PlaceOf(const QWidget* window);
// Moves `window`'s frame's top-left corner to `at`. A window that exists on
// the desktop but is not yet framed by the window manager cannot be moved
// with move() alone: that would take its still empty frame for the real one
// and put the client area, not the frame, at `at`.
void MoveFrameTo(QWidget* window, QPoint at);
// Qt 6.4's widgets keep a copy of their frame's margins that a window
// manager setting the frame after the window's last move leaves empty, and
// with it pos() and frameGeometry(). This renews `w`'s copy from the window
// system; true once it holds the frame there (false while `w` is unframed).
bool RenewFrameMargins(const QWidget* w);
// From now on every window that is shown at a place the program gave it gets
// that place for its frame, however soon the window manager frames it:
// without this, a window placed before it was shown may open with its client
// area at the place and its title bar above it. Every window shown gets its
// frame's margins renewed once it is framed.
void KeepFramePlaces();

} // namespace korvanta
