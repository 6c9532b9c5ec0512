#include "app/FreeRoom.h"

#include "app/WindowPlacement.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace korvanta {

namespace {

qint64 Area(const QSize& s) { return qint64(s.width()) * s.height(); }

// Shares are counted in millionths.
constexpr qint64 kWhole = 1000000;

qint64 Share(qint64 part, qint64 whole) { return part * kWhole / std::max<qint64>(whole, 1); }

// How much smaller than wished a window is, as a share of its wished size:
// a small window that gives up half its size loses as much as a large one.
qint64 Shortfall(const QSize& wished, const QSize& placed) { return Share(Area(wished) - Area(placed), Area(wished)); }

bool Holds(const QSize& size, const QSize& least)
{
    return size.width() >= least.width() && size.height() >= least.height();
}

// How much of the windows of `avoid` the rectangle covers, each as a share
// of that window: a strip off the edge of one matters little.
qint64 Covered(const QRect& r, const std::vector<QRect>& avoid)
{
    qint64 sum = 0;
    for (const QRect& a : avoid)
        sum += Share(Area(r.intersected(a).size()), Area(a.size()));
    return sum;
}

// The rectangle of `size` at each corner of `room`, and as near `near` as
// the room allows.
std::vector<QPoint> PlacesIn(const QRect& room, const QSize& size, const QPoint& near)
{
    const int right = room.right() + 1 - size.width();
    const int bottom = room.bottom() + 1 - size.height();
    return {room.topLeft(), {right, room.top()}, {room.left(), bottom}, {right, bottom},
            PulledOnto(QRect(near, size), room).topLeft()};
}

// A candidate is better when it covers none of what should stay visible;
// then when what it covers and what it is cut down from its wished size
// add up to less; then when it stands nearer where it was wished.
struct Score {
    qint64 covered = 0;
    qint64 shortfall = 0;
    qint64 distance = 0;
    bool operator<(const Score& o) const
    {
        const auto key = [](const Score& s) { return std::tuple(s.covered > 0, s.covered + s.shortfall, s.distance); };
        return key(*this) < key(o);
    }
};

qint64 Distance(const QPoint& a, const QPoint& b) { return std::abs(a.x() - b.x()) + std::abs(a.y() - b.y()); }

// The rooms a window may take: those that keep clear of `keep` and `avoid`,
// where a smaller size may leave `avoid` uncovered, and those that keep
// clear of `keep` alone.
std::vector<QRect> RoomsFor(const QRect& screen, const std::vector<QRect>& keep, const std::vector<QRect>& avoid)
{
    std::vector<QRect> both = keep;
    both.insert(both.end(), avoid.begin(), avoid.end());
    std::vector<QRect> rooms = FreeRooms(screen, both);
    const std::vector<QRect> clearOfKeep = FreeRooms(screen, keep);
    rooms.insert(rooms.end(), clearOfKeep.begin(), clearOfKeep.end());
    return rooms;
}

// The parts of `room` that keep kWindowGap clear of `taken`: left, right,
// above and below it, each as large as the room allows.
std::vector<QRect> PartsBeside(const QRect& room, const QRect& taken)
{
    const QRect t = taken.adjusted(-kWindowGap, -kWindowGap, kWindowGap, kWindowGap);
    if (!room.intersects(t))
        return {room};
    const QRect parts[] = {
        QRect(room.topLeft(), QPoint(t.left() - 1, room.bottom())),
        QRect(QPoint(t.right() + 1, room.top()), room.bottomRight()),
        QRect(room.topLeft(), QPoint(room.right(), t.top() - 1)),
        QRect(QPoint(room.left(), t.bottom() + 1), room.bottomRight()),
    };
    std::vector<QRect> beside;
    for (const QRect& p : parts)
        if (p.isValid())
            beside.push_back(p.intersected(room));
    return beside;
}

// The sizes a window may take in `room` when its diagram is to find room
// beside it: as wished, as small as it may be, or as much smaller as
// leaves the diagram its wished or its least size in the same room.
std::vector<QSize> SizesLeavingRoom(const QRect& room, const PlaceWish& w, const PlaceWish& d)
{
    const QSize s = w.size.boundedTo(room.size());
    const auto choices = [](int wished, int least, int room, int other, int otherLeast) {
        std::vector<int> v{wished, least, room - kWindowGap - other, room - kWindowGap - otherLeast};
        std::vector<int> fit;
        for (const int x : v)
            if (x >= least && x <= wished && std::find(fit.begin(), fit.end(), x) == fit.end())
                fit.push_back(x);
        return fit;
    };
    std::vector<QSize> sizes;
    for (const int width : choices(s.width(), w.least.width(), room.width(), d.size.width(), d.least.width()))
        for (const int height : choices(s.height(), w.least.height(), room.height(), d.size.height(), d.least.height()))
            sizes.emplace_back(width, height);
    return sizes;
}

struct Placed {
    QRect rect;
    Score score;
};

// The best place for `wish` in `rooms`, each at the wished size bounded to
// the room; none when no room holds the least size.
std::optional<Placed> BestIn(const std::vector<QRect>& rooms, const PlaceWish& wish, const std::vector<QRect>& avoid)
{
    std::optional<Placed> best;
    for (const QRect& room : rooms) {
        const QSize size = wish.size.boundedTo(room.size());
        if (!Holds(size, wish.least))
            continue;
        for (const QPoint& at : PlacesIn(room, size, wish.near)) {
            const QRect r(at, size);
            const Score s{Covered(r, avoid), Shortfall(wish.size, size), Distance(at, wish.near)};
            if (!best || s < best->score)
                best = Placed{r, s};
        }
    }
    return best;
}

} // namespace

