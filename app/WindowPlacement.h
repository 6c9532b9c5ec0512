#pragma once
// Where the program's windows stand on a screen: the first start's layout
// without overlaps, a stored place pulled back onto the screen, and a place
// beside another window. Plain geometry in screen pixels; every rectangle
// is a whole window with its frame and title bar.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace korvanta {

// The room left between two windows that stand side by side, and between a
// window and the screen's edge at the first start.
inline constexpr int kWindowGap = 8;

// `frame` moved as little as possible so that it lies within `screen`. A
// frame larger than the screen keeps its top-left corner, and with it the
// title bar that moves it, on the screen.
QRect PulledOnto(const QRect& frame, const QRect& screen);

// The first start: the frames one beside the other from the screen's
// top-left corner, kWindowGap apart; a frame that would leave the screen on
// the right starts a new row below the tallest frame of the row above.
// Returns the frames' top-left corners, in the order given.
std::vector<QPoint> SideBySide(const QRect& screen, const std::vector<QSize>& frames);

// A place for a frame of `size` next to `anchor` that covers neither the
// anchor nor any of `avoid`: below the anchor, else right of it, left of it,
// above it (each kWindowGap away), the first that lies on `screen`. When
// none does, the place below pulled onto the screen.
QPoint BesidePlace(const QRect& anchor, const QSize& size, const QRect& screen, const std::vector<QRect>& avoid);

} // namespace korvanta

namespace korvanta {

// A window and its own diagram the first time they are shown together.
struct WindowAndDiagram {
    QRect window;  // the window's frame, perhaps narrowed
    QRect diagram; // the diagram's frame, perhaps smaller than it was
};

// The first places of a window (`window`, its frame as it stands) and of
// its own diagram (`diagram`, the frame size it would like), so that both
// are whole on `screen` and neither covers the other: the diagram beside
// the window at its size where there is room (BesidePlace); else shrunk
// into the larger free room right of or below the window, when that room
// holds at least `diagramLeast`; else the window narrowed, down to
// `windowLeast`, and moved to the screen's left edge so that the diagram
// fits right of it; else the window made shorter, moved to the screen's
// top, the diagram below it. On a screen too small even for that the
// diagram goes below the window, pulled onto the screen, as BesidePlace
// does.
WindowAndDiagram FirstPlacesWithDiagram(const QRect& window, QSize windowLeast, QSize diagram, QSize diagramLeast,
                                        const QRect& screen);

} // namespace korvanta
