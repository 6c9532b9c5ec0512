#pragma once
// The ALSA backend: the machine's sound devices through alsa-lib (and through
// the PipeWire/PulseAudio ALSA plugins where those run).

#include "platform/audio/alsa/AlsaDeviceList.h"
#include "platform/audio/AudioBackend.h"

#include <QHash>

namespace korvanta {

class AlsaBackend : public AudioBackend {
public:
    static AlsaBackend& instance();

    QString name() const override { return QStringLiteral("ALSA"); }
    void rescan() override;
    int inputCount() override;
    int outputCount() override;
    QString deviceName(bool input, int device) override;
    QString deviceId(bool input, int device) override { return pcmName(input, device); }
    int inputCaps(int device, WaveInCaps& caps) override;
    int outputCaps(int device, WaveOutCaps& caps) override;
    int midiOutCount() override;
    int queryInput(int device, const WaveFormat& format) override;
    int queryOutput(int device, const WaveFormat& format) override;
    int openInput(int device, const WaveFormat& format, std::unique_ptr<CaptureSource>& out) override;
    int openOutput(int device, const WaveFormat& format, std::unique_ptr<PlaybackSink>& out) override;

    // The PCM behind a device index (empty when there is none).
    QString pcmName(bool capture, int device);

    // The start-up probe that chose this backend found `pcm` not answering:
    // the first scan after it does not wait for it again.
    void noteSilentAtChoice(const QString& pcm) { silentAtChoice_ = pcm; }

private:
    AlsaBackend();
    void ensureScanned();
    const AlsaDevice* device(bool capture, int index);
    int query(bool capture, int index, const WaveFormat& format);
    int noAnswer(const QString& pcm);
    int boundedFormatMask(const QString& pcm, bool capture, uint32_t& mask, uint16_t& channels);

    // The 20 classic formats (11025 ... 96000 Hz, 8/16 bit, mono/stereo).
    static constexpr uint32_t kAllClassicFormats = 0xFFFFF;

    bool scanned_ = false;
    bool silent_ = false;   // a device of the last scan did not answer
    QString silentAtChoice_; // the PCM the backend choice waited for in vain
    QVector<AlsaDevice> inputs_;
    QVector<AlsaDevice> outputs_;
    // Answers of earlier format queries: a device we are streaming on is busy
    // for a second open, and must not be disturbed to find out again.
    QHash<QString, int> queryCache_;
};

} // namespace korvanta
