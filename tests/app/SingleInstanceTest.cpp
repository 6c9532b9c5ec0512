// One program per settings file: a second start on the same file is refused
// (in the file's language) and calls the first to the front; a start on
// another file is not refused, and a lock left by a program that died does
// not refuse anything.

#include "app/ui/SingleInstance.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

// Generous: the program starts on a loaded machine; a finished one ends it.
constexpr int kProgramWaitMs = 60000;

QProcessEnvironment programEnvironment(const QString& settingsPath)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANTA_SETTINGS"), settingsPath);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KORVANTA_AUDIO"), QStringLiteral("virtual"));
    return env;
}

TEST(SingleInstance, TheRealProgramRefusesASecondStartOnlyOnTheSameFile)
{
    ScratchDir dir;
    dir.write("german.ini", "[MAIN]\nSPRACHE=D\n");
    dir.write("english.ini", "[MAIN]\nSPRACHE=E\n");
    QProcess first;
    first.setProcessEnvironment(programEnvironment(dir.file("german.ini")));
    first.start(QStringLiteral(KORVANTA_EXE), {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(dir.file("german.ini") + ".lock"); }, kProgramWaitMs));

    const struct {
        const char* file;
        int status;
        const char* says;
    } cases[] = {
        {"german.ini", 2, "läuft bereits"},
        {"english.ini", 0, nullptr},   // another file: starts, paints, closes
    };
    for (const auto& c : cases) {
        QProcess second;
        QProcessEnvironment env = programEnvironment(dir.file(c.file));
        env.insert(QStringLiteral("KORVANTA_EXIT_AFTER_SHOW"), QStringLiteral("1"));
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(KORVANTA_EXE), {});
        ASSERT_TRUE(second.waitForFinished(kProgramWaitMs)) << c.file;
        const QString err = QString::fromUtf8(second.readAllStandardError());
        EXPECT_EQ(second.exitCode(), c.status) << c.file << ": " << err.toStdString();
        if (c.says)
            EXPECT_TRUE(err.contains(QString::fromUtf8(c.says))) << err.toStdString();
        else
            EXPECT_FALSE(err.contains(QStringLiteral("already running"))) << err.toStdString();
    }
    EXPECT_EQ(first.state(), QProcess::Running) << "the first program goes on";
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(kProgramWaitMs));
}

TEST(SingleInstance, ARefusedStartCallsTheFirstToTheFront)
{
    ScratchDir dir;
    const QString path = dir.file("krv14f.ini");
    SingleInstance first(path);
    ASSERT_TRUE(first.Claim());
    QSignalSpy called(&first, &SingleInstance::anotherStart);
    SingleInstance second(path);
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(called.count() == 1 || called.wait(kProgramWaitMs));
    SingleInstance other(dir.file("other.ini"));
    EXPECT_TRUE(other.Claim()) << "another settings file";
}

TEST(SingleInstance, ALockLeftByAProgramThatDiedIsTakenOver)
{
    ScratchDir dir;
    const QString path = dir.file("krv14f.ini");
    // The lock of a process that has ended, as a crash leaves it.
    QProcess ended;
    qint64 pid = 0;
    QObject::connect(&ended, &QProcess::started, [&] { pid = ended.processId(); });
    ended.start(QStringLiteral("true"), {});
    ASSERT_TRUE(ended.waitForFinished(kProgramWaitMs));
    ASSERT_GT(pid, 0);
    dir.write("krv14f.ini.lock", QByteArray::number(pid) + "\nkorvanta\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    SingleInstance next(path);
    EXPECT_TRUE(next.Claim());
}

} // namespace
