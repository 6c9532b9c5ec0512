#pragma once
// An open output device in the classic shape: pause, prepare, write a looping
// buffer, restart, reset, close; and, for wave files, a stream of frames read
// from a FrameSource. A device thread writes the frames to the backend's sink
// until reset (or until the source ends), paced by PlaybackPacer: a device
// with a clock keeps its buffer full, one without (ALSA's null device behind
// a file PCM, which would otherwise take hundreds of megabytes a second) is
// held to the wall clock, never more than kLeadMs ahead.
//
// A device that hangs when it is stopped or closed (a stopped sound server)
// is abandoned after DeviceThread::kAbandonMs: its thread closes it when the
// device lets go, and the GUI thread goes on.
//
// When the device fails while playing (the sink stalls, disappears or
// refuses a write, or the source cannot be read on) the device thread stops,
// and posts a WaveOutFaultEvent (MM_WOM_FAULT) with the code and this
// output's serial to the notification object; it touches nothing else.
//
// Every member is for the GUI thread.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/DeviceThread.h"
#include "platform/audio/PlaybackPacer.h"

#include <QObject>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace korvanta {

class WaveOut {
public:
    static constexpr int kLeadMs = PlaybackPacer::kLeadMs;

    // `notify` receives the fault event; it may be null (nobody is told) and
    // may be changed later with SetNotify().
    static int Open(std::unique_ptr<WaveOut>& out, int device, const WaveFormat& format, QObject* notify = nullptr);
    static int Query(int device, const WaveFormat& format);
    // Counts the times any output of this process started or stopped
    // playing (any thread). A capture kept open across blocks compares it
    // to know whether what it may still hear from before is another signal.
    static uint32_t Changes();

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
    int fault() const { return play_->fault.load(std::memory_order_acquire); }
    // Frames the device thread has handed to the sink (tests, diagnostics).
    long long framesWritten() const { return play_->written.load(std::memory_order_acquire); }
    // Size of the device's buffer in frames (0: unknown), so that a player
    // can follow a one-shot with enough silence to have all of it played.
    long long bufferFrames() const { return play_->sink->capacity(); }
    // Times the device ran dry while playing (each also in the device log).
    int underruns() const { return play_->sink->underruns(); }
    // The device took nothing at its last look: a stall may be in the
    // making (PlaybackSink::stallSuspected).
    bool stallSuspected() const { return play_->sink->stallSuspected(); }
    // Whether the device hung in its stop or close and was left to its thread.
    bool abandoned() const { return abandoned_; }

private:
    // Everything the device thread touches. It is shared, so that a thread
    // left running on a hung device keeps it alive after this object is gone.
    struct Playing {
        std::shared_ptr<PlaybackSink> sink;
        std::unique_ptr<FrameSource> source;
        WaveFormat format;
        uint32_t serial = 0;
        std::atomic<bool> stop{false};
        std::atomic<bool> paused{false};
        std::atomic<long long> written{0};
        std::atomic<int> fault{0};
        std::mutex notifyMutex;
        QObject* notify = nullptr;
    };

    WaveOut(std::unique_ptr<PlaybackSink> sink, const WaveFormat& format, QObject* notify);
    int startThread(std::unique_ptr<FrameSource> source);
    static void run(Playing& p);
    static void announce(Playing& p, int code);
    void endThread();

    std::shared_ptr<Playing> play_ = std::make_shared<Playing>();
    DeviceThread thread_;
    uint32_t serial_;
    WaveHeader* header_ = nullptr;
    bool closed_ = false;
    bool abandoned_ = false;
};

} // namespace korvanta
