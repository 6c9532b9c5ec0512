#pragma once
// Input stream of the virtual card: renders the card's signal, paced by the
// wall clock unless the card is in fast mode, and plays the injected stream
// faults (empty block, short block, stall, device gone, failing close).
// While it records, its reads set the pace of the card's output.

#include "AudioBackend.h"
#include "VirtualCard.h"

#include <chrono>

class VirtualCapture : public CaptureSource {
public:
    VirtualCapture(VirtualCard& card, const WaveFormat& format, VirtualCard::Session session);
    int start() override;
    ReadResult read(uint8_t* dst, int frames, int timeoutMs) override;
    void stop() override;
    int close() override;

private:
    int framesDue(int wanted, int timeoutMs);

    VirtualCard& card_;
    WaveFormat format_;
    VirtualCard::Session session_;
    std::chrono::steady_clock::time_point started_;
    long long delivered_ = 0;
    long long blockFrames_ = -1;
    bool listening_ = false; // this recording's reads are the card's clock
};
