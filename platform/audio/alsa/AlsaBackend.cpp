#include "platform/audio/alsa/AlsaBackend.h"

#include "platform/audio/alsa/AlsaCapture.h"
#include "platform/audio/alsa/AlsaPcm.h"
#include "platform/audio/alsa/AlsaPlayback.h"
#include "platform/DeviceLog.h"
#include "platform/audio/DeviceThread.h"

#include <cerrno>
#include <memory>
#include <utility>

namespace korvanta {

AlsaBackend& AlsaBackend::instance()
{
    static AlsaBackend backend;
    return backend;
}

AlsaBackend::AlsaBackend() { QuietAlsaErrors(); }

// The device list is read on the GUI thread, and a stopped sound server
// keeps its plugin's open waiting half a minute. Each probe is bounded like
// every open; once one got no answer the rest are not asked: the PCMs are
// taken as present (busy), so the list stays as it was and the next start
// reports the device that does not answer.
void AlsaBackend::rescan()
{
    silent_ = false;
    // Moments ago the backend choice waited its two seconds for this server;
    // waiting again would double the start on a stopped server.
    if (!silentAtChoice_.isEmpty())
        noAnswer(std::exchange(silentAtChoice_, QString()));
    const PcmProbe bounded = [this](const QString& pcm, bool capture) {
        int rc = 0;
        if (silent_ || !RunBounded([pcm, capture] { return ProbePcm(pcm, capture); }, rc, DeviceThread::kOpenAnswerMs))
            return noAnswer(pcm);
        return rc;
    };
    const QVector<PcmHint> hints = ReadPcmHints();
    inputs_ = SelectAlsaDevices(hints, true, bounded);
    outputs_ = SelectAlsaDevices(hints, false, bounded);
    queryCache_.clear();
    scanned_ = true;
}

int AlsaBackend::noAnswer(const QString& pcm)
{
    if (!silent_)
        devlog::Append(QStringLiteral("ALSA: %1 did not answer within %2 ms: the device list is read without asking")
                           .arg(pcm).arg(DeviceThread::kAbandonMs));
    silent_ = true;
    return -EAGAIN;
}

// The format mask, asked on a thread of its own for the same reason. A
// device that does not answer is given every classic format: the open of the
// next start finds out what it takes.
int AlsaBackend::boundedFormatMask(const QString& pcm, bool capture, uint32_t& mask, uint16_t& channels)
{
    struct Answer {
        uint32_t mask = 0;
        uint16_t channels = 0;
    };
    auto answer = std::make_shared<Answer>();
    int rc = 0;
    if (silent_ || !RunBounded([answer, pcm, capture] { return AlsaFormatMask(pcm, capture, answer->mask, answer->channels); },
                               rc)) {
        noAnswer(pcm);
        mask = kAllClassicFormats;
        channels = 2;
        return 0;
    }
    mask = answer->mask;
    channels = answer->channels;
    return rc;
}

void AlsaBackend::ensureScanned()
{
    if (!scanned_)
        rescan();
}

const AlsaDevice* AlsaBackend::device(bool capture, int index)
{
    ensureScanned();
    const QVector<AlsaDevice>& list = capture ? inputs_ : outputs_;
    return index >= 0 && index < list.size() ? &list[index] : nullptr;
}

QString AlsaBackend::pcmName(bool capture, int index)
{
    const AlsaDevice* d = device(capture, index);
    return d ? d->pcm : QString();
}

int AlsaBackend::inputCount()
{
    ensureScanned();
    return static_cast<int>(inputs_.size());
}

int AlsaBackend::outputCount()
{
    ensureScanned();
    return static_cast<int>(outputs_.size());
}

QString AlsaBackend::deviceName(bool input, int index)
{
    const AlsaDevice* d = device(input, index);
    return d ? d->label : QString();
}

int AlsaBackend::inputCaps(int index, WaveInCaps& caps)
{
    const AlsaDevice* d = device(true, index);
    if (!d)
        return MMSYSERR_BADDEVICEID;
    caps = WaveInCaps{d->label, 0, 0, 0};
    return boundedFormatMask(OpenablePcmName(d->pcm), true, caps.formats, caps.channels);
}

int AlsaBackend::outputCaps(int index, WaveOutCaps& caps)
{
    const AlsaDevice* d = device(false, index);
    if (!d)
        return MMSYSERR_BADDEVICEID;
    caps = WaveOutCaps{d->label, 0, 0, WAVECAPS_SAMPLEACCURATE};
    return boundedFormatMask(OpenablePcmName(d->pcm), false, caps.formats, caps.channels);
}

int AlsaBackend::midiOutCount()
{
    int count = 0;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        snd_ctl_t* ctl = nullptr;
        if (snd_ctl_open(&ctl, QStringLiteral("hw:%1").arg(card).toUtf8().constData(), 0) < 0)
            continue;
        int dev = -1;
        while (snd_ctl_rawmidi_next_device(ctl, &dev) == 0 && dev >= 0)
            ++count;
        snd_ctl_close(ctl);
    }
    return count;
}

