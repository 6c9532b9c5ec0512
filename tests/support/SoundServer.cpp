#include "tests/support/SoundServer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>

namespace {
constexpr int kAnswerMs = 10000;
constexpr int kStartMs = 5000;
constexpr int kEndMs = 5000;
// The loop's quantum: the PipeWire graph's default period, in frames.
constexpr int kQuantum = 1024;

void makePrivate(const QString& path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

// The system's top configuration without its first hook, the one that
// loads /etc/alsa/conf.d, /etc/asound.conf and the user's files: what is
// left defines the plugins' names and the cards, and routes nothing.
QByteArray alsaTopWithoutSystemFiles()
{
    QFile f(QStringLiteral("/usr/share/alsa/alsa.conf"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray out;
    bool inHook = false, hookSeen = false;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        if (!hookSeen && line.startsWith("@hooks [")) {
            inHook = hookSeen = true;
            continue;
        }
        if (inHook) {
            inHook = !line.startsWith("]");
            continue;
        }
        out += line;
    }
    return out;
}

// The pipewire plugin: the system's where pipewire-alsa is installed, else
// the copy the test set-up unpacked (scripts/install-deps.sh --tests), which
// leaves the system's "default" alone.
QByteArray pipewirePluginTypes()
{
    const QString unpacked = QStringLiteral(KORVANTA_TEST_DEPS_DIR "/alsa-lib");
    if (!QFile::exists(unpacked + "/libasound_module_pcm_pipewire.so"))
        return {};
    return QStringLiteral("pcm_type.pipewire { lib \"%1/libasound_module_pcm_pipewire.so\" }\n"
                          "ctl_type.pipewire { lib \"%1/libasound_module_ctl_pipewire.so\" }\n")
        .arg(unpacked)
        .toUtf8();
}

// Routes "default" to this program's server, and nothing else.
QByteArray alsaServerConfig(ServerKind kind)
{
    if (kind == ServerKind::PulseAudio) {
        // The pulse plugin's own hook: "default" reaches the server only if
        // one answers when ALSA reads this.
        QByteArray conf;
        for (const char* file : {"/usr/share/alsa/alsa.conf.d/50-pulseaudio.conf", "/usr/share/alsa/alsa.conf.d/pulse.conf"}) {
            QFile f(QString::fromLatin1(file));
            if (f.open(QIODevice::ReadOnly))
                conf += f.readAll() + '\n';
        }
        return conf;
    }
    return pipewirePluginTypes()
           + "pcm.pipewire { type pipewire playback_node \"-1\" capture_node \"-1\"\n"
             "  hint { show on description \"PipeWire Sound Server\" } }\n"
             "ctl.pipewire { type pipewire }\n"
             "pcm.!default { type pipewire playback_node \"-1\" capture_node \"-1\"\n"
             "  hint { show on description \"Default ALSA Output (currently PipeWire Media Server)\" } }\n"
             "ctl.!default { type pipewire }\n";
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
        const QString top = dir.path() + "/alsa.conf", server = dir.path() + "/alsa-server.conf";
        if (writeFile(top, alsaTopWithoutSystemFiles()) && writeFile(server, alsaServerConfig(TestServerKind())))
            qputenv("ALSA_CONFIG_PATH", (top + ":" + server).toLocal8Bit());
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

// The name of the filter's sink, which then is the default sink.
const char* const kFilterSink = "loop-filter";

// Where the LADSPA plugins are installed: the folders the servers search.
const char* const kLadspaFolders[] = {"/usr/lib/ladspa", "/usr/local/lib/ladspa", "/usr/lib/x86_64-linux-gnu/ladspa"};

// A plugin's library, or empty where none of the folders holds it.
QString ladspaLibrary(const QString& plugin)
{
    for (const char* folder : kLadspaFolders) {
        const QString path = QString::fromLatin1(folder) + "/" + plugin + ".so";
        if (QFile::exists(path))
            return path;
    }
    return {};
}

// The first plugin of the chain that is not installed, or empty.
QString missingLadspaPlugin(const QList<LadspaStage>& chain)
{
    for (const LadspaStage& s : chain)
        if (ladspaLibrary(s.plugin).isEmpty())
            return s.plugin;
    return {};
}

bool hasFilter(const LoopFilter& f) { return !f.node.isEmpty() || !f.chain.isEmpty(); }

// The chain as one filter-chain graph: channel c runs through nodes
// "s<stage>c<c>", each plugin's audio ports named "Input" and "Output"
// (as the LADSPA SDK's and the SWH plugins' filters name them).
QString ladspaGraph(const QList<LadspaStage>& chain)
{
    QString nodes, links, inputs, outputs;
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < chain.size(); ++i) {
            QString controls;
            for (const auto& [port, value] : chain[i].controls)
                controls += QStringLiteral(" \"%1\" = %2").arg(port).arg(value, 0, 'g', 10);
            nodes += QStringLiteral("{ type = ladspa name = s%1c%2 plugin = \"%3\" label = %4 control = {%5 } }\n")
                         .arg(i)
                         .arg(c)
                         .arg(chain[i].plugin, chain[i].label, controls);
            if (i > 0)
                links += QStringLiteral("{ output = \"s%1c%3:Output\" input = \"s%2c%3:Input\" }\n").arg(i - 1).arg(i).arg(c);
        }
        inputs += QStringLiteral(" \"s0c%1:Input\"").arg(c);
        outputs += QStringLiteral(" \"s%1c%2:Output\"").arg(chain.size() - 1).arg(c);
    }
    return QStringLiteral("nodes = [ %1 ]\n links = [ %2 ]\n inputs = [%3 ]\n outputs = [%4 ]")
        .arg(nodes, links, inputs, outputs);
}

// The filter-chain graph of a filter: the chain on both channels, or the
// node on the first and, on the second, a peaking section of 0 dB, whose
// response is exactly one: with a builtin "copy" beside it, PipeWire
// 0.3.65 hands silence out of the filter's channel.
QString filterGraph(const LoopFilter& filter)
{
    if (!filter.chain.isEmpty())
        return ladspaGraph(filter.chain);
    return QStringLiteral(R"(nodes = [ { %1 name = measured }
                          { type = builtin label = bq_peaking control = { Freq = 1000 Q = 1 Gain = 0 } name = straight } ]
                inputs = [ "measured:In" "straight:In" ]
                outputs = [ "measured:Out" "straight:Out" ])")
        .arg(filter.node);
}

// The modules of the loop. A loopback hands the loop's monitor on to the
// source "loop-in", which the pipewire plugin can capture (it records from
// sources, not from a sink's monitor); its priority keeps it the default
// source. With a filter, a filter chain is the default sink in front of the
// loop: its first channel runs through the filter, its second through a
// section that passes it unchanged.
QByteArray loopModules(bool sleeps, const LoopFilter& filter)
{
    QString modules = QStringLiteral(R"(    { name = libpipewire-module-loopback
        args = {
            node.description = "Korvanta test loop input"
            audio.position = [ FL FR ]
            capture.props = { node.name = loop-monitor stream.capture.sink = true target.object = loop
                              node.dont-reconnect = true node.passive = %1 }
            playback.props = { node.name = loop-in media.class = Audio/Source priority.session = 3000 }
        }
    }
)")
                          .arg(sleeps ? "true" : "false");
    if (hasFilter(filter))
        modules += QStringLiteral(R"(    { name = libpipewire-module-filter-chain
        args = {
            node.description = "Korvanta test loop filter"
            audio.channels = 2
            audio.position = [ FL FR ]
            filter.graph = {
                %1
            }
            capture.props = { node.name = %2 media.class = Audio/Sink priority.session = 2000 }
            playback.props = { node.name = loop-filter-out target.object = loop node.dont-reconnect = true
                               node.passive = true }
        }
    }
)")
                       .arg(filterGraph(filter), QLatin1String(kFilterSink));
    return modules.toUtf8();
}

