#include "AlsaPlayback.h"

#include "AlsaPcm.h"
#include "DeviceLog.h"

#include <cerrno>

int AlsaPlayback::start() { return pcm_.check(snd_pcm_prepare(pcm_.get()), QStringLiteral("prepare")); }

int AlsaPlayback::write(const uint8_t* src, int frames, int timeoutMs)
{
    snd_pcm_sframes_t n = snd_pcm_writei(pcm_.get(), src, static_cast<snd_pcm_uframes_t>(frames));
    if (n == -EAGAIN) {
        snd_pcm_wait(pcm_.get(), timeoutMs);
        return 0;
    }
    if (n == -EPIPE || n == -ESTRPIPE) {
        if (n == -EPIPE)
            devlog::Append(QStringLiteral("ALSA: underrun on %1, playback continues").arg(pcm_.name()));
        if (snd_pcm_recover(pcm_.get(), static_cast<int>(n), 1) >= 0)
            return 0;
    }
    if (n < 0) {
        LogAlsaError(QStringLiteral("play to"), pcm_.name(), static_cast<int>(n));
        return static_cast<int>(n);
    }
    return static_cast<int>(n);
}

void AlsaPlayback::stop() { snd_pcm_drop(pcm_.get()); }

int AlsaPlayback::close() { return pcm_.close(); }
