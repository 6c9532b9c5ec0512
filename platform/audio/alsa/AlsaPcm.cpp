#include "platform/audio/alsa/AlsaPcm.h"

#include "platform/DeviceLog.h"
#include "platform/audio/DeviceThread.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <poll.h>
#include <thread>

namespace korvanta {

namespace {
snd_pcm_format_t alsaFormat(int bits)
{
    switch (bits) {
    case 8: return SND_PCM_FORMAT_U8;
    case 16: return SND_PCM_FORMAT_S16_LE;
    case 32: return SND_PCM_FORMAT_S32_LE;
    default: return SND_PCM_FORMAT_UNKNOWN;
    }
}

void silentHandler(const char*, int, const char*, int, const char*, ...) {}

// Buffer about half a second. Playback periods of about 50 ms: short enough
// to stop quickly, long enough that a busy GUI never starves playback.
// Capture periods of about 5 ms: a device hands frames over a period at a
// time (a sound server sends its stream in fragments of a period), and a
// block that must begin after it was asked for waits for whole periods, so
// long periods cost up to one of them per block (with 50 ms, two per
// analyzer block of 52 ms). Not shorter: PulseAudio often holds back the
// first data of a new stream with fragments of 3 ms or less for 0.2 to 2 s.
constexpr unsigned kBufferUs = 500000;
constexpr unsigned kPlaybackPeriodUs = 50000;
constexpr unsigned kCapturePeriodUs = 5000;

int setupHardware(snd_pcm_t* pcm, const WaveFormat& f, bool capture)
{
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    int rc = snd_pcm_hw_params_any(pcm, hw);
    if (rc < 0)
        return rc;
    if ((rc = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0
        || (rc = snd_pcm_hw_params_set_format(pcm, hw, alsaFormat(f.bitsPerSample))) < 0
        || (rc = snd_pcm_hw_params_set_channels(pcm, hw, f.channels)) < 0
        || (rc = snd_pcm_hw_params_set_rate_resample(pcm, hw, 0)) < 0
        || (rc = snd_pcm_hw_params_set_rate(pcm, hw, f.samplesPerSec, 0)) < 0)
        return -EINVAL;
    unsigned bufferUs = kBufferUs, periodUs = capture ? kCapturePeriodUs : kPlaybackPeriodUs;
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferUs, nullptr);
    snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodUs, nullptr);
    if ((rc = snd_pcm_hw_params(pcm, hw)) < 0)
        return rc;
    unsigned rate = 0, channels = 0;
    snd_pcm_format_t format = SND_PCM_FORMAT_UNKNOWN;
    snd_pcm_hw_params_get_rate(hw, &rate, nullptr);
    snd_pcm_hw_params_get_channels(hw, &channels);
    snd_pcm_hw_params_get_format(hw, &format);
    if (rate != f.samplesPerSec || channels != f.channels || format != alsaFormat(f.bitsPerSample))
        return -EINVAL;
    return 0;
}
} // namespace

int WaveCodeForAlsaError(int alsaError)
{
    switch (-alsaError) {
    case 0: return MMSYSERR_NOERROR;
    case ENOENT:
    case ENODEV:
    case ENXIO: return MMSYSERR_BADDEVICEID;
    case EBUSY:
    case EAGAIN: return MMSYSERR_ALLOCATED;
    case ENOMEM: return MMSYSERR_NOMEM;
    case EINVAL: return WAVERR_BADFORMAT;
    default: return MMSYSERR_ERROR;
    }
}

void LogAlsaError(const QString& what, const QString& pcm, int alsaError)
{
    devlog::Append(QStringLiteral("ALSA: %1 %2: %3").arg(what, pcm, QString::fromUtf8(snd_strerror(alsaError))));
}

