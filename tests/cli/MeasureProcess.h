#pragma once
// The built korvanta-measure run as a script runs it: a child process with
// the test's environment, its status, standard output and standard error.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "tests/support/TestSupport.h"

#include <grp.h>
#include <unistd.h>

namespace korvanta::clitest {

struct Finished {
    int code = -1; // -1: killed by a signal, or stuck and ended
    QByteArray out;
    QString err;
};

// Where standard output goes: a pipe the test reads, a full device, or
// nowhere (closed before the program starts).
enum class Stdout { Pipe, Full, Closed };

struct HowToRun {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    Stdout out = Stdout::Pipe;
    int limitMs = 240000; // a stuck run is ended and read as a failure
    // Run as the user "nobody" when the test runs as root, so that a folder
    // without write permission refuses the program as it refuses a user.
    bool unprivileged = false;
};

inline Finished RunMeasure(const QStringList& args, const HowToRun& how = {})
{
    QProcess p;
    p.setProcessEnvironment(how.env);
    if (how.out == Stdout::Full)
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
    const bool drop = how.unprivileged && ::geteuid() == 0;
    const gid_t gid = NobodyGid();
    const uid_t uid = NobodyUid();
    p.setChildProcessModifier([out = how.out, drop, gid, uid] {
        if (out == Stdout::Closed)
            ::close(STDOUT_FILENO);
        if (drop && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(125);
    });
    p.start(QStringLiteral(KORVANTA_MEASURE_EXE), args);
    Finished f;
    if (!p.waitForFinished(how.limitMs)) {
        p.kill();
        p.waitForFinished();
        return f;
    }
    f.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    f.out = p.readAllStandardOutput();
    f.err = QString::fromUtf8(p.readAllStandardError());
    return f;
}

// The environment with `items` ("NAME=value") set over it.
inline QProcessEnvironment WithEnvironment(const QStringList& items)
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& item : items)
        e.insert(item.section(QLatin1Char('='), 0, 0), item.section(QLatin1Char('='), 1));
    return e;
}

} // namespace korvanta::clitest
