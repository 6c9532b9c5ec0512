// Korvanta: audio test equipment with a sound card.

#include "AppWindows.h"
#include "Main.h"
#include "UnixSignals.h"

#include <QApplication>
#include <QTimer>

namespace {
// For timing the start-up from a script (KORVANTA_EXIT_AFTER_SHOW): the
// program closes as soon as the main window has been painted once.
class CloseAfterFirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, static_cast<QWidget*>(watched), &QWidget::close);
        }
        return false;
    }
};
} // namespace

int main(int argc, char** argv)
{
    // Window positions are part of the program (the generator docks over
    // the main window), which Wayland does not offer to clients.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    // The main window's close ends the program, whatever else is open.
    QApplication::setQuitOnLastWindowClosed(false);

    TMainForm* mainForm = CreateApplicationWindows();
    TUnixSignals signalHandling;
    QObject::connect(&signalHandling, &TUnixSignals::terminationRequested, mainForm, &QWidget::close);
    CloseAfterFirstPaint timing;
    if (qEnvironmentVariableIsSet("KORVANTA_EXIT_AFTER_SHOW"))
        mainForm->installEventFilter(&timing);
    mainForm->show();
    const int result = app.exec();
    DestroyApplicationWindows();
    return result;
}
