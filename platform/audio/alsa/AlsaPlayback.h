#pragma once
// Output stream on an ALSA PCM. It tells the device thread how full the
// device's buffer is, so that a device with a clock of its own sets the
// pace; a PCM without one (null, a file PCM over null) says it cannot tell.
// Underruns are recovered, counted and logged; a device that plays nothing
// for kOutputStallMs, disappears or refuses a write ends playback with its
// code.

#include "platform/audio/alsa/AlsaHandle.h"
#include "platform/audio/AudioBackend.h"

#include <alsa/asoundlib.h>
#include <atomic>

namespace korvanta {

class AlsaPlayback : public PlaybackSink {
public:
    // How long a new stream may hold its first frames unplayed.
    static constexpr int kOutputStartMs = 5000;

    AlsaPlayback(snd_pcm_t* pcm, QString name);
    int start() override;
    int write(const uint8_t* src, int frames, int timeoutMs) override;
    int fill(long long& frames) override;
    long long capacity() const override { return clock_ ? capacity_ : 0; }
    long long period() const override { return clock_ ? period_ : 0; }
    int underruns() const override { return underruns_.load(std::memory_order_acquire); }
    bool stallSuspected() const override
    {
        return stall_.waiting() || unplayed_.load(std::memory_order_acquire);
    }
    void stop() override;
    int close() override;

private:
    int fail(int alsaError);
    bool recover(int alsaError);
    void countUnderrun();
    void restart();

    AlsaHandle pcm_;
    bool clock_ = true;
    long long capacity_ = 0;
    long long period_ = 0;
    // Device thread only.
    StallWatch stall_;
    StallWatch silent_;
    StallWatch starting_{kOutputStartMs};
    long long written_ = 0;
    long long played_ = 0;
    long long playedAtStart_ = 0;
    bool holding_ = false; // the device held frames at the last look
    std::atomic<int> underruns_{0};
    // The device held frames and played none of them at the last look.
    std::atomic<bool> unplayed_{false};
};

// Whether an ALSA PCM (or a plugin chain over it) ends in the null device,
// which has no clock: it takes every frame at once.
bool AlsaPcmHasClock(snd_pcm_t* pcm);

} // namespace korvanta
