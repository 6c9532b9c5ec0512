#pragma once
// Output stream on an ALSA PCM. Underruns are recovered and logged.

#include "AlsaHandle.h"
#include "AudioBackend.h"

#include <alsa/asoundlib.h>

class AlsaPlayback : public PlaybackSink {
public:
    AlsaPlayback(snd_pcm_t* pcm, QString name) : pcm_(pcm, std::move(name)) {}
    int start() override;
    int write(const uint8_t* src, int frames, int timeoutMs) override;
    void stop() override;
    int close() override;

private:
    AlsaHandle pcm_;
};
