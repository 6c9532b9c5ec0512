#pragma once
// A real sound server for a test program: a PulseAudio daemon with a null
// sink ("loop", 44.1 kHz) whose monitor is the default source, so what is
// played to ALSA's "default" comes back from it, with a real clock and a
// real mixer ("Master", "Capture"). It lives in a private runtime folder
// that this process (and the children it starts) alone uses, so no other
// test and no desktop ever sees it.
//
// ALSA reads its configuration once per process and routes "default" to
// the server only if one answers then: install SoundServerEnvironment
// before any test touches ALSA. Where the server cannot start, reason() says
// why and the tests skip with SKIP_WITHOUT_SOUND_SERVER().

#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

class SoundServer {
public:
    // The server of this test program (started by SoundServerEnvironment).
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
    // pactl's output, or empty when it failed.
    QString pactl(const QStringList& args) const;
    // Raw volume (65536 = 100 %) of the default sink or source, -1 if unknown.
    int volume(bool sink) const;
    void setVolume(bool sink, const QString& volume) const;

private:
    void signal(int sig) const;

    QString runtimeDir_;
    std::unique_ptr<QProcess> daemon_;
    QString reason_ = QStringLiteral("the sound server was never started");
};

// Starts the server before the first test and ends it after the last.
class SoundServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

#define SKIP_WITHOUT_SOUND_SERVER()                                                             \
    if (!SoundServer::instance().running()) {                                                   \
        std::fprintf(stderr, "skipped: %s\n", qPrintable(SoundServer::instance().reason()));   \
        GTEST_SKIP() << SoundServer::instance().reason().toStdString();                         \
    }
