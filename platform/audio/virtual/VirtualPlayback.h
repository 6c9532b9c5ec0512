#pragma once
// Output stream of the virtual card: the frames written are decoded and
// queued for the card's input (PlayedStream), which also sets the pace. An
// injected output fault strikes after the first tenth of a second played.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <chrono>
#include <vector>

namespace korvanta {

class VirtualPlayback : public PlaybackSink {
public:
    VirtualPlayback(VirtualCard& card, const WaveFormat& format, VirtualFault fault = VirtualFault::None)
        : card_(card), format_(format), fault_(fault)
    {
        card_.outputOpened();
    }
    ~VirtualPlayback() override { card_.outputClosed(); }
    VirtualPlayback(const VirtualPlayback&) = delete;
    VirtualPlayback& operator=(const VirtualPlayback&) = delete;
    int start() override;
    int write(const uint8_t* src, int frames, int timeoutMs) override;
    void stop() override;
    int close() override;
    bool stallSuspected() const override { return stall_.waiting(); }

private:
    int failing(int timeoutMs);

    VirtualCard& card_;
    WaveFormat format_;
    VirtualFault fault_;
    uint64_t session_ = 0;
    std::chrono::steady_clock::time_point started_;
    StallWatch stall_;
    std::vector<double> decoded_;
};

} // namespace korvanta
