// `korvanta-measure devices` on a real sound server (a PulseAudio daemon of
// this test program alone, reached through ALSA's "default"): a server that
// is stopped answers nothing, and the command says so instead of listing
// devices that take no format, or the virtual card in their place. Skipped,
// with the reason, where the server cannot start.

#include "tests/support/SoundServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

struct Finished {
    int code = -1;
    QString out;
    QString err;
};

// The server's runtime folder is in this process's environment, and so in
// the command's. The backend is left to the command, as a user leaves it.
Finished devices()
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("KORVANTA_AUDIO"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVANTA_MEASURE_EXE), {QStringLiteral("devices")});
    Finished f;
    if (!p.waitForFinished(120000))
        return f;
    f.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    f.out = QString::fromUtf8(p.readAllStandardOutput());
    f.err = QString::fromUtf8(p.readAllStandardError());
    return f;
}

TEST(CliServer, DevicesOfAStoppedServerDidNotAnswer)
{
    SKIP_WITHOUT_SOUND_SERVER();
    // The command's messages in English: ctest runs under a German locale.
    const QString settings = qEnvironmentVariable("KORVANTA_SETTINGS");
    QDir().mkpath(QFileInfo(settings).absolutePath());
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[MAIN]\nSPRACHE=E\n");
    file.close();
    const Finished awake = devices();
    EXPECT_EQ(awake.code, 0) << awake.err.toStdString();
    EXPECT_TRUE(awake.out.contains(QStringLiteral(" 44100 "))) << awake.out.toStdString();
    EXPECT_FALSE(awake.err.contains(QStringLiteral("did not answer"))) << awake.err.toStdString();

    SoundServer::instance().pause();
    const Finished stopped = devices();
    // Asked again, ALSA may no longer route "default" to the stopped server
    // at all: then there is no sound device, which is no success either.
    const Finished again = devices();
    SoundServer::instance().resume();
    if (TestServerKind() == ServerKind::PipeWire) {
        // PipeWire's plugin answers what formats it takes without asking its
        // server: the list is the same as awake, and comes without waiting.
        EXPECT_EQ(stopped.code, 0) << stopped.err.toStdString();
        EXPECT_EQ(stopped.out, awake.out);
        EXPECT_EQ(again.out, awake.out);
        return;
    }
    EXPECT_EQ(again.code, 3) << again.out.toStdString() << again.err.toStdString();
    EXPECT_EQ(stopped.code, 3) << stopped.out.toStdString();
    EXPECT_TRUE(stopped.err.contains(QStringLiteral("korvanta-measure: input 0 \"")));
    EXPECT_TRUE(stopped.err.contains(QStringLiteral("(default) did not answer: its formats are unknown")))
        << stopped.err.toStdString();
    EXPECT_TRUE(stopped.err.endsWith(QStringLiteral("korvanta-measure: no device answered\n"))) << stopped.err.toStdString();
    EXPECT_FALSE(stopped.out.contains(QStringLiteral("rates (16 bits)"))) << stopped.out.toStdString();
}

} // namespace
