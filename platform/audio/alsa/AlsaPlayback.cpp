#include "platform/audio/alsa/AlsaPlayback.h"

#include "platform/audio/alsa/AlsaPcm.h"
#include "platform/DeviceLog.h"

#include <algorithm>
#include <cerrno>

namespace korvanta {

bool AlsaPcmHasClock(snd_pcm_t* pcm)
{
    if (snd_pcm_type(pcm) == SND_PCM_TYPE_NULL)
        return false;
    // A plugin (file, plug, rate ...) names its slave in its description.
    snd_output_t* out = nullptr;
    if (snd_output_buffer_open(&out) < 0)
        return true;
    snd_pcm_dump(pcm, out);
    char* text = nullptr;
    const size_t size = snd_output_buffer_string(out, &text);
    const bool overNull = QByteArray(text, static_cast<qsizetype>(size)).contains("Null PCM");
    snd_output_close(out);
    return !overNull;
}

AlsaPlayback::AlsaPlayback(snd_pcm_t* pcm, QString name) : pcm_(pcm, std::move(name))
{
    snd_pcm_uframes_t buffer = 0, period = 0;
    if (snd_pcm_get_params(pcm, &buffer, &period) == 0) {
        capacity_ = static_cast<long long>(buffer);
        period_ = static_cast<long long>(period);
    }
    clock_ = capacity_ > 0 && AlsaPcmHasClock(pcm);
}

int AlsaPlayback::start()
{
    stall_ = StallWatch();
    written_ = played_ = 0;
    restart();
    return pcm_.check(snd_pcm_prepare(pcm_.get()), QStringLiteral("prepare"));
}

// Device thread: the stream begins anew (at the start, after running dry),
// and a sound server waits for a full buffer again before it plays on.
void AlsaPlayback::restart()
{
    holding_ = false;
    playedAtStart_ = written_;
    silent_ = StallWatch();
    starting_ = StallWatch(kOutputStartMs);
    unplayed_.store(false, std::memory_order_release);
}

// Device thread: the unrecoverable error, logged with ALSA's own text.
int AlsaPlayback::fail(int alsaError)
{
    LogAlsaError(QStringLiteral("play to"), pcm_.name(), alsaError);
    // A broken pipe that could not be recovered is a device (or a sound
    // server) that has gone away.
    const bool gone = alsaError == -ENODEV || alsaError == -ENXIO || alsaError == -ESHUTDOWN
        || alsaError == -EBADFD || alsaError == -ENOENT || alsaError == -ENOTCONN || alsaError == -ECONNREFUSED
        || alsaError == -EPIPE || alsaError == -ESTRPIPE;
    return -(gone ? WAVERR_OUTPUT_GONE : WAVERR_OUTPUT_WRITE);
}

void AlsaPlayback::countUnderrun()
{
    const int n = underruns_.fetch_add(1, std::memory_order_acq_rel) + 1;
    devlog::Append(QStringLiteral("ALSA: underrun %1 on %2, playback continues").arg(n).arg(pcm_.name()));
}

// Device thread: an underrun or a suspend is survivable. A sound server that
// has gone away also reports a broken pipe, but then the recovery fails.
bool AlsaPlayback::recover(int alsaError)
{
    if (alsaError != -EPIPE && alsaError != -ESTRPIPE)
        return false;
    if (snd_pcm_recover(pcm_.get(), alsaError, 1) < 0)
        return false;
    if (alsaError == -EPIPE)
        countUnderrun();
    restart();
    return true;
}

int AlsaPlayback::write(const uint8_t* src, int frames, int timeoutMs)
{
    snd_pcm_sframes_t n = snd_pcm_writei(pcm_.get(), src, static_cast<snd_pcm_uframes_t>(frames));
    if (n == -EAGAIN) {
        const int w = WaitForPcm(pcm_.get(), timeoutMs);
        if (w < 0 && w != -EPIPE && w != -ESTRPIPE)
            return fail(w);
        n = 0;
    } else if (n < 0) {
        if (!recover(static_cast<int>(n)))
            return fail(static_cast<int>(n));
        n = 0;
    }
    if (stall_.stalled(static_cast<int>(n))) {
        devlog::Append(QStringLiteral("ALSA: %1 took no frame for %2 ms").arg(pcm_.name()).arg(kOutputStallMs));
        return -WAVERR_OUTPUT_STALLED;
    }
    written_ += n;
    return static_cast<int>(n);
}

// Device thread: the fill from the room the device reports. A device that
// holds frames and plays none of them for kOutputStallMs has stalled (a
// sound server stopped with SIGSTOP looks just so). Before it has played
// its first frame (again, after running dry) it gets kOutputStartMs: a
// sound server's sink may sleep up to two seconds before it notices a new
// stream.
int AlsaPlayback::fill(long long& frames)
{
    frames = -1;
    if (!clock_)
        return 0;
    snd_pcm_sframes_t avail = snd_pcm_avail(pcm_.get());
    if (avail < 0) {
        if (!recover(static_cast<int>(avail)))
            return fail(static_cast<int>(avail));
        avail = static_cast<snd_pcm_sframes_t>(capacity_);
    }
    // A server may report more room than the buffer has once it has run
    // dry without calling it an underrun.
    frames = capacity_ - std::min<long long>(avail, capacity_);
    if (holding_ && frames == 0) {
        countUnderrun();
        restart();
    }
    holding_ = frames > 0;
    const long long played = written_ - frames;
    const int progress = frames > 0 && played == played_ ? 0 : 1;
    played_ = played;
    const bool started = played > playedAtStart_;
    StallWatch& watch = started ? silent_ : starting_;
    const bool stalled = watch.stalled(progress);
    unplayed_.store(watch.waiting(), std::memory_order_release);
    if (stalled) {
        const int ms = started ? kOutputStallMs : kOutputStartMs;
        devlog::Append(QStringLiteral("ALSA: %1 played no frame for %2 ms").arg(pcm_.name()).arg(ms));
        return -WAVERR_OUTPUT_STALLED;
    }
    return 0;
}

void AlsaPlayback::stop() { snd_pcm_drop(pcm_.get()); }

int AlsaPlayback::close() { return pcm_.close(); }

} // namespace korvanta
