// Korvanta: audio test equipment with a sound card.

#include "app/ui/AppWindows.h"
#include "platform/ui/Dialogs.h"
#include "app/ui/HelpBrowser.h"
#include "app/ui/Main.h"
#include "app/ui/SettingsRescue.h"
#include "app/ui/SingleInstance.h"
#include "platform/ModalQuestions.h"
#include "platform/ProfileStore.h"
#include "app/UnixSignals.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>
#include <cstdio>

using namespace korvanta;

namespace {
// The exit status when the settings of this session were kept nowhere.
constexpr int kSettingsLostStatus = 1;
// The exit status of a start refused because the settings file is in use.
constexpr int kAlreadyRunningStatus = 2;

// The language the settings file speaks, else the system's.
char StartLanguage(const QString& settingsPath)
{
    const QString stored = GetProfileString(QStringLiteral("MAIN"), QStringLiteral("SPRACHE"), QString(), 154, settingsPath);
    if (!stored.isEmpty())
        return stored.at(0) == QLatin1Char('E') ? 'E' : 'D';
    return QLocale::system().language() == QLocale::German ? 'D' : 'E';
}

// Tells that the settings file is in use by a running program (which has
// been asked to come to the front).
int RefuseSecondStart(const QString& settingsPath)
{
    const QString text = SingleInstance::AlreadyRunningText(StartLanguage(settingsPath), settingsPath);
    std::fprintf(stderr, "%s\n", qPrintable(text));
    // Without a display nobody could close the box.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        modal::MessageBox(modal::Kind::Information, text, modal::Ok);
    return kAlreadyRunningStatus;
}

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
    SingleInstance single(SettingsFilePath());
    if (!single.Claim())
        return RefuseSecondStart(SettingsFilePath());

    TMainForm* mainForm = CreateApplicationWindows();
    QObject::connect(&single, &SingleInstance::anotherStart, mainForm, [mainForm] {
        if (mainForm->isMinimized())
            mainForm->showNormal();
        mainForm->raise();
        mainForm->activateWindow();
    });
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
