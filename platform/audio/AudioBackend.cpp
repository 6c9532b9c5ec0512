#include "platform/audio/AudioBackend.h"

#include "platform/audio/alsa/AlsaBackend.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QByteArray>
#include <QHash>

namespace korvanta {

namespace {
AudioBackend*& overrideBackend()
{
    static AudioBackend* b = nullptr;
    return b;
}

AudioBackend* chooseBackend()
{
    const QByteArray forced = qgetenv("KORVANTA_AUDIO").trimmed().toLower();
    if (forced == "virtual")
        return &VirtualCard::instance();
    if (forced == "alsa")
        return &AlsaBackend::instance();
    if (AlsaHasDevices())
        return &AlsaBackend::instance();
    return &VirtualCard::instance();
}

const QHash<int, QString>& commonTexts()
{
    static const QHash<int, QString> t = {
        {MMSYSERR_NOERROR, QStringLiteral("The command completed successfully.")},
        {MMSYSERR_ERROR, QStringLiteral("Unspecified error in the sound device.")},
        {MMSYSERR_BADDEVICEID, QStringLiteral("The sound device does not exist.")},
        {MMSYSERR_NOTENABLED, QStringLiteral("The sound system could not be initialised.")},
        {MMSYSERR_ALLOCATED, QStringLiteral("The sound device is in use by another program.")},
        {MMSYSERR_INVALHANDLE, QStringLiteral("The sound device is not open.")},
        {MMSYSERR_NODRIVER, QStringLiteral("No sound driver is installed.")},
        {MMSYSERR_NOMEM, QStringLiteral("Not enough memory for the sound device.")},
        {MMSYSERR_NOTSUPPORTED, QStringLiteral("The sound device does not support this function.")},
        // The capture engine reports a failed close of the input as 9.
        {MMSYSERR_BADERRNUM, QStringLiteral("The input device could not be closed.")},
        {MMSYSERR_INVALFLAG, QStringLiteral("Invalid flag passed to the sound device.")},
        {MMSYSERR_INVALPARAM, QStringLiteral("Invalid parameter passed to the sound device.")},
        {WAVERR_BADFORMAT, QStringLiteral("The sound device does not support this sample rate or sample width.")},
        {WAVERR_STILLPLAYING, QStringLiteral("The sound device is still playing.")},
        {WAVERR_UNPREPARED, QStringLiteral("The buffer was not prepared.")},
        {WAVERR_SYNC, QStringLiteral("The sound device is synchronous.")},
        {WAVERR_DEVICE_STALLED, QStringLiteral("The input device stopped delivering data.")},
        {WAVERR_DEVICE_GONE, QStringLiteral("The input device was disconnected.")},
        {WAVERR_DEVICE_SHORT_BLOCK, QStringLiteral("The input device delivered an incomplete block.")},
        {WAVERR_OUTPUT_STALLED, QStringLiteral("The output device stopped taking data.")},
        {WAVERR_OUTPUT_GONE, QStringLiteral("The output device was disconnected.")},
        {WAVERR_OUTPUT_WRITE, QStringLiteral("The output device refused the data written to it.")},
        {WAVERR_FILE_READ, QStringLiteral("The wave file could not be read any further.")},
        {WAVERR_DEVICE_OVERRUN, QStringLiteral("The input device overran three times in a row: the computer "
                                               "could not keep up with recording.")},
        {WAVERR_DEVICE_NO_ANSWER, QStringLiteral("The sound device did not answer within two seconds (is the "
                                                 "sound server stopped?).")},
    };
    return t;
}
} // namespace

WaveFormat MakeWaveFormat(int rate, int bits, int channels)
{
    WaveFormat f;
    f.channels = static_cast<uint16_t>(channels);
    f.samplesPerSec = static_cast<uint32_t>(rate);
    f.bitsPerSample = static_cast<uint16_t>(bits);
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
    return f;
}

StallWatch& StallWatch::operator=(const StallWatch& other)
{
    limitMs_ = other.limitMs_;
    since_ = other.since_;
    waiting_.store(other.waiting(), std::memory_order_release);
    return *this;
}

bool StallWatch::stalled(int framesTaken)
{
    if (framesTaken > 0) {
        waiting_.store(false, std::memory_order_release);
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!waiting()) {
        since_ = now;
        waiting_.store(true, std::memory_order_release);
    }
    return now - since_ >= std::chrono::milliseconds(limitMs_);
}

AudioBackend& CurrentAudioBackend()
{
    if (!overrideBackend())
        overrideBackend() = chooseBackend();
    return *overrideBackend();
}

void SetAudioBackendForTests(AudioBackend* backend) { overrideBackend() = backend; }

QString WaveErrorText(int code)
{
    QString own = CurrentAudioBackend().errorText(code);
    if (!own.isEmpty())
        return own;
    const auto it = commonTexts().constFind(code);
    if (it != commonTexts().constEnd())
        return *it;
    return QStringLiteral("Unknown sound device error %1.").arg(code);
}

} // namespace korvanta
