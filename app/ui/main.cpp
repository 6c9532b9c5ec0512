// Korvanta: audio test equipment with a sound card.

#include "app/ui/AppWindows.h"
#include "platform/ui/Dialogs.h"
#include "app/ui/HelpBrowser.h"
#include "app/ui/Main.h"
#include "app/ui/SettingsRescue.h"
#include "app/UnixSignals.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

using namespace korvanta;

namespace {
// The exit status when the settings of this session were kept nowhere.
constexpr int kSettingsLostStatus = 1;

// For timing the start-up from a script (KORVANTA_EXIT_AFTER_SHOW): the
// program closes as soon as the main window has been painted once. With the
// value "help" it first opens the help contents and prints where the page
// came from, so an installation can be checked from a script.
class CloseAfterFirstPaint : public QObject {
public:
    using QObject::QObject;
    bool openHelp = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            auto* form = static_cast<TMainForm*>(watched);
            if (openHelp && Forms().Help) {
                form->HelpContents();
                std::printf("help: %s\n", qPrintable(Forms().Help->CurrentSource().toString()));
                std::fflush(stdout);
            }
            QTimer::singleShot(0, form, &QWidget::close);
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
    modal::UseDialogs();

    TMainForm* mainForm = CreateApplicationWindows();
    TUnixSignals signalHandling;
    QObject::connect(&signalHandling, &TUnixSignals::terminationRequested, mainForm, &QWidget::close);
    CloseAfterFirstPaint timing;
    if (qEnvironmentVariableIsSet("KORVANTA_EXIT_AFTER_SHOW")) {
        timing.openHelp = qEnvironmentVariable("KORVANTA_EXIT_AFTER_SHOW") == QLatin1String("help");
        mainForm->installEventFilter(&timing);
    }
    mainForm->show();
    const int result = app.exec();
    // Should the settings file not take the settings, the user is asked what
    // to do with them; a termination signal then ends the questions.
    QObject::connect(&signalHandling, &TUnixSignals::terminationRequested, &app, &AbandonUnsavedSettings);
    const bool settingsKept = DestroyApplicationWindows();
    return settingsKept ? result : kSettingsLostStatus;
}
