// The looping wave-file player: a user's file streamed from disk to the
// current output device at the file's own rate until stopped.

#include "platform/DeviceLog.h"
#include "audio/Soundd3.h"
#include "audio/SoundLayer.h"
#include "platform/audio/WaveFile.h"

#include <QFileInfo>

namespace korvanta {

namespace {
int refuse(const QString& path, const QString& why)
{
    devlog::Append(QStringLiteral("PlayUserWave: %1: %2").arg(QFileInfo(path).fileName(), why));
    return 1;
}
} // namespace

int PlayUserWave(const QString& path, PlayFaultProc onFault)
{
    SoundLayer& s = Layer();
    StopUserWave();
    // One output: the file replaces whatever tone was playing.
    StopPlay();
    if (!s.initialised)
        return refuse(path, QStringLiteral("the sound system is not initialised"));
    QString why;
    std::unique_ptr<WaveFileReader> reader = OpenWaveFile(path, why);
    if (!reader)
        return refuse(path, why);
    const int rate = reader->info().rate;
    const int bits = s.outSlot().format.bitsPerSample;
    const WaveFormat format = MakeWaveFormat(rate, bits);
    if (const int rc = WaveOut::Query(s.currentOut, format); rc != 0)
        return refuse(path, QStringLiteral("the output device does not take %1 Hz at %2 bit (%3)")
                                .arg(rate).arg(bits == 32 ? 24 : bits).arg(SoundErrorText(rc)));
    if (const int rc = WaveOut::Open(s.userWave, s.currentOut, format, s.notify); rc != 0)
        return refuse(path, QStringLiteral("the output device cannot be opened (%1)").arg(SoundErrorText(rc)));
    if (const int rc = s.userWave->Stream(std::make_unique<WaveFileSource>(std::move(reader), bits)); rc != 0) {
        StopUserWave();
        return refuse(path, QStringLiteral("the output device does not start (%1)").arg(SoundErrorText(rc)));
    }
    s.userWaveFault = std::move(onFault);
    return 0;
}

void StopUserWave()
{
    SoundLayer& s = Layer();
    if (s.userWave) {
        if (const int rc = s.userWave->Close(); rc != 0)
            LogWaveError(QStringLiteral("waveOutClose Error "), rc);
        // Like the generator's output, one that will not close is abandoned.
        s.userWave.reset();
    }
    s.userWaveFault = nullptr;
}

bool UserWavePlaying() { return Layer().userWave != nullptr; }

} // namespace korvanta
