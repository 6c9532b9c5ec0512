#pragma once
// Output stream on an ALSA PCM. Underruns are recovered and logged; a device
// that takes nothing for kOutputStallMs, disappears or refuses a write ends
// playback with its code.

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
    int fail(int alsaError);

    AlsaHandle pcm_;
    StallWatch stall_;
};
