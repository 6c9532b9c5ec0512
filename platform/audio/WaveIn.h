#pragma once
// An open input device in the classic shape: prepare a buffer, add it, start,
// reset, close. A device thread fills the one queued buffer from the
// backend's capture source and posts MM_WIM_DATA (a WaveDataEvent carrying
// the header) to the notification object. It never blocks forever: when the
// source has not delivered the block within its duration plus kStallMarginMs
// (plus the source's own allowance while no frame has come) the buffer comes
// back with fault WAVERR_DEVICE_STALLED. A block in which the device
// overruns is never handed out spliced: it is recorded again from its start
// (with a device-log line), and after kMaxOverruns overruns in a row the
// buffer comes back with fault WAVERR_DEVICE_OVERRUN. Nor does the GUI
// thread block forever: a device that hangs in its stop or close (a stopped
// sound server) is abandoned after DeviceThread::kAbandonMs and closes on
// its own thread. A source that can run on between blocks (see
// CaptureSource::keepable) lets the caller add and start the next buffer
// without closing and opening the device again; that start, too, is given
// up after DeviceThread::kAbandonMs (WAVERR_DEVICE_NO_ANSWER).
//
// Every member is for the GUI thread.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/DeviceThread.h"

#include <QObject>
#include <atomic>
#include <memory>
#include <thread>

namespace korvanta {

class WaveIn {
public:
    // Margin beyond a block's duration before a silent device counts as stalled.
    static constexpr int kStallMarginMs = 1000;
    // Overruns in a row after which a block is given up.
    static constexpr int kMaxOverruns = 3;

    // Opens `device` of the current backend. On success `out` holds the
    // device and 0 is returned; otherwise an error code.
    static int Open(std::unique_ptr<WaveIn>& out, int device, const WaveFormat& format, QObject* notify);
    // Whether the device takes the format, without opening it for us.
    static int Query(int device, const WaveFormat& format);

    ~WaveIn();
    WaveIn(const WaveIn&) = delete;
    WaveIn& operator=(const WaveIn&) = delete;

    int PrepareHeader(WaveHeader& header);
    int UnprepareHeader(WaveHeader& header);
    // Queues the buffer; one buffer at a time.
    int AddBuffer(WaveHeader& header);
    int Start();
    // Stops recording. A queued buffer comes back marked done and empty
    // (bytesRecorded 0); it is not announced by an event (whoever resets
    // knows), and an announcement already posted carries an old generation.
    int Reset();
    // Closes the device. After a failure the device is unusable; the caller
    // destroys this object to abandon it. A device that was abandoned (it
    // hung) counts as closed: it closes when its thread lets go of it.
    int Close();
    // Whether the device hung and was left to its thread.
    bool abandoned() const { return abandoned_; }
    // Whether, after Reset(), another buffer may be added and started on
    // this open device: its source ran on after a whole block.
    bool Reusable() const;
    // The object its blocks are announced to.
    QObject* notifyTarget() const { return notify_; }

private:
    // What the device thread shares with this object; it outlives both.
    struct Flags {
        std::atomic<bool> stop{false};
        std::atomic<bool> delivered{false};
        std::atomic<int> fault{0}; // of the block, once it has ended
    };

    WaveIn(std::unique_ptr<CaptureSource> source, const WaveFormat& format, QObject* notify);
    static void run(const std::shared_ptr<CaptureSource>& source, const WaveFormat& format, QObject* notify,
                    WaveHeader* header, const std::shared_ptr<Flags>& flags);
    int startSource();
    void endThread();

    std::shared_ptr<CaptureSource> source_;
    WaveFormat format_;
    QObject* notify_; // lives longer than any open device (the hidden notification object)
    WaveHeader* queued_ = nullptr;
    DeviceThread thread_;
    std::shared_ptr<Flags> flags_ = std::make_shared<Flags>();
    bool closed_ = false;
    bool abandoned_ = false;
};

} // namespace korvanta