// The PipeWire daemon's whole configuration: nothing of the system's or the
// user's is read. A null sink "loop" at the graph's rate, driven by the
// dummy driver (a real clock), and the module that offers its monitor as an
// Audio/Source "loop-in". The PulseAudio protocol lets pactl (and the pulse
// plugin) in.
QByteArray pipewireConfig(int rate, bool sleeps, const LoopFilter& filter)
{
    return QStringLiteral(R"(context.properties = {
    core.daemon = true
    core.name = pipewire-0
    default.clock.rate = %1
    default.clock.allowed-rates = [ %1 ]
    default.clock.quantum = %2
    default.clock.min-quantum = 32
    default.clock.max-quantum = 8192
    link.max-buffers = 16
    mem.allow-mlock = false
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.* = support/libspa-support
}
context.modules = [
    # Real-time data threads, as a desktop's PipeWire gets them: at normal
    # priority its loop skips a cycle when other work keeps the cores busy.
    # Without the rights for it the daemon runs on as before.
    { name = libpipewire-module-rt args = { nice.level = -11 rt.prio = 88 } flags = [ ifexists nofail ] }
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-profiler }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-device-factory }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-client-device }
    { name = libpipewire-module-access }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
    { name = libpipewire-module-session-manager }
    { name = libpipewire-module-protocol-pulse args = { server.address = [ "unix:native" ] } }
)")
               .arg(rate)
               .arg(kQuantum)
               .toUtf8()
           + loopModules(sleeps, filter) + QStringLiteral(R"(]
context.objects = [
    { factory = spa-node-factory
        args = { factory.name = support.node.driver node.name = Dummy-Driver node.group = pipewire.dummy
                 priority.driver = 20000 } }
    { factory = spa-node-factory
        args = { factory.name = support.node.driver node.name = Freewheel-Driver priority.driver = 19000
                 node.group = pipewire.freewheel node.freewheel = true } }
    { factory = adapter
        args = { factory.name = support.null-audio-sink node.name = loop node.description = "Korvanta test loop"
                 media.class = Audio/Sink audio.position = [ FL FR ] audio.rate = %1 } }
]
)")
                 .arg(rate)
                 .toUtf8();
}

