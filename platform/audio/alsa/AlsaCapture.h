#pragma once
// Input stream on an ALSA PCM. Overruns are recovered, logged and reported
// as kOverrun (the wave layer records the block again); a device that
// disappears ends the block with WAVERR_DEVICE_GONE. After a whole block the
// PCM stays open and running, so the next block of the same device and
// format needs no new open (through a sound server every open is a new
// connection, which costs more than a short block lasts); its start renews
// the stream (a new stream on the same connection), which holds only what is
// captured after it.

#include "platform/audio/alsa/AlsaHandle.h"
#include "platform/audio/AudioBackend.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <chrono>

namespace korvanta {

class AlsaCapture : public CaptureSource {
public:
    AlsaCapture(snd_pcm_t* pcm, QString name);
    int start() override;
    ReadResult read(uint8_t* dst, int frames, int timeoutMs) override;
    // A sound server's sink that has been idle may sleep two seconds
    // before it serves a new stream.
    int firstFrameMs() const override { return 3000; }
    void stop() override;
    void finishBlock() override;
    bool keepable() const override;
    int close() override;

private:
    bool recover(int err);
    // Whether an overrun came sooner after the last restart than the buffer
    // could fill, with no frame read since: no real overrun, but a device
    // that keeps failing (PipeWire's plugin reports its lost server so).
    bool overranTooSoon() const;
    // How long the PCM's buffer takes to fill.
    std::chrono::microseconds bufferTime() const;

    AlsaHandle pcm_;
    // A `file` PCM replays its file from the start at every open; kept
    // running it would walk on through the file instead.
    bool mayKeep_;
    std::atomic<bool> running_{false};
    // Device thread only.
    std::chrono::steady_clock::time_point restartedAt_{};
    bool readSinceRestart_ = true;
};

} // namespace korvanta
