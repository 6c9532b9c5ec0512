#pragma once
// A real sound server for a test program, so what is played to ALSA's
// "default" comes back from it, with a real clock and a real mixer
// ("Master", "Capture"). Which server is chosen per test program by
// KORVANTA_TEST_SERVER (ServerKind below):
//  - PulseAudio: a daemon with a null sink ("loop", 44.1 kHz) whose monitor
//    is the default source, reached through ALSA's pulse plugin;
//  - PipeWire: the daemon with its session manager (WirePlumber, which needs
//    a D-Bus session bus: a private dbus-daemon), a null sink "loop" at the
//    graph's rate and a loopback module that offers its monitor as the
//    default source "loop-in", reached through ALSA's pipewire plugin. The
//    daemon also speaks the PulseAudio protocol, so pactl works on it.
// Every daemon has a runtime folder of its own under a private folder of
// this process; no other test program and no desktop ever sees it. ALSA
// reads a private configuration (ALSA_CONFIG_PATH) that routes "default" to
// this program's server only: the system's files, which a desktop's
// pipewire-alsa makes reroute "default" for every program, are never read.
//
// This process's clients (ALSA's "default", the program's mixer) talk to one
// daemon at a time: the shared server of the test program, or, while a test
// case holds one (one at a time), an OwnSoundServer; pactl() and the volume
// helpers always ask their own daemon. A case that freezes or kills its
// server takes one of its own, so the shared server is never frozen, killed
// or restarted, and no later case meets a daemon that was thawed after its
// clients gave up on it (PulseAudio has been seen to abort then). For
// example:
//
//     class FrozenServer : public MainWindowTest {
//     protected:
//         OwnSoundServer server; // before the window opens "default"
//     };
//     TEST_F(FrozenServer, ...) { SKIP_UNLESS_RUNNING(server); start(); server.pause(); ... }
//
// ALSA reads its configuration once per process and routes "default" to
// the server only if one answers then: install SoundServerEnvironment
// before any test touches ALSA. Where a server cannot start, reason() says
// why and the tests skip with SKIP_WITHOUT_SOUND_SERVER() (the shared one)
// or SKIP_UNLESS_RUNNING(server).
//
// Every daemon dies with its owner: the shared one at the end of the test
// program, an own one with its object, and all of them with the test
// program when that is killed outright.

#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

enum class ServerKind { PulseAudio, PipeWire };

// The server this test program runs on: KORVANTA_TEST_SERVER=pipewire, else
// PulseAudio. Where `pulseaudio` is not installed (a PipeWire desktop, whose
// pipewire-pulse it would replace) the PulseAudio cases talk to PipeWire's
// PulseAudio front end through the same pulse plugin.
ServerKind TestServerKind();
// "pulse" or "pipewire", as KORVANTA_REQUIRE_SERVERS names them.
const char* ServerKindName(ServerKind kind);
// Whether KORVANTA_REQUIRE_SERVERS names this program's server: then a
// server that cannot start fails the test instead of skipping it.
bool SoundServerRequired();

// The rate of the server's loop (PipeWire: of its whole graph).
inline constexpr int kDefaultServerRate = 44100;

// One LADSPA plugin: its library's name without ".so" ("filter"), its
// label ("hpf") and its control ports' values in the plugin's port order.
struct LadspaStage {
    QString plugin;
    QString label;
    QList<QPair<QString, double>> controls;
};

// PipeWire: a filter on the loop's first channel (FL, the program's left)
// alone, so the second passes straight and can serve as a reference: the
// body of a filter-chain node, e.g. "type = builtin label = bq_lowpass
// control = { Freq = 1000 }". It is a sink of its own in front of the loop
// (the default sink, so "Master" is its volume) and runs inside the graph,
// at the graph's rate. Empty: a plain loop.
//
// Both servers: a chain of LADSPA plugins that both channels pass alike, a
// device under test with a real response. PulseAudio loads each stage as a
// module-ladspa-sink in front of the loop (the first stage is the default
// sink); PipeWire runs the chain as one filter-chain graph, each channel
// through plugins of its own. Where a plugin cannot be loaded the server
// does not start, and reason() names the plugin.
struct LoopFilter {
    QString node;
    QList<LadspaStage> chain;
};

class SoundServer {
public:
    // loopSleeps (PipeWire): the loop's sink may be suspended when idle.
    explicit SoundServer(int rate = kDefaultServerRate, bool loopSleeps = false, LoopFilter filter = {});
    virtual ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // The shared server of this test program (started by SoundServerEnvironment).
    static SoundServer& instance();

    // Starts the daemon (again, after kill()). False: reason() says why.
    bool start();
    // Ends the daemon the friendly way.
    void stop();
    // Freezes (SIGSTOP) and thaws (SIGCONT) it: a real stall.
    void pause();
    void resume();
    // SIGKILL: a real device loss. Waits until it is gone.
    void kill();

    bool running() const;
    // Process id of the daemon, 0 when none runs.
    qint64 pid() const;
    // Process ids of every process it started (daemon, session manager, bus).
    QList<qint64> pids() const;
    int rate() const { return rate_; }
    // PipeWire: forces the graph's quantum (0: let it follow its clients).
    bool setQuantum(int frames) const;
    const QString& reason() const { return reason_; }
    // pactl's output from this daemon, or empty when it failed.
    QString pactl(const QStringList& args) const;
    // Whether pactl ran on this daemon and succeeded (for commands that print nothing).
    bool pactlSucceeds(const QStringList& args) const;
    // Raw volume (65536 = 100 %) of the default sink or source, -1 if unknown.
    int volume(bool sink) const;
    void setVolume(bool sink, const QString& volume) const;

private:
    friend class OwnSoundServer;
    // Makes this process's clients talk to this daemon.
    void route() const;
    void signal(int sig) const;
    std::unique_ptr<QProcess> spawn(const QString& program, const QStringList& args) const;
    bool startPulseAudio();
    bool loadLadspaChain();
    bool startPipeWire();
    bool answers() const;

    std::unique_ptr<QTemporaryDir> folder_;
    int rate_;
    bool loopSleeps_;
    LoopFilter filter_;
    std::unique_ptr<QProcess> daemon_;
    // PipeWire's private bus and session manager, started before/after it.
    std::unique_ptr<QProcess> bus_;
    std::unique_ptr<QProcess> sessionManager_;
    QString reason_ = QStringLiteral("the sound server was never started");
};

// A daemon of a test case's own: started and talked to from construction,
// killed on destruction (frozen or not), after which this process talks to
// the shared server again.
class OwnSoundServer : public SoundServer {
public:
    explicit OwnSoundServer(int rate = kDefaultServerRate, bool loopSleeps = false, LoopFilter filter = {});
    ~OwnSoundServer() override;
};

// Starts the shared server before the first test and ends it after the last.
class SoundServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

#define SKIP_UNLESS_RUNNING(server)                                                            \
    if (!(server).running()) {                                                                  \
        if (SoundServerRequired())                                                              \
            GTEST_FAIL() << "required server cannot run: " << (server).reason().toStdString();  \
        std::fprintf(stderr, "skipped: %s\n", qPrintable((server).reason()));                  \
        GTEST_SKIP() << (server).reason().toStdString();                                       \
    }

#define SKIP_WITHOUT_SOUND_SERVER() SKIP_UNLESS_RUNNING(SoundServer::instance())
