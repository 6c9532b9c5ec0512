#include "app/ui/ToolWindowPlace.h"

#include "app/WindowPlacement.h"
#include "platform/ui/WindowFrames.h"

#include <QWidget>

namespace korvanta {

namespace {
// Below this a diagram's curves and scales no longer read: the window is
// narrowed before the diagram gets smaller than this.
constexpr QSize kDiagramLeast{420, 280};
// A diagram not yet framed has its title bar guessed from another window's,
// and a tool window's may be taller: room for the difference, so that the
// framed diagram still ends on the screen.
constexpr int kUnframedSlack = 8;

QSize Grown(QSize client, const QWidget* window)
{
    return client.grownBy(FrameMarginsOf(window));
}
} // namespace

void FitToolWindow(QWidget* window, bool stored, bool& placedOnce)
{
    // A place stored on a larger screen, or the first size on a small one,
    // would hide the Start button or a table's last rows.
    const QRect screen = AvailableAt(window->frameGeometry().center());
    // A window sized before its texts were set is grown by its layout once
    // shown; grown now, it is placed at the size it will have, not beside
    // a diagram that it would then cover.
    window->resize(window->size().expandedTo(window->minimumSizeHint()));
    window->resize(window->size().boundedTo(screen.size().shrunkBy(FrameMarginsOf(window))));
    const QPoint pulled = PulledOnto(FrameAt(window, window->pos()), screen).topLeft();
    if (pulled != window->pos() || (!stored && !placedOnce))
        MoveFrameTo(window, pulled);
    placedOnce = true;
}

void PlaceToolDiagram(QWidget* window, QWidget* diagram, bool stored)
{
    const QRect screen = AvailableAt(window->frameGeometry().center());
    diagram->resize(diagram->size().boundedTo(screen.size().shrunkBy(FrameMarginsOf(diagram))));
    if (stored) {
        const QPoint at = PulledOnto(FrameAt(diagram, diagram->pos()), screen).topLeft();
        if (at != diagram->pos())
            MoveFrameTo(diagram, at);
        return;
    }
    const QRect own = FrameAt(window, window->pos());
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    const bool framed = diagram->isVisible() && diagram->frameGeometry() != diagram->geometry();
    const int slack = framed ? 0 : kUnframedSlack;
    const WindowAndDiagram places =
        FirstPlacesWithDiagram(own, Grown(least, window), FrameAt(diagram, QPoint()).size() + QSize(0, slack),
                               Grown(kDiagramLeast, diagram), screen);
    if (places.window != own) {
        window->resize(places.window.size().shrunkBy(FrameMarginsOf(window)));
        MoveFrameTo(window, places.window.topLeft());
    }
    diagram->resize(places.diagram.size().shrunkBy(FrameMarginsOf(diagram)) - QSize(0, slack));
    if (places.diagram.topLeft() != diagram->pos())
        MoveFrameTo(diagram, places.diagram.topLeft());
}

} // namespace korvanta
