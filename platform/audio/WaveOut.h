#pragma once
// An open output device in the classic shape: pause, prepare, write a looping
// buffer, restart, reset, close. A device thread writes the buffer to the
// backend's sink over and over until reset (or until its loop count is used
// up). It never runs ahead of the wall clock by more than kLeadMs: a sink
// without a clock of its own (ALSA's null device behind a file PCM) would
// otherwise take hundreds of megabytes a second. A sink that blocks because
// it is full paces itself; the wall clock is then only a safety net.
//
// Every member is for the GUI thread.

#include "AudioBackend.h"

#include <atomic>
#include <memory>
#include <thread>

class WaveOut {
public:
    static constexpr int kLeadMs = 200;

    static int Open(std::unique_ptr<WaveOut>& out, int device, const WaveFormat& format);
    static int Query(int device, const WaveFormat& format);

    ~WaveOut();
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    int Pause();
    int Restart();
    int PrepareHeader(WaveHeader& header);
    int UnprepareHeader(WaveHeader& header);
    // Hands the buffer to the device. With WHDR_BEGINLOOP | WHDR_ENDLOOP it is
    // repeated `loops` times (2147483647: until reset).
    int Write(WaveHeader& header);
    int Reset();
    int Close();

    // Frames the device thread has handed to the sink (tests, diagnostics).
    long long framesWritten() const { return written_.load(std::memory_order_acquire); }

private:
    WaveOut(std::unique_ptr<PlaybackSink> sink, const WaveFormat& format);
    void run(WaveHeader* header);
    void joinThread();

    std::unique_ptr<PlaybackSink> sink_;
    WaveFormat format_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> paused_{false};
    std::atomic<long long> written_{0};
    WaveHeader* header_ = nullptr;
    bool closed_ = false;
};
