#include "AlsaCapture.h"

#include "AlsaPcm.h"
#include "DeviceLog.h"

#include <algorithm>
#include <cerrno>

int AlsaCapture::start() { return pcm_.check(snd_pcm_start(pcm_.get()), QStringLiteral("start")); }

// Device thread: an overrun or a suspend is survivable (the stream is
// started again, and the caller told that frames were lost), anything else
// means the device is gone.
bool AlsaCapture::recover(int err)
{
    if (err == -EPIPE)
        devlog::Append(QStringLiteral("ALSA: overrun on %1").arg(pcm_.name()));
    if (err != -EPIPE && err != -ESTRPIPE)
        return false;
    if (snd_pcm_recover(pcm_.get(), err, 1) < 0)
        return false;
    return snd_pcm_start(pcm_.get()) >= 0 || snd_pcm_state(pcm_.get()) == SND_PCM_STATE_RUNNING;
}

ReadResult AlsaCapture::read(uint8_t* dst, int frames, int timeoutMs)
{
    snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_.get());
    if (avail == 0) {
        const int w = WaitForPcm(pcm_.get(), timeoutMs);
        if (w == 0)
            return {0, 0};
        avail = w < 0 ? w : snd_pcm_avail_update(pcm_.get());
    }
    if (avail < 0) {
        if (recover(static_cast<int>(avail)))
            return {0, kOverrun};
        LogAlsaError(QStringLiteral("capture from"), pcm_.name(), static_cast<int>(avail));
        return {0, WAVERR_DEVICE_GONE};
    }
    // Never ask for more than is there: besides being pointless, a request
    // beyond the buffer size makes ALSA's `file` plugin skip its input file
    // and hand back the silence of its slave (a block of zeros at low rates,
    // where the half-second buffer is smaller than an analyzer block).
    const auto want = static_cast<snd_pcm_uframes_t>(std::min<snd_pcm_sframes_t>(frames, avail));
    const snd_pcm_sframes_t n = snd_pcm_readi(pcm_.get(), dst, want);
    if (n == -EAGAIN)
        return {0, 0};
    if (n < 0) {
        if (recover(static_cast<int>(n)))
            return {0, kOverrun};
        LogAlsaError(QStringLiteral("capture from"), pcm_.name(), static_cast<int>(n));
        return {0, WAVERR_DEVICE_GONE};
    }
    return {static_cast<int>(n), 0};
}

void AlsaCapture::stop() { snd_pcm_drop(pcm_.get()); }

int AlsaCapture::close() { return pcm_.close(); }
