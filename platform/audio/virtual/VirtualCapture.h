#pragma once
// Input stream of the virtual card: renders the card's signal, paced by the
// wall clock unless the card is in fast mode, and plays the injected stream
// faults (empty block, short block, stall, device gone, failing close,
// overruns).
// While it records, its reads set the pace of the card's output.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <chrono>
#include <vector>

namespace korvanta {

class VirtualCapture : public CaptureSource {
public:
    VirtualCapture(VirtualCard& card, const WaveFormat& format, VirtualCard::Session session);
    int start() override;
    ReadResult read(uint8_t* dst, int frames, int timeoutMs) override;
    void stop() override;
    int close() override;

private:
    int framesDue(int wanted, int timeoutMs);
    bool nextTryOverruns();

    VirtualCard& card_;
    WaveFormat format_;
    VirtualCard::Session session_;
    std::chrono::steady_clock::time_point started_;
    long long delivered_ = 0;
    long long blockFrames_ = -1;
    long long tryFrames_ = 0;     // delivered in the present try of the block
    bool tryDecided_ = false;     // whether the present try overruns is known
    bool tryOverruns_ = false;    // the present try ends in an overrun halfway
    int overruns_ = 0;            // overruns of this block so far
    std::vector<uint8_t> lost_;
    bool listening_ = false; // this recording's reads are the card's clock
};

} // namespace korvanta