std::vector<QRect> FreeRooms(const QRect& screen, const std::vector<QRect>& taken)
{
    std::vector<QRect> blocked;
    std::vector<int> lefts{screen.left()}, rights{screen.right()}, tops{screen.top()}, bottoms{screen.bottom()};
    for (const QRect& t : taken) {
        const QRect b = t.adjusted(-kWindowGap, -kWindowGap, kWindowGap, kWindowGap);
        blocked.push_back(b);
        lefts.push_back(b.right() + 1);
        rights.push_back(b.left() - 1);
        tops.push_back(b.bottom() + 1);
        bottoms.push_back(b.top() - 1);
    }
    // Every side of a largest free rectangle lies on the screen's edge or
    // just beside a taken rectangle: trying those edges finds them all.
    std::vector<QRect> free;
    for (const int l : lefts)
        for (const int r : rights)
            for (const int t : tops)
                for (const int b : bottoms) {
                    const QRect room(QPoint(l, t), QPoint(r, b));
                    if (room.isValid() && screen.contains(room) &&
                        std::none_of(blocked.begin(), blocked.end(), [&](const QRect& x) { return x.intersects(room); }))
                        free.push_back(room);
                }
    std::vector<QRect> largest;
    for (size_t i = 0; i < free.size(); ++i) {
        const auto within = [&](size_t j) {
            return j != i && free[j].contains(free[i]) && (free[j] != free[i] || j < i);
        };
        bool inside = false;
        for (size_t j = 0; j < free.size() && !inside; ++j)
            inside = within(j);
        if (!inside)
            largest.push_back(free[i]);
    }
    return largest;
}

std::optional<QRect> PlaceClearOf(const QRect& screen, const PlaceWish& wish, const std::vector<QRect>& keep,
                                  const std::vector<QRect>& avoid)
{
    const std::optional<Placed> best = BestIn(RoomsFor(screen, keep, avoid), wish, avoid);
    return best ? std::optional<QRect>(best->rect) : std::nullopt;
}

std::optional<PairPlaces> PlacePairClearOf(const QRect& screen, const PlaceWish& window, const PlaceWish& diagram,
                                           const std::vector<QRect>& keep, const std::vector<QRect>& avoid)
{
    // Each place the window may take, with the diagram's best place in
    // the room the window leaves: in the same room beside it, or in another.
    const std::vector<QRect> rooms = RoomsFor(screen, keep, avoid);
    std::optional<PairPlaces> best;
    Score bestScore;
    for (const QRect& room : rooms)
        for (const QSize& size : SizesLeavingRoom(room, window, diagram))
            for (const QPoint& at : PlacesIn(room, size, window.near)) {
                const QRect w(at, size);
                std::vector<QRect> left;
                for (const QRect& r : rooms)
                    for (const QRect& part : PartsBeside(r, w))
                        left.push_back(part);
                PlaceWish beside = diagram;
                beside.near = w.topRight() + QPoint(1 + kWindowGap, 0);
                const std::optional<Placed> d = BestIn(left, beside, avoid);
                if (!d)
                    continue;
                const Score s{Covered(w, avoid) + d->score.covered,
                              Shortfall(window.size, size) + d->score.shortfall, Distance(at, window.near)};
                if (!best || s < bestScore) {
                    best = PairPlaces{w, d->rect};
                    bestScore = s;
                }
            }
    return best;
}

} // namespace korvanta
