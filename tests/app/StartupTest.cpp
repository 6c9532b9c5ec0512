// Start-up and end of the program: the sound system failing at start, a
// settings file or directory the user cannot use, and the close on SIGTERM.
// Paths that end the process or need an unprivileged user run in a child.

#include "app/ui/ProgramRecords.h"
#include "platform/LanguageTexts.h"
#include "tests/app/AppTestSupport.h"
#include "audio/Soundd3.h"
#include "app/UnixSignals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvanta;

namespace {

// In a child: every modal question goes to stderr as "text|buttons|context".
void ReportQuestionsOnStderr()
{
    modal::SetHook([](const modal::Question& q) {
        std::fprintf(stderr, "%s|%d|%d\n", q.text.toUtf8().constData(), q.buttons, q.helpContext);
        std::fflush(stderr);
        return modal::Answer{};
    });
}

// Lets the unprivileged child reach and use the scratch directory.
void OpenForEveryone(const QString& path) { ::chmod(QFile::encodeName(path).constData(), 0777); }

} // namespace

TEST_F(MainWindowTest, SoundSystemFailureEndsTheStartWithItsMessage)
{
    VirtualCard::instance().injectFault(VirtualFault::InitFails);
    const ChildResult child = RunInChild([] {
        ReportQuestionsOnStderr();
        CreateApplicationWindows();
        return 0;  // not reached when the start fails
    });
    VirtualCard::instance().clearFaults();
    EXPECT_TRUE(child.exited);
    EXPECT_EQ(child.exitCode, kSoundStartFailure);
    // The message as it was, then what to do, in one box.
    const QString expected = "Problem beim Öffnen des Sounddevice ! Programm stopped (" + SoundErrorText(3) + ")\n\n" +
                             Pick('D', words::kAdviceStart) + "|" + QString::number(modal::Ok | modal::Help) + "|17";
    EXPECT_TRUE(child.stdErr.contains(expected)) << qPrintable(child.stdErr);
    EXPECT_FALSE(QFileInfo::exists(settingsPath)) << "nothing was written";
}

TEST_F(MainWindowTest, UnreadableSettingsFileStartsWithDefaultsAndStaysUntouched)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    const QByteArray original = "[MAIN]\nPAGE=2\n[VOLUME]\nPEGFAK=9.0\n";
    writeSettings(original);
    OpenForEveryone(dir.path());
    ::chmod(QFile::encodeName(settingsPath).constData(), 0600);
    const ChildResult child = RunInChild(
        [this] {
            ReportQuestionsOnStderr();
            TMainForm* w = start();
            const bool defaults = w->ActivePageIndex() == 0 && Analyzer().PegFak == kDefaultPegFak;
            closeMain();
            return defaults ? 0 : 3;
        },
        true);
    EXPECT_TRUE(child.exited) << qPrintable(child.stdErr);
    EXPECT_EQ(child.exitCode, 0) << qPrintable(child.stdErr);
    EXPECT_EQ(dir.read("krv14f.ini"), original) << "a file that could not be read is not replaced";
}

TEST_F(MainWindowTest, ProgramDirectoryNotWritableUsesTheConfigDirectory)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    OpenForEveryone(dir.path());
    const QString config = dir.file("config");
    QDir().mkpath(config);
    OpenForEveryone(config);
    const ChildResult child = RunInChild(
        [this, config] {
            qunsetenv("KORVANTA_SETTINGS");
            qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
            qputenv("HOME", dir.path().toLocal8Bit());
            ReportQuestionsOnStderr();
            start();
            closeMain();
            return QFileInfo::exists(config + "/korvanta/krv14f.ini") ? 0 : 4;
        },
        true);
    EXPECT_EQ(child.exitCode, 0) << qPrintable(child.stdErr);
    EXPECT_EQ(GetProfileString("MAIN", "SPRACHE", "", 154, config + "/korvanta/krv14f.ini"), "D");
}

TEST_F(MainWindowTest, TerminationSignalClosesThroughTheNormalPath)
{
    TUnixSignals signalHandling;
    ASSERT_TRUE(signalHandling.installed());
    start();
    QObject::connect(&signalHandling, &TUnixSignals::terminationRequested, main, &QWidget::close);
    bool closed = false;
    QObject::connect(main, &TMainForm::closed, [&closed] { closed = true; });
    ::raise(SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&closed] { return closed; }, 3000));
    EXPECT_FALSE(SoundInitialised());
    EXPECT_EQ(setting("MAIN", "PAGE"), "0") << "the settings were written";
    ::raise(SIGINT);
    QApplication::processEvents();
    EXPECT_EQ(main->isVisible(), false) << "a second signal finds the window closed";
}

// A pipe where the settings file should be: the start waits for no writer
// and takes the defaults, and the close asks where to keep the settings
// rather than replace the pipe. In this process, after the tests that fork:
// a child forked once the windows have painted would wait for painting
// threads it does not have.
TEST_F(MainWindowTest, SettingsPathThatIsAPipeStartsWithDefaultsAndIsNeverReplaced)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(settingsPath).constData(), 0600), 0);
    TMainForm* w = start();
    EXPECT_EQ(w->ActivePageIndex(), 0);
    EXPECT_EQ(Analyzer().PegFak, kDefaultPegFak);
    closeMain();   // answered "No": the settings are discarded
    const QStringList asked = modals.messageTexts().filter(settingsPath);
    ASSERT_EQ(asked.size(), 1) << modals.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(asked[0].contains("it is a pipe, not a regular file")) << asked[0].toStdString();
    struct stat st {};
    EXPECT_TRUE(::lstat(QFile::encodeName(settingsPath).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
}