int AlsaBackend::query(bool capture, int index, const WaveFormat& format)
{
    const AlsaDevice* d = device(capture, index);
    if (!d)
        return MMSYSERR_BADDEVICEID;
    const QString key = QStringLiteral("%1|%2|%3|%4|%5")
                            .arg(capture).arg(d->pcm).arg(format.samplesPerSec).arg(format.bitsPerSample)
                            .arg(format.channels);
    snd_pcm_t* pcm = nullptr;
    int rc = OpenAlsaPcm(OpenablePcmName(d->pcm), capture, format, &pcm);
    if (rc == MMSYSERR_ALLOCATED && queryCache_.contains(key))
        return queryCache_.value(key);
    if (pcm)
        snd_pcm_close(pcm);
    // A busy device answers nothing about formats, and one that did not
    // answer in time (a stopped server) may answer after it is woken.
    if (rc != MMSYSERR_ALLOCATED && rc != WAVERR_DEVICE_NO_ANSWER)
        queryCache_.insert(key, rc);
    return rc;
}

int AlsaBackend::queryInput(int device, const WaveFormat& format) { return query(true, device, format); }
int AlsaBackend::queryOutput(int device, const WaveFormat& format) { return query(false, device, format); }

int AlsaBackend::openInput(int index, const WaveFormat& format, std::unique_ptr<CaptureSource>& out)
{
    const AlsaDevice* d = device(true, index);
    if (!d)
        return MMSYSERR_BADDEVICEID;
    snd_pcm_t* pcm = nullptr;
    const QString name = OpenablePcmName(d->pcm);
    const int rc = OpenAlsaPcm(name, true, format, &pcm);
    if (rc == 0)
        out = std::make_unique<AlsaCapture>(pcm, name);
    return rc;
}

int AlsaBackend::openOutput(int index, const WaveFormat& format, std::unique_ptr<PlaybackSink>& out)
{
    const AlsaDevice* d = device(false, index);
    if (!d)
        return MMSYSERR_BADDEVICEID;
    snd_pcm_t* pcm = nullptr;
    const QString name = OpenablePcmName(d->pcm);
    const int rc = OpenAlsaPcm(name, false, format, &pcm);
    if (rc == 0)
        out = std::make_unique<AlsaPlayback>(pcm, name);
    return rc;
}

// Asked once at start-up to choose the backend: bounded like the device
// list, so a stopped sound server does not hold the start half a minute per
// probe. A PCM that does not answer is there (the server is, only hung),
// and the rest are not asked.
bool AlsaHasDevices()
{
    QuietAlsaErrors();
    bool silent = false;
    const PcmProbe bounded = [&silent](const QString& pcm, bool capture) {
        int rc = 0;
        if (silent || !RunBounded([pcm, capture] { return ProbePcm(pcm, capture); }, rc, DeviceThread::kOpenAnswerMs)) {
            if (!silent)
                AlsaBackend::instance().noteSilentAtChoice(pcm);
            silent = true;
            return -EAGAIN;
        }
        return rc;
    };
    const QVector<PcmHint> hints = ReadPcmHints();
    return !SelectAlsaDevices(hints, true, bounded).isEmpty() || !SelectAlsaDevices(hints, false, bounded).isEmpty();
}

} // namespace korvanta
