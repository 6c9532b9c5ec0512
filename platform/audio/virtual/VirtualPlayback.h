#pragma once
// Output stream of the virtual card: hands the looping buffer to the card,
// whose input then hears it. Writing only counts frames; the wave layer's
// wall-clock pacing keeps it at real time.

#include "AudioBackend.h"
#include "VirtualCard.h"

class VirtualPlayback : public PlaybackSink {
public:
    VirtualPlayback(VirtualCard& card, const WaveFormat& format) : card_(card), format_(format) {}
    void setLoop(const uint8_t* data, uint32_t bytes) override { card_.setLoop(data, bytes, format_); }
    int start() override;
    int write(const uint8_t* src, int frames, int timeoutMs) override;
    void stop() override;
    int close() override;

private:
    VirtualCard& card_;
    WaveFormat format_;
};
