#include "app/WindowPlacement.h"

#include <algorithm>

namespace korvanta {

namespace {

// The one-dimensional case: start of a span of `length` within
// [low, low + room), moved as little as possible; a span longer than the
// room starts at `low`.
int PulledInto(int start, int length, int low, int room)
{
    if (length >= room)
        return low;
    return std::clamp(start, low, low + room - length);
}

} // namespace

QRect PulledOnto(const QRect& frame, const QRect& screen)
{
    QRect r = frame;
    r.moveTo(PulledInto(frame.x(), frame.width(), screen.x(), screen.width()),
             PulledInto(frame.y(), frame.height(), screen.y(), screen.height()));
    return r;
}

std::vector<QPoint> SideBySide(const QRect& screen, const std::vector<QSize>& frames)
{
    std::vector<QPoint> places;
    const int left = screen.x() + kWindowGap;
    int x = left;
    int y = screen.y() + kWindowGap;
    int rowHeight = 0;
    for (const QSize& size : frames) {
        const bool rowFull = x > left && x + size.width() > screen.right() + 1 - kWindowGap;
        if (rowFull) {
            x = left;
            y += rowHeight + kWindowGap;
            rowHeight = 0;
        }
        places.emplace_back(x, y);
        x += size.width() + kWindowGap;
        rowHeight = std::max(rowHeight, size.height());
    }
    return places;
}

QPoint BesidePlace(const QRect& anchor, const QSize& size, const QRect& screen, const std::vector<QRect>& avoid)
{
    const QPoint below(anchor.x(), anchor.bottom() + 1 + kWindowGap);
    const QPoint candidates[] = {
        below,
        {anchor.right() + 1 + kWindowGap, anchor.y()},
        {anchor.x() - kWindowGap - size.width(), anchor.y()},
        {anchor.x(), anchor.y() - kWindowGap - size.height()},
    };
    const auto free = [&](const QRect& r) {
        return std::none_of(avoid.begin(), avoid.end(), [&](const QRect& a) { return a.intersects(r); });
    };
    // First a place that is on the screen and covers nothing, then one that
    // is at least on the screen.
    for (const bool needFree : {true, false})
        for (const QPoint& at : candidates) {
            const QRect r(at, size);
            if (screen.contains(r) && (!needFree || free(r)))
                return at;
        }
    return PulledOnto(QRect(below, size), screen).topLeft();
}

} // namespace korvanta

namespace korvanta {

namespace {

// The free room right of and below `window` on `screen`, each kWindowGap away.
QRect RoomRightOf(const QRect& window, const QRect& screen)
{
    const int left = window.right() + 1 + kWindowGap;
    return QRect(QPoint(left, screen.y()), QPoint(screen.right(), screen.bottom()));
}

QRect RoomBelow(const QRect& window, const QRect& screen)
{
    const int top = window.bottom() + 1 + kWindowGap;
    return QRect(QPoint(screen.x(), top), QPoint(screen.right(), screen.bottom()));
}

bool Holds(const QSize& room, const QSize& least) { return room.width() >= least.width() && room.height() >= least.height(); }

// The diagram in `room`, no larger than it wants, as near the window's top
// (right of it) or left edge (below it) as the room allows.
QRect ShrunkInto(const QRect& room, QSize wanted, QPoint near)
{
    const QSize size = wanted.boundedTo(room.size());
    return PulledOnto(QRect(near, size), room);
}

} // namespace

WindowAndDiagram FirstPlacesWithDiagram(const QRect& window, QSize windowLeast, QSize diagram, QSize diagramLeast,
                                        const QRect& screen)
{
    const QPoint beside = BesidePlace(window, diagram, screen, {window});
    if (!QRect(beside, diagram).intersects(window) && screen.contains(QRect(beside, diagram)))
        return {window, QRect(beside, diagram)};

    // Not at its size: smaller, in whichever free room gives it more.
    const QRect right = RoomRightOf(window, screen);
    const QRect below = RoomBelow(window, screen);
    const QRect inRight = ShrunkInto(right, diagram, {right.x(), window.y()});
    const QRect inBelow = ShrunkInto(below, diagram, {window.x(), below.y()});
    const bool rightHolds = right.isValid() && Holds(inRight.size(), diagramLeast);
    const bool belowHolds = below.isValid() && Holds(inBelow.size(), diagramLeast);
    if (rightHolds || belowHolds) {
        const auto area = [](const QRect& r) { return qint64(r.width()) * r.height(); };
        const bool takeRight = rightHolds && (!belowHolds || area(inRight) >= area(inBelow));
        return {window, takeRight ? inRight : inBelow};
    }

    // The window narrower, at the screen's left edge, the diagram right of it.
    const int diagramWidth = std::min(diagram.width(), screen.width() - kWindowGap - windowLeast.width());
    if (diagramWidth >= diagramLeast.width() && screen.height() >= diagramLeast.height()) {
        QRect narrowed = window;
        narrowed.setWidth(std::min(window.width(), screen.width() - kWindowGap - diagramWidth));
        narrowed = PulledOnto(narrowed.translated(screen.x() - narrowed.x(), 0), screen);
        const QRect room = RoomRightOf(narrowed, screen);
        return {narrowed, ShrunkInto(room, diagram, {room.x(), narrowed.y()})};
    }
    // Too wide to narrow enough: the window shorter, at the screen's top,
    // the diagram below it.
    const int diagramHeight = std::min(diagram.height(), screen.height() - kWindowGap - windowLeast.height());
    if (diagramHeight >= diagramLeast.height() && screen.width() >= diagramLeast.width()) {
        QRect shortened = window;
        shortened.setHeight(std::min(window.height(), screen.height() - kWindowGap - diagramHeight));
        shortened = PulledOnto(shortened.translated(0, screen.y() - shortened.y()), screen);
        const QRect room = RoomBelow(shortened, screen);
        return {shortened, ShrunkInto(room, diagram, {shortened.x(), room.y()})};
    }
    return {window, QRect(beside, diagram)};
}

} // namespace korvanta
