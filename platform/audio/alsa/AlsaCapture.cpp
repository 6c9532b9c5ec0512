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
    if (err == -EPIPE && overranTooSoon()) {
        devlog::Append(QStringLiteral("ALSA: %1 overran again before its buffer could fill: taken as gone")
                           .arg(pcm_.name()));
        return false;
    }
    if (err == -EPIPE)
        devlog::Append(QStringLiteral("ALSA: overrun on %1").arg(pcm_.name()));
    if (err != -EPIPE && err != -ESTRPIPE)
        return false;
    if (snd_pcm_recover(pcm_.get(), err, 1) < 0)
        return false;
    restartedAt_ = std::chrono::steady_clock::now();
    readSinceRestart_ = false;
    return snd_pcm_start(pcm_.get()) >= 0 || snd_pcm_state(pcm_.get()) == SND_PCM_STATE_RUNNING;
}

std::chrono::microseconds AlsaCapture::bufferTime() const
{
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    snd_pcm_uframes_t frames = 0;
    unsigned rate = 0;
    if (snd_pcm_hw_params_current(pcm_.get(), hw) < 0 || snd_pcm_hw_params_get_buffer_size(hw, &frames) < 0
        || snd_pcm_hw_params_get_rate(hw, &rate, nullptr) < 0 || rate == 0)
        return {};
    return std::chrono::microseconds(1000000LL * static_cast<long long>(frames) / rate);
}

bool AlsaCapture::overranTooSoon() const
{
    // Half the buffer: a margin for a clock that ran ahead of the restart.
    return !readSinceRestart_ && std::chrono::steady_clock::now() - restartedAt_ < bufferTime() / 2;
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
    readSinceRestart_ = readSinceRestart_ || n > 0;
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
