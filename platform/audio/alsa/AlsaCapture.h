#pragma once
// Input stream on an ALSA PCM. Overruns are recovered, logged and reported
// as kOverrun (the wave layer records the block again); a device that
// disappears ends the block with WAVERR_DEVICE_GONE.

#include "AlsaHandle.h"
#include "AudioBackend.h"

#include <alsa/asoundlib.h>

class AlsaCapture : public CaptureSource {
public:
    AlsaCapture(snd_pcm_t* pcm, QString name) : pcm_(pcm, std::move(name)) {}
    int start() override;
    ReadResult read(uint8_t* dst, int frames, int timeoutMs) override;
    // A sound server's sink that has been idle may sleep two seconds
    // before it serves a new stream.
    int firstFrameMs() const override { return 3000; }
    void stop() override;
    int close() override;

private:
    bool recover(int err);

    AlsaHandle pcm_;
};
