#include "AlsaPlayback.h"

#include "AlsaPcm.h"
#include "DeviceLog.h"

#include <cerrno>

AlsaPlayback::~AlsaPlayback()
{
    if (pcm_)
        snd_pcm_close(pcm_);
}

int AlsaPlayback::start()
{
    const int rc = snd_pcm_prepare(pcm_);
    if (rc < 0) {
        LogAlsaError(QStringLiteral("prepare"), name_, rc);
        return WaveCodeForAlsaError(rc);
    }
    return 0;
}

int AlsaPlayback::write(const uint8_t* src, int frames, int timeoutMs)
{
    snd_pcm_sframes_t n = snd_pcm_writei(pcm_, src, static_cast<snd_pcm_uframes_t>(frames));
    if (n == -EAGAIN) {
        snd_pcm_wait(pcm_, timeoutMs);
        return 0;
    }
    if (n == -EPIPE || n == -ESTRPIPE) {
        if (n == -EPIPE)
            devlog::Append(QStringLiteral("ALSA: underrun on %1, playback continues").arg(name_));
        if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) >= 0)
            return 0;
    }
    if (n < 0) {
        LogAlsaError(QStringLiteral("play to"), name_, static_cast<int>(n));
        return static_cast<int>(n);
    }
    return static_cast<int>(n);
}

void AlsaPlayback::stop() { snd_pcm_drop(pcm_); }

int AlsaPlayback::close()
{
    const int rc = snd_pcm_close(pcm_);
    pcm_ = nullptr;
    if (rc < 0) {
        LogAlsaError(QStringLiteral("close"), name_, rc);
        return WaveCodeForAlsaError(rc);
    }
    return 0;
}
