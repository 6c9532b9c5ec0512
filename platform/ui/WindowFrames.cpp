#include "platform/ui/WindowFrames.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QScreen>
#include <QTimer>
#include <memory>
#include <QWidget>
#include <QWindow>

namespace korvanta {

namespace {

// A title bar and thin borders, for a window that no window manager has
// framed yet: enough that windows laid out side by side do not touch.
constexpr QMargins kAssumedFrame(4, 28, 4, 4);

QMargins MarginsOfFramed(const QWidget* w)
{
    if (!w || !w->isVisible())
        return {};
    const QRect frame = w->frameGeometry();
    const QRect client = w->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

} // namespace

namespace {
// A window of fixed size gets no resize handle from some window managers:
// its frame is lower than that of a window that can be resized.
bool FixedSize(const QWidget* w) { return w->minimumSize() == w->maximumSize(); }
} // namespace

QMargins FrameMarginsOf(const QWidget* window)
{
    if (const QMargins own = MarginsOfFramed(window); !own.isNull())
        return own;
    // Another window's frame, one of the same kind where there is one.
    QMargins other;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        const QMargins m = MarginsOfFramed(w);
        if (m.isNull())
            continue;
        if (FixedSize(w) == FixedSize(window))
            return m;
        if (other.isNull())
            other = m;
    }
    if (!other.isNull())
        return other;
    // Without a window manager (as offscreen) there are no frames at all.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return {};
    return kAssumedFrame;
}

QRect FrameAt(const QWidget* window, QPoint at)
{
    return QRect(at, window->size().grownBy(FrameMarginsOf(window)));
}

namespace {
// The last place the program gave a window that KeepPlaceOnceFramed is
// watching. The program may place a window again after showing it (a tool
// window is fitted to the screen, moved once more when its diagram opens,
// the generator docks on a page change), before or just after the window
// manager frames it; the place kept must be the last one given, never the
// one the window had when it was shown.
const char* const kPlaceProperty = "korvantaFramePlace";

bool Framed(const QWidget* w) { return w->frameGeometry() != w->geometry(); }
} // namespace

bool RenewFrameMargins(const QWidget* w)
{
    QWindow* handle = w && w->isWindow() && w->isVisible() ? w->windowHandle() : nullptr;
    if (!handle)
        return false;
    const QMargins known = handle->frameMargins();
    if (known.isNull())
        return false;
    if (known != MarginsOfFramed(w)) {
        // Qt renews the widget's copy on every move event its window gets,
        // also one to the place the window already has.
        QMoveEvent renew(handle->position(), handle->position());
        QCoreApplication::sendEvent(handle, &renew);
    }
    return known == MarginsOfFramed(w);
}

QPoint PlaceOf(const QWidget* window)
{
    const QVariant given = window->property(kPlaceProperty);
    return given.isValid() ? given.toPoint() : window->pos();
}

void MoveFrameTo(QWidget* window, QPoint at)
{
    if (window->property(kPlaceProperty).isValid())
        window->setProperty(kPlaceProperty, at);
    window->move(at);
    // A window that exists on the desktop but has no frame yet: move() took
    // its place for the client area's. Its own frame position is exact, and
    // the window keeps it when it is shown.
    QWindow* handle = window->windowHandle();
    const bool awaitingFrame = handle && window->frameGeometry() == window->geometry() &&
                               QGuiApplication::platformName() != QLatin1String("offscreen");
    if (awaitingFrame)
        handle->setFramePosition(at);
}

namespace {

// How often, and how long, a window just shown is looked at until the
// window manager has framed it.
constexpr int kFrameCheckMs = 25;
constexpr int kFrameChecks = 400;
// Once framed: the checks the place must hold for, and how often it is put back.
constexpr int kPlaceHeldChecks = 8;
constexpr int kPlaceMoves = 4;

// Puts a window just shown at the place it was given, once it has its frame:
// whichever way the window manager took the place (for the frame's or the
// client area's), the frame stands there in the end. The window manager
// may still apply the place it was first asked for after the frame is
// known, so the place is watched until it has held for a while, and put
// back a few times at most (a window manager that will not have it there
// is not fought for long).
void KeepPlaceOnceFramed(QWidget* w, QPoint placed)
{
    auto* timer = new QTimer(w);
    timer->setInterval(kFrameCheckMs);
    auto checks = std::make_shared<int>(0);
    auto held = std::make_shared<int>(0);
    auto moves = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, w, [w, timer, placed, checks, held, moves] {
        const auto done = [w, timer] {
            w->setProperty(kPlaceProperty, QVariant());
            timer->deleteLater();
        };
        if (!w->isVisible() || ++*checks > kFrameChecks) {
            done();
            return;
        }
        if (!RenewFrameMargins(w) && !Framed(w))
            return;
        const QVariant last = w->property(kPlaceProperty);
        const QPoint at = last.isValid() ? last.toPoint() : placed;
        if (w->pos() != at && *moves < kPlaceMoves) {
            ++*moves;
            *held = 0;
            w->move(at);
            return;
        }
        if (++*held >= kPlaceHeldChecks)
            done();
    });
    timer->start();
}

// Watches a window just shown until its frame's margins are known to the
// widget as the window system has them.
void RenewOnceFramed(QWidget* w)
{
    auto* timer = new QTimer(w);
    timer->setInterval(kFrameCheckMs);
    auto checks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, w, [w, timer, checks] {
        if (!w->isVisible() || ++*checks > kFrameChecks || RenewFrameMargins(w))
            timer->deleteLater();
    });
    timer->start();
}

class FramePlaceKeeper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(watched);
        if (!w->isWindow() || Framed(w))
            return false;
        // Only a window the program placed keeps its place; every window
        // gets its frame's margins renewed once the window manager framed it.
        if (w->testAttribute(Qt::WA_Moved)) {
            w->setProperty(kPlaceProperty, w->pos());
            KeepPlaceOnceFramed(w, w->pos());
        } else {
            RenewOnceFramed(w);
        }
        return false;
    }
};

} // namespace

void KeepFramePlaces()
{
    // Without a window manager there are no frames to keep.
    static FramePlaceKeeper* keeper = nullptr;
    if (keeper || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    keeper = new FramePlaceKeeper(qApp);
    qApp->installEventFilter(keeper);
}

QRect AvailableAt(QPoint point)
{
    const QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace korvanta
