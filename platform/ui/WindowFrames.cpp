#include "platform/ui/WindowFrames.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
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

QMargins FrameMarginsOf(const QWidget* window)
{
    if (const QMargins own = MarginsOfFramed(window); !own.isNull())
        return own;
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (const QMargins other = MarginsOfFramed(w); !other.isNull())
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

void MoveFrameTo(QWidget* window, QPoint at)
{
    QWindow* handle = window->windowHandle();
    const bool awaitingFrame = window->isVisible() && handle && window->frameGeometry() == window->geometry() &&
                               QGuiApplication::platformName() != QLatin1String("offscreen");
    if (awaitingFrame)
        handle->setFramePosition(at);
    else
        window->move(at);
}

QRect AvailableAt(QPoint point)
{
    const QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace korvanta
