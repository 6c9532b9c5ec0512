#include "SoundServer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>

namespace {
constexpr int kAnswerMs = 10000;
}

SoundServer& SoundServer::instance()
{
    static SoundServer server;
    return server;
}

bool SoundServer::start()
{
    if (runtimeDir_.isEmpty()) {
        static QTemporaryDir dir;
        runtimeDir_ = dir.path();
        QFile::setPermissions(runtimeDir_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtimeDir_.toLocal8Bit());
        qputenv("HOME", runtimeDir_.toLocal8Bit());
    }
    // A daemon that was killed leaves its pid file behind.
    QFile::remove(runtimeDir_ + "/pulse/pid");
    daemon_ = std::make_unique<QProcess>();
    daemon_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The daemon dies with this test even when the test is killed outright
    // (SIGKILL, as that also ends a daemon that is stopped). A test that died
    // before the request took effect leaves a daemon that never starts.
    const pid_t parent = ::getpid();
    daemon_->setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
    });
    daemon_->start(QStringLiteral("pulseaudio"),
                   {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--log-level=error", "-L",
                    "module-native-protocol-unix", "-L", "module-null-sink sink_name=loop rate=44100", "-L",
                    "module-always-sink"});
    if (!daemon_->waitForStarted(5000)) {
        reason_ = QStringLiteral("pulseaudio cannot be started (not installed?)");
        daemon_.reset();
        return false;
    }
    if (!QTest::qWaitFor([this] { return !running() || !pactl({"info"}).isEmpty(); }, kAnswerMs) || !running()) {
        reason_ = QStringLiteral("pulseaudio does not answer on its socket");
        kill();
        return false;
    }
    pactl({"set-default-sink", "loop"});
    pactl({"set-default-source", "loop.monitor"});
    reason_.clear();
    return true;
}

void SoundServer::stop()
{
    if (!daemon_)
        return;
    resume();
    daemon_->terminate();
    if (!daemon_->waitForFinished(5000))
        daemon_->kill();
    daemon_->waitForFinished(2000);
    daemon_.reset();
}

void SoundServer::signal(int sig) const
{
    if (daemon_ && daemon_->state() == QProcess::Running)
        ::kill(static_cast<pid_t>(daemon_->processId()), sig);
}

void SoundServer::pause() { signal(SIGSTOP); }

void SoundServer::resume() { signal(SIGCONT); }

void SoundServer::kill()
{
    if (!daemon_)
        return;
    signal(SIGKILL);
    daemon_->waitForFinished(5000);
    daemon_.reset();
    reason_ = QStringLiteral("the sound server was killed");
}

qint64 SoundServer::pid() const { return running() ? daemon_->processId() : 0; }

bool SoundServer::running() const { return daemon_ && daemon_->state() == QProcess::Running; }

QString SoundServer::pactl(const QStringList& args) const
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForFinished(5000) || p.exitCode() != 0)
        return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

int SoundServer::volume(bool sink) const
{
    const QString out = pactl({sink ? "get-sink-volume" : "get-source-volume",
                               sink ? "@DEFAULT_SINK@" : "@DEFAULT_SOURCE@"});
    const auto m = QRegularExpression(QStringLiteral("front-left: (\\d+)")).match(out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

void SoundServer::setVolume(bool sink, const QString& volume) const
{
    pactl({sink ? "set-sink-volume" : "set-source-volume", sink ? "@DEFAULT_SINK@" : "@DEFAULT_SOURCE@", volume});
}

void SoundServerEnvironment::SetUp() { SoundServer::instance().start(); }

void SoundServerEnvironment::TearDown() { SoundServer::instance().stop(); }
