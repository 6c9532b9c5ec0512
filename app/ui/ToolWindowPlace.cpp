#include "app/ui/ToolWindowPlace.h"

#include "app/FreeRoom.h"
#include "app/WindowPlacement.h"
#include "platform/ui/WindowFrames.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <initializer_list>

namespace korvanta {

namespace {
// Below this a diagram's curves and scales no longer read: the window is
// narrowed before the diagram gets smaller than this.
constexpr QSize kDiagramLeast{420, 280};
// A page of text (the report comparison) still reads at this size.
constexpr QSize kOwnWindowLeast{480, 320};
// A diagram not yet framed has its title bar guessed from another window's,
// and a tool window's may be taller: room for the difference, so that the
// framed diagram still ends on the screen.
constexpr int kUnframedSlack = 8;

QSize Grown(QSize client, const QWidget* window) { return client.grownBy(FrameMarginsOf(window)); }

// The last window up `w`'s chain of parents; null when it has none.
const QWidget* MainOf(const QWidget* w)
{
    const QWidget* top = nullptr;
    for (const QWidget* p = w->parentWidget(); p; p = top->parentWidget())
        top = p->window();
    return top;
}

// The screen the main window stands on: the tool windows go beside it.
QRect ScreenOf(const QWidget* window, const QWidget* main)
{
    return AvailableAt((main && main->isVisible() ? main : window)->frameGeometry().center());
}

// The main window's frame, which nothing may cover: the user works on its
// pages beside the tool windows. Empty while it is not shown.
std::vector<QRect> MainFrame(const QWidget* main)
{
    if (main && main->isVisible())
        return {FrameAt(main, PlaceOf(main))};
    return {};
}

// The frames of the program's other windows now shown, which a window
// should rather leave visible.
std::vector<QRect> OtherFrames(std::initializer_list<const QWidget*> except)
{
    std::vector<QRect> frames;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        const bool placed = type == Qt::Window || type == Qt::Tool || type == Qt::Dialog;
        if (placed && w->isVisible() && std::find(except.begin(), except.end(), w) == except.end())
            frames.push_back(FrameAt(w, PlaceOf(w)));
    }
    return frames;
}

std::vector<QRect> Joined(std::vector<QRect> a, const std::vector<QRect>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

PlaceWish WindowWish(const QWidget* window, QPoint near)
{
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    return {FrameAt(window, QPoint()).size(), Grown(least, window), near};
}

// The slack an unframed diagram is given below.
int SlackOf(const QWidget* diagram)
{
    const bool framed = diagram->isVisible() && diagram->frameGeometry() != diagram->geometry();
    return framed ? 0 : kUnframedSlack;
}

PlaceWish DiagramWish(const QWidget* diagram, QPoint near)
{
    return {FrameAt(diagram, QPoint()).size() + QSize(0, SlackOf(diagram)), Grown(kDiagramLeast, diagram), near};
}

// Where the window would rather be: below the main window, as a page's
// own diagram is.
QPoint NearMain(const QWidget* main, const QWidget* window)
{
    if (!main || !main->isVisible())
        return window->pos();
    return FrameAt(main, PlaceOf(main)).bottomLeft() + QPoint(0, 1 + kWindowGap);
}

void MoveWindowTo(QWidget* window, const QRect& frame, int slack = 0)
{
    window->resize(frame.size().shrunkBy(FrameMarginsOf(window)) - QSize(0, slack));
    if (frame.topLeft() != window->pos())
        MoveFrameTo(window, frame.topLeft());
}

// The first place of a window without a stored one, with room for its
// diagram beside it when `diagram` is given. False when no room clear of
// the main window holds it.
bool PlaceFirst(QWidget* window, QWidget* diagram, const QWidget* main, const QRect& screen)
{
    const std::vector<QRect> keep = MainFrame(main);
    const std::vector<QRect> avoid = OtherFrames({window, diagram, main});
    const PlaceWish wish = WindowWish(window, NearMain(main, window));
    if (diagram) {
        const PlaceWish d = DiagramWish(diagram, QPoint());
        if (const auto pair = PlacePairClearOf(screen, wish, d, keep, avoid)) {
            MoveWindowTo(window, pair->window);
            return true;
        }
    }
    if (const auto place = PlaceClearOf(screen, wish, keep, avoid)) {
        MoveWindowTo(window, *place);
        return true;
    }
    return false;
}

void PlacePair(QWidget* window, QWidget* diagram, const PairPlaces& places)
{
    MoveWindowTo(window, places.window);
    MoveWindowTo(diagram, places.diagram, SlackOf(diagram));
}

// The diagram beside its window, the window staying where it is where it
// can: first in free room, then covering as little of the other windows as
// possible. False when even that cannot keep the main window clear.
bool PlaceDiagramClear(QWidget* window, QWidget* diagram, const QWidget* main, const QRect& screen)
{
    const QRect own = FrameAt(window, window->pos());
    const std::vector<QRect> keep = MainFrame(main);
    const std::vector<QRect> others = OtherFrames({window, diagram, main});
    const std::vector<QRect> keepBoth = Joined(keep, {own});
    const PlaceWish d = DiagramWish(diagram, own.topRight() + QPoint(1 + kWindowGap, 0));
    const PlaceWish w = WindowWish(window, own.topLeft());
    const int slack = SlackOf(diagram);
    if (const auto place = PlaceClearOf(screen, d, Joined(keepBoth, others), {})) {
        MoveWindowTo(diagram, *place, slack);
        return true;
    }
    if (const auto pair = PlacePairClearOf(screen, w, d, Joined(keep, others), {})) {
        PlacePair(window, diagram, *pair);
        return true;
    }
    if (const auto place = PlaceClearOf(screen, d, keepBoth, others)) {
        MoveWindowTo(diagram, *place, slack);
        return true;
    }
    if (const auto pair = PlacePairClearOf(screen, w, d, keep, others)) {
        PlacePair(window, diagram, *pair);
        return true;
    }
    return false;
}

void PullOntoScreen(QWidget* window, const QRect& screen, bool moveAnyway)
{
    const QPoint pulled = PulledOnto(FrameAt(window, window->pos()), screen).topLeft();
    if (pulled != window->pos() || moveAnyway)
        MoveFrameTo(window, pulled);
}

} // namespace

void FitToolWindow(QWidget* window, QWidget* diagram, bool stored, bool diagramStored, bool& placedOnce)
{
    const QWidget* main = MainOf(window);
    const QRect screen = ScreenOf(window, main);
    // A place stored on a larger screen, or the first size on a small one,
    // would hide the Start button or a table's last rows.
    // A window sized before its texts were set is grown by its layout once
    // shown; grown now, it is placed at the size it will have, not beside
    // a diagram that it would then cover.
    window->resize(window->size().expandedTo(window->minimumSizeHint()));
    window->resize(window->size().boundedTo(screen.size().shrunkBy(FrameMarginsOf(window))));
    const bool first = !stored && !placedOnce;
    placedOnce = true;
    if (first && PlaceFirst(window, diagram && !diagramStored ? diagram : nullptr, main, screen))
        return;
    PullOntoScreen(window, screen, first);
}

void PlaceToolDiagram(QWidget* window, QWidget* diagram, bool stored)
{
    const QWidget* main = MainOf(window);
    const QRect screen = ScreenOf(window, main);
    diagram->resize(diagram->size().boundedTo(screen.size().shrunkBy(FrameMarginsOf(diagram))));
    if (stored) {
        PullOntoScreen(diagram, screen, false);
        return;
    }
    if (PlaceDiagramClear(window, diagram, main, screen))
        return;
    // A screen too small to keep the main window clear: at least the
    // window and its diagram apart.
    const QRect own = FrameAt(window, window->pos());
    const PlaceWish d = DiagramWish(diagram, QPoint());
    const PlaceWish w = WindowWish(window, own.topLeft());
    const WindowAndDiagram places = FirstPlacesWithDiagram(own, w.least, d.size, d.least, screen);
    if (places.window != own)
        MoveWindowTo(window, places.window);
    MoveWindowTo(diagram, places.diagram, SlackOf(diagram));
}

void PlaceOwnWindow(QWidget* window, bool& placedOnce)
{
    const QWidget* main = MainOf(window);
    const QRect screen = ScreenOf(window, main);
    window->resize(window->size().boundedTo(screen.size().shrunkBy(FrameMarginsOf(window))));
    const bool first = !placedOnce;
    placedOnce = true;
    if (first) {
        const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
        PlaceWish wish = WindowWish(window, owner ? owner->frameGeometry().topLeft() : window->pos());
        wish.least = wish.size.boundedTo(Grown(kOwnWindowLeast, window));
        if (const auto place = PlaceClearOf(screen, wish, MainFrame(main), OtherFrames({window, main}))) {
            MoveWindowTo(window, *place);
            return;
        }
    }
    PullOntoScreen(window, screen, first);
}

} // namespace korvanta