namespace {
// What an open on its own thread found; shared so that an open that is
// given up can still be cleaned up by its thread.
struct OpenOutcome {
    std::mutex mutex;
    bool done = false;
    bool abandoned = false;
    snd_pcm_t* pcm = nullptr;
    int code = 0;
    QString failure; // device-log line, empty on success
};

// Opens and sets up the PCM; says what failed instead of logging it, so a
// late answer of an open that was given up leaves no misleading line.
int openAndSetUp(const QString& pcm, bool capture, const WaveFormat& format, snd_pcm_t** out, QString& failure)
{
    snd_pcm_t* handle = nullptr;
    int rc = snd_pcm_open(&handle, pcm.toUtf8().constData(),
                          capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (rc < 0) {
        failure = QStringLiteral("ALSA: open %1: %2").arg(pcm, QString::fromUtf8(snd_strerror(rc)));
        return rc == -EINVAL ? MMSYSERR_BADDEVICEID : WaveCodeForAlsaError(rc);
    }
    rc = setupHardware(handle, format, capture);
    if (rc == 0)
        rc = snd_pcm_prepare(handle);
    if (rc < 0) {
        failure = QStringLiteral("ALSA: set up %1 Hz %2 bit on %3: %4")
                      .arg(format.samplesPerSec).arg(format.bitsPerSample).arg(pcm, QString::fromUtf8(snd_strerror(rc)));
        snd_pcm_close(handle);
        return WaveCodeForAlsaError(rc);
    }
    *out = handle;
    return 0;
}
} // namespace

int OpenAlsaPcm(const QString& pcm, bool capture, const WaveFormat& format, snd_pcm_t** out)
{
    *out = nullptr;
    if (format.formatTag != 1 || alsaFormat(format.bitsPerSample) == SND_PCM_FORMAT_UNKNOWN)
        return WAVERR_BADFORMAT;
    // A stopped sound server keeps its plugin's open waiting half a minute:
    // the open runs on a thread of its own, and the caller (the GUI thread)
    // waits no longer than it does for a stop or close.
    auto outcome = std::make_shared<OpenOutcome>();
    DeviceThread opener;
    opener.start([outcome, pcm, capture, format] {
        snd_pcm_t* handle = nullptr;
        QString failure;
        const int code = openAndSetUp(pcm, capture, format, &handle, failure);
        std::lock_guard lock(outcome->mutex);
        if (outcome->abandoned) {
            if (handle)
                snd_pcm_close(handle);
            return;
        }
        outcome->done = true;
        outcome->pcm = handle;
        outcome->code = code;
        outcome->failure = failure;
    });
    opener.finish(DeviceThread::kAbandonMs);
    std::lock_guard lock(outcome->mutex);
    if (!outcome->done) {
        outcome->abandoned = true;
        devlog::Append(QStringLiteral("ALSA: open %1 got no answer within %2 ms: left to finish by itself")
                           .arg(pcm).arg(DeviceThread::kAbandonMs));
        return WAVERR_DEVICE_NO_ANSWER;
    }
    if (!outcome->failure.isEmpty())
        devlog::Append(outcome->failure);
    *out = outcome->pcm;
    return outcome->code;
}

int AlsaFormatMask(const QString& pcm, bool capture, uint32_t& mask, uint16_t& maxChannels)
{
    mask = 0;
    maxChannels = 0;
    snd_pcm_t* handle = nullptr;
    int rc = snd_pcm_open(&handle, pcm.toUtf8().constData(),
                          capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (rc < 0)
        return WaveCodeForAlsaError(rc);
    snd_pcm_hw_params_t* any;
    snd_pcm_hw_params_t* trial;
    snd_pcm_hw_params_alloca(&any);
    snd_pcm_hw_params_alloca(&trial);
    rc = snd_pcm_hw_params_any(handle, any);
    if (rc >= 0) {
        unsigned maxCh = 0;
        snd_pcm_hw_params_get_channels_max(any, &maxCh);
        maxChannels = static_cast<uint16_t>(std::min(maxCh, 65535u));
        uint32_t bit = 1;
        for (int rate : kClassicRates) {
            for (int bits : {8, 16}) {
                for (unsigned channels : {1u, 2u}) {
                    snd_pcm_hw_params_copy(trial, any);
                    if (snd_pcm_hw_params_set_access(handle, trial, SND_PCM_ACCESS_RW_INTERLEAVED) == 0
                        && snd_pcm_hw_params_set_format(handle, trial, alsaFormat(bits)) == 0
                        && snd_pcm_hw_params_set_channels(handle, trial, channels) == 0
                        && snd_pcm_hw_params_set_rate_resample(handle, trial, 0) == 0
                        && snd_pcm_hw_params_test_rate(handle, trial, static_cast<unsigned>(rate), 0) == 0)
                        mask |= bit;
                    bit <<= 1;
                }
            }
        }
    }
    snd_pcm_close(handle);
    return rc < 0 ? WaveCodeForAlsaError(rc) : 0;
}

void QuietAlsaErrors() { snd_lib_error_set_handler(silentHandler); }

int WaitForPcm(snd_pcm_t* pcm, int timeoutMs)
{
    constexpr int kMostDescriptors = 8;
    pollfd fds[kMostDescriptors];
    const int count = snd_pcm_poll_descriptors(pcm, fds, kMostDescriptors);
    if (count <= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return 0;
    }
    const int rc = ::poll(fds, static_cast<nfds_t>(count), timeoutMs);
    if (rc < 0)
        return errno == EINTR ? 0 : -errno;
    if (rc == 0)
        return 0;
    unsigned short revents = 0;
    if (snd_pcm_poll_descriptors_revents(pcm, fds, static_cast<unsigned>(count), &revents) < 0)
        return 0;
    if (revents & (POLLIN | POLLOUT | POLLERR))
        return 1;
    // Ready descriptor, nothing to do: do not spin on it.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 5)));
    return 0;
}

} // namespace korvanta
