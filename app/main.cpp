// Korvanta: audio test equipment with a sound card.

#include "AppWindows.h"
#include "Main.h"
#include "UnixSignals.h"

#include <QApplication>
#include <QTimer>

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
    mainForm->show();
    // For timing the start-up from a script: leave once the window is up.
    if (qEnvironmentVariableIsSet("KORVANTA_EXIT_AFTER_SHOW"))
        QTimer::singleShot(0, mainForm, &QWidget::close);
    const int result = app.exec();
    DestroyApplicationWindows();
    return result;
}
