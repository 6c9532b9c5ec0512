// Closing the program: every settings section reaches the file in one atomic
// replacement, and a kill at any moment of the close leaves the old or the
// new file whole, never a mixture of both and never stray copies.

#include "app/ui/ProgramRecords.h"
#include "tests/app/AppTestSupport.h"
#include "platform/AtomicFile.h"
#include "app/ui/SettingsRescue.h"
#include "diagram/ui/Diadlg3.h"
#include "diagram/ui/Diagr3.h"
#include "audio/Soundd3.h"
#include "app/UnixSignals.h"
#include "platform/UserMessages.h"

#include <QDir>
#include <QThreadPool>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <random>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace korvanta;

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// The sections a fresh file receives at close, in their order: the audio
// layer's, the main window's, then those of the windows destroyed after it.
const QStringList kCloseSections = {"SDSOUND", "MAIN", "EICH", "VOLUME", "FFT",
                                    "WOB",     "OSZI", "DIAGRAMM", "DIAGPRIV", "ANALYSE"};

QStringList sectionsOf(const QString& path)
{
    ProfileStore store(path);
    store.load();
    QStringList names;
    for (const QString& line : store.lines())
        if (line.startsWith(QLatin1Char('[')))
            names << line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
    return names;
}

// True when `wanted` appear in `names` in this order (others may lie between).
bool inOrder(const QStringList& names, const QStringList& wanted)
{
    qsizetype at = 0;
    for (const QString& w : wanted) {
        at = names.indexOf(w, at);
        if (at < 0)
            return false;
    }
    return true;
}

// Four sections written at different moments of the close, each marked with
// the number of the close that wrote it.
constexpr int kSoundMark = 60000; // above every device's default user rate

void markGeneration(int generation)
{
    SetUserRates(kSoundMark + generation, kSoundMark + generation); // SDSOUND: the audio layer's shutdown
    Analyzer().CalInMv = float(100 + generation);                   // EICH: the main window's close
    TDiagramm* diagram = Forms().Diagramm;
    DiagramOptions options = diagram->Options();
    options.colText = ColorRef(10 + generation); // DIAGPRIV: the diagram's destruction
    Forms().Diadlg->Fill(options);
    QEvent apply(UM_DIA_OPTIONS);
    QCoreApplication::sendEvent(diagram, &apply);
    Analysis().bandLow = 100 + generation; // ANALYSE: the analysis dialog's destruction
}

std::array<int, 4> generationMarks(const QString& path)
{
    ProfileStore store(path);
    store.load();
    int sound = -1;
    for (const QString& line : store.lines())
        if (line.contains(QLatin1String("usf=")))
            sound = std::max(sound, line.section(QLatin1Char('='), 1).toInt() - kSoundMark);
    return {sound, int(store.value("EICH", "INPUT", "-1").toDouble()) - 100,
            store.value("DIAGPRIV", "COLTEXT", "-1").toInt() - 10, store.value("ANALYSE", "FVON", "-1").toInt() - 100};
}

// The keys of the file, line by line, without their values.
QStringList layoutOf(const QByteArray& bytes)
{
    QStringList keys;
    for (const QByteArray& line : bytes.split('\n'))
        keys << QString::fromUtf8(line.left(line.indexOf('=')));
    return keys;
}

long long monotonicNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// What main() does on SIGTERM: the signal reaches the main window's close
// through the event loop, the loop ends, the windows are destroyed.
int closeLikeTheProgram(TMainForm* mainForm)
{
    TUnixSignals signalHandling;
    QObject::connect(&signalHandling, &TUnixSignals::terminationRequested, mainForm, &QWidget::close);
    ::raise(SIGTERM);
    const int result = QApplication::exec();
    DestroyApplicationWindows();
    return result;
}

// A child process that closes the program as close number `generation`,
// with its settings in `settingsFile`. With a report descriptor it writes
// the time of every write of a settings file there.
pid_t startClose(TMainForm* mainForm, const QString& settingsFile, int generation, int reportFd = -1)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    qputenv("KORVANTA_SETTINGS", QFile::encodeName(settingsFile));
    if (reportFd >= 0)
        testing_hooks::SetProfileSaveInterruptHook([reportFd] {
            const long long t = monotonicNs();
            [[maybe_unused]] const ssize_t n = ::write(reportFd, &t, sizeof t);
        });
    markGeneration(generation);
    ::_exit(closeLikeTheProgram(mainForm));
}

QStringList threadNames()
{
    QStringList names;
    for (const QString& t : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(QStringLiteral("/proc/self/task/%1/comm").arg(t));
        names << (f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : t);
    }
    return names;
}

QStringList strayFilesIn(const QString& dir)
{
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(QStringLiteral("krv14f.ini"));
    return names;
}

