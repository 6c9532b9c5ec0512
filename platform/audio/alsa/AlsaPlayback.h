#pragma once
// Output stream on an ALSA PCM. Underruns are recovered and logged.

#include "AudioBackend.h"

#include <alsa/asoundlib.h>

class AlsaPlayback : public PlaybackSink {
public:
    AlsaPlayback(snd_pcm_t* pcm, QString name) : pcm_(pcm), name_(std::move(name)) {}
    ~AlsaPlayback() override;
    int start() override;
    int write(const uint8_t* src, int frames, int timeoutMs) override;
    void stop() override;
    int close() override;

private:
    snd_pcm_t* pcm_;
    QString name_;
};
