#pragma once
// An open output device in the classic shape: pause, prepare, write a looping
// buffer, restart, reset, close; and, for wave files, a stream of frames read
// from a FrameSource. A device thread writes the frames to the backend's sink
// until reset (or until the source ends). It never runs ahead of the wall
// clock by more than kLeadMs: a sink without a clock of its own (ALSA's null
// device behind a file PCM) would otherwise take hundreds of megabytes a
// second. A sink that blocks because it is full paces itself; the wall clock
// is then only a safety net.
//
// When the device fails while playing (the sink stalls, disappears or
// refuses a write, or the source cannot be read on) the device thread stops,
// and posts a WaveOutFaultEvent (MM_WOM_FAULT) with the code and this
// output's serial to the notification object; it touches nothing else.
//
// Every member is for the GUI thread.

#include "AudioBackend.h"

#include <QObject>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class WaveOut {
public:
    static constexpr int kLeadMs = 200;

    // `notify` receives the fault event; it may be null (nobody is told) and
    // may be changed later with SetNotify().
    static int Open(std::unique_ptr<WaveOut>& out, int device, const WaveFormat& format, QObject* notify = nullptr);
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
    // Plays what the source delivers until it ends or the device is reset.
    // One stream or buffer at a time.
    int Stream(std::unique_ptr<FrameSource> source);
    int Reset();
    int Close();

    // Where a fault is announced from now on (the old target is never
    // posted to after this returns).
    void SetNotify(QObject* notify);
    // Unique for every output opened in this process.
    uint32_t serial() const { return serial_; }
    // The fault that ended playback, 0 while none did.
    int fault() const { return fault_.load(std::memory_order_acquire); }
    // Frames the device thread has handed to the sink (tests, diagnostics).
    long long framesWritten() const { return written_.load(std::memory_order_acquire); }

private:
    WaveOut(std::unique_ptr<PlaybackSink> sink, const WaveFormat& format, QObject* notify);
    int startThread(std::unique_ptr<FrameSource> source);
    void run();
    void announce(int code);
    void joinThread();

    std::unique_ptr<PlaybackSink> sink_;
    WaveFormat format_;
    std::unique_ptr<FrameSource> source_; // read by the device thread only while it runs
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> paused_{false};
    std::atomic<long long> written_{0};
    std::atomic<int> fault_{0};
    std::mutex notifyMutex_;
    QObject* notify_;
    uint32_t serial_;
    WaveHeader* header_ = nullptr;
    bool closed_ = false;
};