bool hasProgram(const char* name) { return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty(); }
} // namespace

ServerKind TestServerKind()
{
    return qEnvironmentVariable("KORVANTA_TEST_SERVER") == QLatin1String("pipewire") ? ServerKind::PipeWire
                                                                                    : ServerKind::PulseAudio;
}

const char* ServerKindName(ServerKind kind) { return kind == ServerKind::PipeWire ? "pipewire" : "pulse"; }

bool SoundServerRequired()
{
    const QStringList required = qEnvironmentVariable("KORVANTA_REQUIRE_SERVERS").split(',', Qt::SkipEmptyParts);
    return required.contains(QString::fromLatin1(ServerKindName(TestServerKind())));
}

SoundServer::SoundServer(int rate, bool loopSleeps, LoopFilter filter)
    : folder_(std::make_unique<QTemporaryDir>(baseFolder() + "/server-XXXXXX"))
    , rate_(rate)
    , loopSleeps_(loopSleeps)
    , filter_(std::move(filter))
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

std::unique_ptr<QProcess> SoundServer::spawn(const QString& program, const QStringList& args) const
{
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->setStandardOutputFile(QProcess::nullDevice());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder_->path());
    env.insert(QStringLiteral("HOME"), folder_->path());
    if (bus_ || program == QLatin1String("dbus-daemon")) {
        // PipeWire's: configuration, state and bus of this daemon alone.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder_->path() + "/.config");
        env.insert(QStringLiteral("XDG_STATE_HOME"), folder_->path() + "/.state");
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), "unix:path=" + folder_->path() + "/bus");
        env.remove(QStringLiteral("PIPEWIRE_RUNTIME_DIR"));
        env.remove(QStringLiteral("PULSE_SERVER"));
        // The LADSPA SDK's filters call sqrtf without linking the maths
        // library, which PulseAudio has loaded already and PipeWire has not.
        if (program == QLatin1String("pipewire") && !filter_.chain.isEmpty())
            env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral("libm.so.6"));
    }
    p->setProcessEnvironment(env);
    // Every process dies with this test even when the test is killed
    // outright (SIGKILL, as that also ends a process that is stopped). A
    // test that died before the request took effect leaves one that never
    // starts.
    const pid_t parent = ::getpid();
    p->setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
    });
    p->start(program, args);
    if (!p->waitForStarted(kStartMs))
        return nullptr;
    return p;
}

