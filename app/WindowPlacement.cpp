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
