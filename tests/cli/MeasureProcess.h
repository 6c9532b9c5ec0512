#pragma once
// The built korvanta-measure run as a script runs it: a child process with
// the test's environment, its status, standard output and standard error.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

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
};

inline Finished RunMeasure(const QStringList& args, const HowToRun& how = {})
{
    QProcess p;
    p.setProcessEnvironment(how.env);
    if (how.out == Stdout::Full)
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
    if (how.out == Stdout::Closed)
        p.setChildProcessModifier([] { ::close(STDOUT_FILENO); });
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