bool SoundServer::start()
{
    // Every test file of a merged program installs the environment, so the
    // shared server is asked to start once per file: a second daemon in the
    // same folder would fight the first for its sockets.
    if (running())
        return true;
    if (const QString missing = missingLadspaPlugin(filter_.chain); !missing.isEmpty()) {
        reason_ = QStringLiteral("the LADSPA plugin %1 is not installed (ladspa-sdk, swh-plugins)").arg(missing);
        return false;
    }
    const bool ok = TestServerKind() == ServerKind::PipeWire || !hasProgram("pulseaudio") ? startPipeWire()
                                                                                        : startPulseAudio();
    if (ok)
        reason_.clear();
    return ok;
}

bool SoundServer::answers() const
{
    if (!running())
        return false;
    const QString info = pactl({"info"});
    if (info.isEmpty())
        return false;
    // PipeWire answers before its session manager has chosen the loop (or
    // the filter in front of it) as the defaults, and the ALSA mixer of a
    // program started in between finds no Master to open: wait for both.
    if (!bus_)
        return true;
    const QStringList lines = info.split(QLatin1Char('\n'));
    const QString sink = QLatin1String(hasFilter(filter_) ? kFilterSink : "loop");
    return lines.contains(QStringLiteral("Default Source: loop-in"))
           && lines.contains(QStringLiteral("Default Sink: ") + sink);
}

bool SoundServer::startPulseAudio()
{
    // A daemon that was killed leaves its pid file behind.
    QFile::remove(folder_->path() + "/pulse/pid");
    // No shared memory with the clients: PulseAudio's import of a client's
    // memfd blocks can fail an assertion and abort the daemon mid-test
    // (seen under load in CI); blocks copied over the socket cannot.
    daemon_ = spawn(QStringLiteral("pulseaudio"),
                    {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--disable-shm=yes",
                     "--log-level=error", "-L",
                     "module-native-protocol-unix", "-L",
                     QStringLiteral("module-null-sink sink_name=loop rate=%1").arg(rate_), "-L",
                     "module-always-sink"});
    if (!daemon_) {
        reason_ = QStringLiteral("pulseaudio cannot be started (not installed?)");
        return false;
    }
    if (!QTest::qWaitFor([this] { return !running() || answers(); }, kAnswerMs) || !running()) {
        reason_ = QStringLiteral("pulseaudio does not answer on its socket");
        kill();
        return false;
    }
    pactl({"set-default-source", "loop.monitor"});
    if (!loadLadspaChain()) {
        kill();
        return false;
    }
    pactl({"set-default-sink", hasFilter(filter_) ? kFilterSink : "loop"});
    return true;
}

// PulseAudio: each stage a sink of its own whose master is the next stage,
// the last one's the loop, loaded from the loop outwards.
bool SoundServer::loadLadspaChain()
{
    for (qsizetype i = filter_.chain.size() - 1; i >= 0; --i) {
        const LadspaStage& stage = filter_.chain[i];
        auto name = [](qsizetype k) { return k == 0 ? QString::fromLatin1(kFilterSink) : QStringLiteral("%1-%2").arg(kFilterSink).arg(k); };
        QStringList controls;
        for (const auto& [port, value] : stage.controls)
            controls << QString::number(value, 'g', 10);
        const QString master = i + 1 < filter_.chain.size() ? name(i + 1) : QStringLiteral("loop");
        if (!pactlSucceeds({"load-module", "module-ladspa-sink", "sink_name=" + name(i), "sink_master=" + master,
                            "plugin=" + ladspaLibrary(stage.plugin), "label=" + stage.label,
                            "control=" + controls.join(',')})) {
            reason_ = QStringLiteral("pulseaudio does not load the LADSPA plugin %1 (%2)").arg(stage.plugin, stage.label);
            return false;
        }
    }
    return true;
}