struct Timing {
    double totalMs = 0;      // fork to exit
    double firstWriteMs = 0; // fork to the first write of the settings file
    double lastWriteMs = 0;
    int writes = 0;
};

// Closes that run to their end, one per file, side by side.
std::vector<Timing> cleanCloses(TMainForm* mainForm, const std::vector<std::pair<QString, int>>& filesAndGenerations)
{
    struct Running {
        pid_t pid;
        int reportFd;
    };
    std::vector<Running> running;
    const long long start = monotonicNs();
    for (const auto& [file, generation] : filesAndGenerations) {
        int pipeFds[2];
        EXPECT_EQ(::pipe(pipeFds), 0);
        running.push_back({startClose(mainForm, file, generation, pipeFds[1]), pipeFds[0]});
        ::close(pipeFds[1]);
    }
    std::vector<Timing> timings;
    for (const Running& r : running) {
        int status = 0;
        ::waitpid(r.pid, &status, 0);
        Timing t;
        t.totalMs = double(monotonicNs() - start) / 1e6;
        long long at = 0;
        while (::read(r.reportFd, &at, sizeof at) == sizeof at) {
            const double ms = double(at - start) / 1e6;
            t.firstWriteMs = t.writes == 0 ? ms : t.firstWriteMs;
            t.lastWriteMs = ms;
            ++t.writes;
        }
        ::close(r.reportFd);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        timings.push_back(t);
    }
    return timings;
}

// One settings file whose closes are killed one after another. Several
// lanes run side by side (the closes mostly wait), each on its own file.
struct Lane {
    QString dir;
    QString file;
    pid_t child = 0;
    Clock::time_point killAt;
    double delayMs = 0;
    int generation = 0;      // of the close under way
    int oldGeneration = 0;   // of the file on disk
    QByteArray oldBytes;
    QString lastStray;
};

struct KillTally {
    int kills = 0, keptOld = 0, tookNew = 0, killedInWrite = 0;
};

// After a kill: the file is the old one or the new one, whole, and at most
// the killed close's own copy lies beside it.
void checkAfterKill(Lane& lane, const QStringList& layout, KillTally& tally)
{
    QFile f(lane.file);
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    const std::array<int, 4> marks = generationMarks(lane.file);
    ASSERT_TRUE(marks[1] == marks[0] && marks[2] == marks[0] && marks[3] == marks[0])
        << "mixed file after a kill at " << lane.delayMs << " ms: " << marks[0] << ' ' << marks[1] << ' ' << marks[2]
        << ' ' << marks[3];
    if (marks[0] == lane.oldGeneration) {
        ASSERT_EQ(bytes, lane.oldBytes) << "the old file, whole";
        ++tally.keptOld;
    } else {
        ASSERT_EQ(marks[0], lane.generation);
        ASSERT_EQ(layoutOf(bytes), layout) << "the new file, whole";
        lane.oldBytes = bytes;
        lane.oldGeneration = lane.generation;
        ++tally.tookNew;
    }
    const QStringList strays = strayFilesIn(lane.dir);
    ASSERT_LE(strays.size(), 1) << "copies must not pile up: " << qPrintable(strays.join(' '));
    long long pidOfCopy = 0;
    for (const QString& name : strays)
        ASSERT_TRUE(IsTemporaryCopyName(name, QStringLiteral("krv14f.ini"), pidOfCopy)) << qPrintable(name);
    if (!strays.isEmpty() && strays.front() != lane.lastStray)
        ++tally.killedInWrite; // this close's own copy: killed between creating and renaming it
    lane.lastStray = strays.isEmpty() ? QString() : strays.front();
}

} // namespace

// The sections keep their order and content; only the number of writes changes.
TEST_F(MainWindowTest, CloseWritesEverySectionInOneReplacement)
{
    start();
    int diskWrites = 0;
    testing_hooks::SetProfileSaveInterruptHook([&] { ++diskWrites; });
    closeMain();
    testing_hooks::SetProfileSaveInterruptHook({});
    EXPECT_EQ(diskWrites, 1);
    const QStringList sections = sectionsOf(settingsPath);
    EXPECT_TRUE(inOrder(sections, kCloseSections)) << qPrintable(sections.join(' '));
    EXPECT_FALSE(SettingsTransactionOpen());
    EXPECT_EQ(strayFilesIn(dir.path()), QStringList{});
}

