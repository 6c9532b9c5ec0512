#include "tests/support/SoundServer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>

namespace {
constexpr int kAnswerMs = 10000;
constexpr int kStartMs = 5000;
constexpr int kEndMs = 5000;

void makePrivate(const QString& path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// The private folder of this process that holds every daemon's runtime
// folder, and the link "route" through which its clients find the daemon
// they talk to. Clients look the link up at every connection, so turning it
// redirects them without touching the environment of a running process.
const QString& baseFolder()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        makePrivate(dir.path());
        qputenv("XDG_RUNTIME_DIR", (dir.path() + "/route").toLocal8Bit());
        qputenv("HOME", dir.path().toLocal8Bit());
        return dir.path();
    }();
    return path;
}

// Replaces the link in one step, so a client never finds none.
void pointRouteAt(const QString& folder)
{
    const QString link = baseFolder() + "/route";
    const QString next = link + ".next";
    QFile::remove(next);
    if (::symlink(QFile::encodeName(folder).constData(), QFile::encodeName(next).constData()) == 0)
        ::rename(QFile::encodeName(next).constData(), QFile::encodeName(link).constData());
}
} // namespace

SoundServer::SoundServer()
    : folder_(std::make_unique<QTemporaryDir>(baseFolder() + "/server-XXXXXX"))
{
    makePrivate(folder_->path());
}

SoundServer::~SoundServer() { kill(); }

SoundServer& SoundServer::instance()
{
    static SoundServer server;
    static const bool routed = (server.route(), true);
    (void)routed;
    return server;
}

void SoundServer::route() const { pointRouteAt(folder_->path()); }

bool SoundServer::start()
{
    // A daemon that was killed leaves its pid file behind.
    QFile::remove(folder_->path() + "/pulse/pid");
    daemon_ = std::make_unique<QProcess>();
    daemon_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder_->path());
    env.insert(QStringLiteral("HOME"), folder_->path());
    daemon_->setProcessEnvironment(env);
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
    if (!daemon_->waitForStarted(kStartMs)) {
        reason_ = QStringLiteral("pulseaudio cannot be started (not installed?)");
        daemon_.reset();
        return false;
    }
    if (!QTest::qWaitFor([this] { return !running() || pactlSucceeds({"info"}); }, kAnswerMs) || !running()) {
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
    if (!daemon_->waitForFinished(kEndMs))
        daemon_->kill();
    daemon_->waitForFinished(kEndMs);
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
    daemon_->waitForFinished(kEndMs);
    daemon_.reset();
    reason_ = QStringLiteral("the sound server was killed");
}

qint64 SoundServer::pid() const { return running() ? daemon_->processId() : 0; }

bool SoundServer::running() const { return daemon_ && daemon_->state() == QProcess::Running; }

namespace {
// Runs pactl on the daemon of `folder`, whatever the route says.
bool runPactl(const QString& folder, const QStringList& args, QString* out)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), "unix:" + folder + "/pulse/native");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForFinished(kEndMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    if (out)
        *out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return true;
}
} // namespace

QString SoundServer::pactl(const QStringList& args) const
{
    QString out;
    return runPactl(folder_->path(), args, &out) ? out : QString();
}

bool SoundServer::pactlSucceeds(const QStringList& args) const { return runPactl(folder_->path(), args, nullptr); }

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

OwnSoundServer::OwnSoundServer()
{
    route();
    start();
}

OwnSoundServer::~OwnSoundServer()
{
    kill();
    SoundServer::instance().route();
}

void SoundServerEnvironment::SetUp() { SoundServer::instance().start(); }

void SoundServerEnvironment::TearDown() { SoundServer::instance().stop(); }
