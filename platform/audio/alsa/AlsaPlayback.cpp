#include "AlsaPlayback.h"

#include "AlsaPcm.h"
#include "DeviceLog.h"

#include <cerrno>

int AlsaPlayback::start()
{
    stall_ = StallWatch();
    return pcm_.check(snd_pcm_prepare(pcm_.get()), QStringLiteral("prepare"));
}

// Device thread: the unrecoverable error, logged with ALSA's own text.
int AlsaPlayback::fail(int alsaError)
{
    LogAlsaError(QStringLiteral("play to"), pcm_.name(), alsaError);
    const bool gone = alsaError == -ENODEV || alsaError == -ENXIO || alsaError == -ESHUTDOWN
        || alsaError == -EBADFD || alsaError == -ENOENT;
    return -(gone ? WAVERR_OUTPUT_GONE : WAVERR_OUTPUT_WRITE);
}

int AlsaPlayback::write(const uint8_t* src, int frames, int timeoutMs)
{
    snd_pcm_sframes_t n = snd_pcm_writei(pcm_.get(), src, static_cast<snd_pcm_uframes_t>(frames));
    if (n == -EAGAIN) {
        const int w = snd_pcm_wait(pcm_.get(), timeoutMs);
        if (w < 0 && w != -EPIPE && w != -ESTRPIPE)
            return fail(w);
        n = 0;
    } else if (n == -EPIPE || n == -ESTRPIPE) {
        if (n == -EPIPE)
            devlog::Append(QStringLiteral("ALSA: underrun on %1, playback continues").arg(pcm_.name()));
        if (snd_pcm_recover(pcm_.get(), static_cast<int>(n), 1) < 0)
            return fail(static_cast<int>(n));
        n = 0;
    } else if (n < 0) {
        return fail(static_cast<int>(n));
    }
    if (stall_.stalled(static_cast<int>(n))) {
        devlog::Append(QStringLiteral("ALSA: %1 took no frame for %2 ms").arg(pcm_.name()).arg(kOutputStallMs));
        return -WAVERR_OUTPUT_STALLED;
    }
    return static_cast<int>(n);
}

void AlsaPlayback::stop() { snd_pcm_drop(pcm_.get()); }

int AlsaPlayback::close() { return pcm_.close(); }
