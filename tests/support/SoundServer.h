#pragma once
// A real sound server for a test program: a PulseAudio daemon with a null
// sink ("loop", 44.1 kHz) whose monitor is the default source, so what is
// played to ALSA's "default" comes back from it, with a real clock and a
// real mixer ("Master", "Capture"). Every daemon has a runtime folder of its
// own under a private folder of this process; no other test program and no
// desktop ever sees it.
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

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

class SoundServer {
public:
    SoundServer();
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

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<QProcess> daemon_;
    QString reason_ = QStringLiteral("the sound server was never started");
};

// A daemon of a test case's own: started and talked to from construction,
// killed on destruction (frozen or not), after which this process talks to
// the shared server again.
class OwnSoundServer : public SoundServer {
public:
    OwnSoundServer();
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
        std::fprintf(stderr, "skipped: %s\n", qPrintable((server).reason()));                  \
        GTEST_SKIP() << (server).reason().toStdString();                                       \
    }

#define SKIP_WITHOUT_SOUND_SERVER() SKIP_UNLESS_RUNNING(SoundServer::instance())
