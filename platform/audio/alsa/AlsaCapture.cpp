#include "AlsaCapture.h"

#include "AlsaPcm.h"
#include "DeviceLog.h"

#include <algorithm>
#include <cerrno>

namespace {
constexpr int kScratchFrames = 4096;
// Enough reads of the scratch buffer to empty any buffer this program sets
// up (half a second at 96 kHz is 48000 frames); a device that keeps on
// delivering beyond that delivers faster than it captures.
constexpr int kMostDropReads = 64;
}

AlsaCapture::AlsaCapture(snd_pcm_t* pcm, QString name)
    : pcm_(pcm, std::move(name)), mayKeep_(snd_pcm_type(pcm) != SND_PCM_TYPE_FILE)
{
}

int AlsaCapture::start()
{
    if (running_.load(std::memory_order_acquire))
        return dropCaptured();
    const int rc = pcm_.check(snd_pcm_start(pcm_.get()), QStringLiteral("start"));
    running_.store(rc == 0, std::memory_order_release);
    return rc;
}

// GUI thread, on a stream that ran on from its last block: what it captured
// since is older than the request for this block and is read away. An
// overrun in between (the pause outlasted the buffer) starts it afresh.
int AlsaCapture::dropCaptured()
{
    snd_pcm_t* pcm = pcm_.get();
    if (scratch_.empty())
        scratch_.resize(static_cast<size_t>(snd_pcm_frames_to_bytes(pcm, kScratchFrames)));
    for (int i = 0; i < kMostDropReads; ++i) {
        snd_pcm_sframes_t n = snd_pcm_avail(pcm);
        if (n == 0)
            return 0;
        if (n > 0)
            n = snd_pcm_readi(pcm, scratch_.data(), static_cast<snd_pcm_uframes_t>(std::min<snd_pcm_sframes_t>(n, kScratchFrames)));
        if (n >= 0 || n == -EAGAIN)
            continue;
        running_.store(false, std::memory_order_release);
        if ((n == -EPIPE || n == -ESTRPIPE) && snd_pcm_prepare(pcm) == 0)
            return start();
        return pcm_.check(static_cast<int>(n), QStringLiteral("restart"));
    }
    return 0;
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
