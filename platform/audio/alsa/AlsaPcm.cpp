#include "AlsaPcm.h"

#include "DeviceLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <poll.h>
#include <thread>

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

// Buffer about half a second, periods of about 50 ms: short enough to stop
// quickly, long enough that a busy GUI never starves playback.
int setupHardware(snd_pcm_t* pcm, const WaveFormat& f)
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
    unsigned bufferUs = 500000, periodUs = 50000;
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

int OpenAlsaPcm(const QString& pcm, bool capture, const WaveFormat& format, snd_pcm_t** out)
{
    *out = nullptr;
    if (format.formatTag != 1 || alsaFormat(format.bitsPerSample) == SND_PCM_FORMAT_UNKNOWN)
        return WAVERR_BADFORMAT;
    snd_pcm_t* handle = nullptr;
    int rc = snd_pcm_open(&handle, pcm.toUtf8().constData(),
                          capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (rc < 0) {
        LogAlsaError(QStringLiteral("open"), pcm, rc);
        return rc == -EINVAL ? MMSYSERR_BADDEVICEID : WaveCodeForAlsaError(rc);
    }
    rc = setupHardware(handle, format);
    if (rc == 0)
        rc = snd_pcm_prepare(handle);
    if (rc < 0) {
        LogAlsaError(QStringLiteral("set up %1 Hz %2 bit on").arg(format.samplesPerSec).arg(format.bitsPerSample),
                     pcm, rc);
        snd_pcm_close(handle);
        return WaveCodeForAlsaError(rc);
    }
    *out = handle;
    return 0;
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
