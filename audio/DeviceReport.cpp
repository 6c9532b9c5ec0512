// The capability report: what the sound system offers, written into a fresh
// device log at start-up (the feature list window shows it).

#include "platform/audio/AudioBackend.h"
#include "platform/DeviceLog.h"
#include "audio/Soundd3.h"
#include "audio/SoundLayer.h"

namespace korvanta {

namespace {
QString hex8(uint32_t v) { return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char(' ')); }

QString failureLine(const QString& dir, int code)
{
    switch (code) {
    case MMSYSERR_BADDEVICEID: return dir + QStringLiteral("Ungültige Geräte IDDriver");
    case MMSYSERR_NODRIVER: return dir + QStringLiteral("Kein Treiber");
    case MMSYSERR_NOMEM: return dir + QStringLiteral("Kein Speicher");
    default: return dir + QStringLiteral("unkown Error");
    }
}

uint32_t reportInputs(AudioBackend& b, int count)
{
    uint32_t last = 0;
    for (int i = 0; i < count; ++i) {
        WaveInCaps caps;
        const int rc = b.inputCaps(i, caps);
        if (rc != 0) {
            devlog::Append(failureLine(QStringLiteral("(in:) "), rc));
            continue;
        }
        devlog::Append(caps.name);
        devlog::Append(QStringLiteral("Wave-In Formats   ") + hex8(caps.formats));
        devlog::Append(QStringLiteral("Wave-In Channels  ") + hex8(caps.channels));
        devlog::Append(QStringLiteral("Wave-In wReserved ") + hex8(caps.reserved));
        if (i < kSlotCount)
            Layer().inFormats[i] = caps.formats;
        last = caps.formats;
    }
    return last;
}

void reportOutputs(AudioBackend& b, int count)
{
    for (int i = 0; i < count; ++i) {
        WaveOutCaps caps;
        const int rc = b.outputCaps(i, caps);
        if (rc != 0) {
            devlog::Append(failureLine(QStringLiteral("(out:) "), rc));
            continue;
        }
        devlog::Append(caps.name);
        devlog::Append(QStringLiteral("Wave-Out Formats   ") + hex8(caps.formats));
        devlog::Append(QStringLiteral("Wave-Out Support   ") + hex8(caps.support));
        devlog::Append(QStringLiteral("Wave-Out Channnels ") + hex8(caps.channels));
        if (i < kSlotCount)
            Layer().outFormats[i] = caps.formats;
    }
}
} // namespace

void DeviceReport(int& inCount, int& outCount, int& lastInFormats)
{
    AudioBackend& b = CurrentAudioBackend();
    b.rescan();
    devlog::Clear();
    inCount = b.inputCount();
    outCount = b.outputCount();
    devlog::Append(QStringLiteral("--- Programm Version system  1.4f ---"));
    devlog::Append(QStringLiteral("WaveInNumDevs  : %1").arg(inCount));
    devlog::Append(QStringLiteral("WaveOutNumDevs : %1").arg(outCount));
    devlog::Append(QStringLiteral("MidiNumDevs    : %1").arg(b.midiOutCount()));
    devlog::Append(QStringLiteral("AuxNumDevs     : %1").arg(b.auxCount()));
    devlog::Append(QStringLiteral(" "));
    devlog::Append(QStringLiteral("WaveIn´s ----------"));
    for (uint32_t& mask : Layer().inFormats)
        mask = 0;
    for (uint32_t& mask : Layer().outFormats)
        mask = 0;
    lastInFormats = static_cast<int>(reportInputs(b, inCount));
    // Without an input device the report ends here.
    if (inCount == 0)
        return;
    devlog::Append(QStringLiteral(" "));
    devlog::Append(QStringLiteral("WaveOut´s ---------"));
    reportOutputs(b, outCount);
    devlog::Append(QStringLiteral(" "));
    devlog::Append(QStringLiteral("WaveAux´s ---------"));
}

} // namespace korvanta
