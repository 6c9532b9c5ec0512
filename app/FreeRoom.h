#pragma once
// Where a window can stand among the program's other windows: the rooms
// they leave free on a screen, and the place in them that suits a window,
// alone or together with its own diagram. Plain geometry in screen pixels;
// every rectangle is a whole window with its frame and title bar.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

namespace korvanta {

// The largest rectangles of `screen` that keep kWindowGap clear of every
// one of `taken`: each as large as it can be, none within another.
std::vector<QRect> FreeRooms(const QRect& screen, const std::vector<QRect>& taken);

// What a window asks of its place.
struct PlaceWish {
    QSize size;   // its frame at the size it would like
    QSize least;  // the smallest frame at which it still reads
    QPoint near;  // where it would rather stand: the nearer, the better
};

// A place for `wish` on `screen` that covers none of `keep`. First one that
// covers none of `avoid` either, at the wished size or as little smaller as
// the room asks (never below `least`); else the one for which the share it
// covers of `avoid`'s windows and the share of its size it gives up add up
// to the least. Among equals, the one nearer `near`. None when no room
// clear of `keep` holds the least size.
std::optional<QRect> PlaceClearOf(const QRect& screen, const PlaceWish& wish, const std::vector<QRect>& keep,
                                  const std::vector<QRect>& avoid);

// A window and its own diagram.
struct PairPlaces {
    QRect window;
    QRect diagram;
};

// Places for a window and its diagram that cover neither each other nor
// `keep`, by the rules of PlaceClearOf for both together: the window may
// be made smaller so that the diagram finds room beside it, in the same
// free room or in another; the diagram's place is the best one it leaves
// (its `near` is then right of the window). None when no room clear of
// `keep` holds both at their least sizes.
std::optional<PairPlaces> PlacePairClearOf(const QRect& screen, const PlaceWish& window, const PlaceWish& diagram,
                                           const std::vector<QRect>& keep, const std::vector<QRect>& avoid);

} // namespace korvanta