// Kills the real close path (started by SIGTERM, as a logout does) at random
// moments, most of them around the settings write.
TEST_F(MainWindowTest, AKillAnywhereInTheCloseLeavesTheOldOrTheNewFileWhole)
{
    constexpr int kLanes = 2;
    constexpr int kKills = 300;
    constexpr auto kBudget = std::chrono::seconds(30);
    constexpr int kMinimumKills = 20; // even on a slow sanitizer build
    constexpr double kWindowMarginMs = 5.0;

    start();
    // Idle pool threads of the start-up are joined, so that nothing but
    // this thread exists when the children are forked.
    // Device and pool threads of the start-up may still be winding down:
    // give them a few seconds to go.
    for (int i = 0; i < 100 && threadNames().size() > 1; ++i) {
        QThreadPool::globalInstance()->waitForDone();
        QTest::qWait(50);
    }
    ASSERT_EQ(threadNames().size(), 1) << "a forked child would lack: " << qPrintable(threadNames().join(' '));

    // Clean closes first, side by side as the killed ones will run: they
    // give each file a known generation and tell where in the close the
    // write happens.
    std::vector<Lane> lanes(kLanes);
    for (int i = 0; i < kLanes; ++i) {
        lanes[i].dir = dir.file(QStringLiteral("lane%1").arg(i));
        QDir().mkpath(lanes[i].dir);
        lanes[i].file = lanes[i].dir + QStringLiteral("/krv14f.ini");
    }
    Timing timing;
    for (int round = 0; round < 2; ++round) {
        std::vector<std::pair<QString, int>> closes;
        for (Lane& lane : lanes)
            closes.emplace_back(lane.file, ++lane.generation);
        for (const Timing& t : cleanCloses(main, closes)) {
            ASSERT_EQ(t.writes, 1) << "one replacement of the settings file per close";
            timing.totalMs = std::max(timing.totalMs, t.totalMs);
            timing.lastWriteMs = std::max(timing.lastWriteMs, t.lastWriteMs);
            timing.firstWriteMs = timing.writes++ == 0 ? t.firstWriteMs : std::min(timing.firstWriteMs, t.firstWriteMs);
        }
    }
    for (Lane& lane : lanes) {
        const int g = lane.generation;
        ASSERT_EQ(generationMarks(lane.file), (std::array<int, 4>{g, g, g, g}));
        ASSERT_TRUE(inOrder(sectionsOf(lane.file), kCloseSections));
        QFile f(lane.file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        lane.oldBytes = f.readAll();
        lane.oldGeneration = g;
    }
    const QStringList layout = layoutOf(lanes[0].oldBytes);

    std::mt19937 random(20261208); // fixed: a failure can be replayed
    std::uniform_real_distribution<double> anywhere(0.0, timing.totalMs);
    std::uniform_real_distribution<double> aroundWrite(std::max(0.0, timing.firstWriteMs - kWindowMarginMs),
                                                       timing.lastWriteMs + kWindowMarginMs);
    int started = 0;
    auto launch = [&](Lane& lane) {
        lane.delayMs = started++ % 3 == 0 ? anywhere(random) : aroundWrite(random);
        lane.child = startClose(main, lane.file, ++lane.generation);
        lane.killAt = Clock::now() + std::chrono::duration_cast<Clock::duration>(Ms(lane.delayMs));
    };
    KillTally tally;
    const auto begin = Clock::now();
    for (Lane& lane : lanes)
        launch(lane);
    while (tally.kills < kKills) {
        Lane& next = *std::min_element(lanes.begin(), lanes.end(),
                                       [](const Lane& a, const Lane& b) { return a.killAt < b.killAt; });
        std::this_thread::sleep_until(next.killAt);
        ::kill(next.child, SIGKILL);
        ::waitpid(next.child, nullptr, 0);
        ++tally.kills;
        checkAfterKill(next, layout, tally);
        if (::testing::Test::HasFatalFailure())
            break;
        if (Clock::now() - begin < kBudget)
            launch(next);
        else
            next.killAt = Clock::time_point::max();
        if (std::all_of(lanes.begin(), lanes.end(), [](const Lane& l) { return l.killAt == Clock::time_point::max(); }))
            break;
    }
    // Children still running after a failure are not left behind.
    for (Lane& lane : lanes)
        if (lane.killAt != Clock::time_point::max()) {
            ::kill(lane.child, SIGKILL);
            ::waitpid(lane.child, nullptr, 0);
        }
    ASSERT_FALSE(HasFatalFailure());
    std::printf("kill test: %d kills in %.1f s on %d files (close %.0f ms, write at %.1f-%.1f ms): old file %d, "
                "new file %d, killed inside the write %d\n",
                tally.kills, std::chrono::duration<double>(Clock::now() - begin).count(), kLanes, timing.totalMs,
                timing.firstWriteMs, timing.lastWriteMs, tally.keptOld, tally.tookNew, tally.killedInWrite);
    EXPECT_GE(tally.kills, kMinimumKills);

    // A last close that runs to its end clears what the kills left.
    std::vector<std::pair<QString, int>> closes;
    for (Lane& lane : lanes)
        closes.emplace_back(lane.file, ++lane.generation);
    cleanCloses(main, closes);
    for (Lane& lane : lanes) {
        const int g = lane.generation;
        EXPECT_EQ(generationMarks(lane.file), (std::array<int, 4>{g, g, g, g}));
        EXPECT_EQ(strayFilesIn(lane.dir), QStringList{});
    }
}

// A close that cannot write the settings says where and why, and keeps them
// where the user chooses: a place that fails too is named in the next
// question, a place that works takes the whole file. "No" discards them,
// and the close reports that they were kept nowhere. (The folder of the
// settings file is a regular file, which no user, root included, can write
// into.)
TEST_F(MainWindowTest, ACloseThatCannotWriteTheSettingsAsksWhereToKeepThem)
{
    struct Case {
        const char* name;
        bool keep;
    };
    for (const Case c : {Case{"kept elsewhere", true}, Case{"discarded", false}}) {
        SCOPED_TRACE(c.name);
        dir.write("blocker", "not a folder");
        const QString blocked = dir.file("blocker/krv14f.ini");
        const QString elsewhere = dir.file(QStringLiteral("elsewhere-%1.ini").arg(c.name[0]));
        qputenv("KORVANTA_SETTINGS", QFile::encodeName(blocked));
        start();
        modals.clear();
        modals.answerButton(modal::Yes);
        modals.answerFile(dir.file("blocker/second.ini")); // fails as well
        modals.answerButton(c.keep ? modal::Yes : modal::No);
        if (c.keep)
            modals.answerFile(elsewhere);
        main->close();
        QApplication::processEvents();
        const bool kept = DestroyApplicationWindows();
        main = nullptr;

        EXPECT_EQ(kept, c.keep);
        const std::vector<modal::Question>& q = modals.questions();
        ASSERT_EQ(q.size(), c.keep ? 5u : 3u);
        EXPECT_TRUE(q[0].text.contains(blocked)) << qPrintable(q[0].text);
        EXPECT_TRUE(q[0].text.contains(qt_error_string(ENOTDIR))) << qPrintable(q[0].text);
        EXPECT_EQ(q[1].type, modal::Type::SaveFile);
        EXPECT_TRUE(q[2].text.contains(dir.file("blocker/second.ini"))) << "the question names the place that failed";
        if (c.keep) {
            EXPECT_EQ(q[3].type, modal::Type::SaveFile);
            EXPECT_TRUE(q[4].text.contains(elsewhere) && q[4].text.contains(blocked)) << qPrintable(q[4].text);
            EXPECT_TRUE(inOrder(sectionsOf(elsewhere), kCloseSections)) << qPrintable(sectionsOf(elsewhere).join(' '));
        }
        EXPECT_EQ(strayFilesIn(dir.path()).filter(".korvanta-save-"), QStringList{});
        EXPECT_EQ(dir.read("blocker"), "not a folder");
    }
}

// A termination signal while the question is open ends it: the settings are
// discarded, and no further question keeps the program alive.
TEST(SettingsAtClose, TerminationEndsTheQuestions)
{
    ScratchDir dir;
    dir.write("blocker", "not a folder");
    const ChildResult r = RunInChild([&] {
        int questions = 0;
        modal::SetHook([&](const modal::Question&) {
            ++questions;
            AbandonUnsavedSettings(); // as the signal handler does, while the question is open
            modal::Answer a;
            a.button = modal::Yes;
            a.fileName = dir.file("kept.ini");
            return a;
        });
        const bool kept = KeepUnsavedSettings({{dir.file("blocker/a.ini"), "Not a directory", "[A]\nK=1\n"}}, 'E');
        return kept ? 100 : questions;
    });
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 1) << "discarded after the one open question";
    EXPECT_FALSE(QFileInfo::exists(dir.file("kept.ini")));
    EXPECT_TRUE(r.stdErr.contains("settings discarded")) << qPrintable(r.stdErr);
}

// Without a display (a script runs the program offscreen) no one can answer:
// the close says so on standard error and ends instead of waiting forever.
TEST(SettingsAtClose, WithoutADisplayNoQuestionHoldsTheClose)
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        GTEST_SKIP() << "runs on a display";
    ScratchDir dir;
    const ChildResult r = RunInChild([&] {
        constexpr unsigned kHangSeconds = 20;
        ::alarm(kHangSeconds); // a question that waits ends the child by a signal
        modal::SetHook({});
        return KeepUnsavedSettings({{dir.file("blocker/a.ini"), "Not a directory", "[A]\nK=1\n"}}, 'E') ? 1 : 0;
    });
    ASSERT_TRUE(r.exited) << "signal " << r.signal;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.stdErr.contains("settings not saved in " + dir.file("blocker/a.ini") + ": Not a directory"))
        << qPrintable(r.stdErr);
}