bool SoundServer::startPipeWire()
{
    const QString conf = folder_->path() + "/pipewire.conf";
    QFile::remove(folder_->path() + "/pipewire-0");
    QFile::remove(folder_->path() + "/pipewire-0.lock");
    QFile::remove(folder_->path() + "/bus");
    if (!writeFile(conf, pipewireConfig(rate_, loopSleeps_, filter_))) {
        reason_ = QStringLiteral("cannot write the PipeWire configuration");
        return false;
    }
    // WirePlumber will not run without a session bus: one of its own.
    bus_ = spawn(QStringLiteral("dbus-daemon"),
                 {"--session", "--nofork", "--nopidfile", "--address=unix:path=" + folder_->path() + "/bus"});
    daemon_ = bus_ ? spawn(QStringLiteral("pipewire"), {"-c", conf}) : nullptr;
    if (!daemon_) {
        reason_ = bus_ ? QStringLiteral("pipewire cannot be started (not installed?)")
                       : QStringLiteral("dbus-daemon cannot be started (not installed?)");
        kill();
        return false;
    }
    const bool socket = QTest::qWaitFor([this] {
        return !running() || QFile::exists(folder_->path() + "/pipewire-0");
    }, kAnswerMs);
    sessionManager_ = socket && running() ? spawn(QStringLiteral("wireplumber"), {}) : nullptr;
    if (!sessionManager_) {
        reason_ = socket && running() ? QStringLiteral("wireplumber cannot be started (not installed?)")
                                      : QStringLiteral("pipewire does not open its socket");
        kill();
        return false;
    }
    if (!QTest::qWaitFor([this] { return !running() || answers(); }, kAnswerMs) || !running()) {
        reason_ = QStringLiteral("pipewire does not answer, or its session manager chose no loop");
        kill();
        return false;
    }
    // A quantum that changes while the loop runs spoils what its monitor
    // hands on (seen with 0.3.65), and the program's streams ask for other
    // quanta than each other: the loop keeps one, unless a case changes it.
    if (!setQuantum(kQuantum)) {
        reason_ = QStringLiteral("pipewire does not take a fixed quantum (pw-metadata)");
        kill();
        return false;
    }
    return true;
}

bool SoundServer::setQuantum(int frames) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder_->path());
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QStringLiteral("pw-metadata"), {"-n", "settings", "0", "clock.force-quantum", QString::number(frames)});
    return p.waitForFinished(kEndMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void SoundServer::stop()
{
    resume();
    // The session manager first: it is a client of the daemon, the daemon of the bus.
    for (auto* p : {&sessionManager_, &daemon_, &bus_}) {
        if (!*p)
            continue;
        (*p)->terminate();
        if (!(*p)->waitForFinished(kEndMs))
            (*p)->kill();
        (*p)->waitForFinished(kEndMs);
        p->reset();
    }
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
    if (!daemon_ && !bus_ && !sessionManager_)
        return;
    for (auto* p : {&daemon_, &sessionManager_, &bus_}) {
        if (!*p)
            continue;
        if ((*p)->state() == QProcess::Running)
            ::kill(static_cast<pid_t>((*p)->processId()), SIGKILL);
        (*p)->waitForFinished(kEndMs);
        p->reset();
    }
    // A start that failed has said why already; keep that.
    if (reason_.isEmpty())
        reason_ = QStringLiteral("the sound server was killed");
}

qint64 SoundServer::pid() const { return running() ? daemon_->processId() : 0; }

QList<qint64> SoundServer::pids() const
{
    QList<qint64> out;
    for (const auto* p : {&daemon_, &sessionManager_, &bus_})
        if (*p && (*p)->state() == QProcess::Running)
            out.append((*p)->processId());
    return out;
}

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

OwnSoundServer::OwnSoundServer(int rate, bool loopSleeps, LoopFilter filter)
    : SoundServer(rate, loopSleeps, std::move(filter))
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
