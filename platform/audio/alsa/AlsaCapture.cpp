#include "platform/audio/alsa/AlsaCapture.h"

#include "platform/audio/alsa/AlsaPcm.h"
#include "platform/DeviceLog.h"

#include <algorithm>
#include <cerrno>

namespace korvanta {

AlsaCapture::AlsaCapture(snd_pcm_t* pcm, QString name)
    : pcm_(pcm, std::move(name)), mayKeep_(snd_pcm_type(pcm) != SND_PCM_TYPE_FILE)
{
}

int AlsaCapture::start()
{
    snd_pcm_t* pcm = pcm_.get();
    if (running_.exchange(false, std::memory_order_acq_rel)) {
        // A stream that ran on from its last block is renewed, not emptied:
        // reading away what has arrived leaves what a sound server had sent
        // before this call but this program had not yet received (a few
        // milliseconds on an idle machine, a whole block under load), and it
        // would open the block. A new stream, on the connection kept open,
        // carries only what the server takes in after this call.
        snd_pcm_drop(pcm);
        if (const int rc = pcm_.check(snd_pcm_prepare(pcm), QStringLiteral("prepare")); rc != 0)
            return rc;
    }
    const int rc = pcm_.check(snd_pcm_start(pcm), QStringLiteral("start"));
    running_.store(rc == 0, std::memory_order_release);
    return rc;
}

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

void AlsaCapture::stop()
{
    running_.store(false, std::memory_order_release);
    snd_pcm_drop(pcm_.get());
}

void AlsaCapture::finishBlock()
{
    if (!mayKeep_)
        stop();
}

bool AlsaCapture::keepable() const { return mayKeep_ && running_.load(std::memory_order_acquire); }

int AlsaCapture::close() { return pcm_.close(); }

} // namespace korvanta
