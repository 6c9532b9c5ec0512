#pragma once
// What a sound backend offers the wave layer: devices, capabilities, format
// queries and streams. Two backends exist: ALSA (real devices, also through
// the PipeWire/PulseAudio plugins) and the virtual loopback card.
//
// Threads: everything on AudioBackend is called from the GUI thread. A
// CaptureSource or PlaybackSink is opened on the GUI thread, used by exactly
// one device thread while running, and closed on the GUI thread after that
// thread has been joined.

#include "platform/audio/WaveTypes.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace korvanta {

// Result of one read of a capture source.
struct ReadResult {
    int frames = 0;       // frames delivered by this call (may be 0 while waiting)
    int fault = 0;        // 0, or WAVERR_DEVICE_* / kEndOfData / kOverrun
};

// The source has ended normally: no more frames will come for this block.
inline constexpr int kEndOfData = -1;
// The device overran (or was suspended) and has been started again: frames
// read before and after are not one stretch of signal. Reading goes on.
inline constexpr int kOverrun = -2;

class CaptureSource {
public:
    virtual ~CaptureSource() = default;
    // GUI thread, before the device thread starts: starts delivering.
    // On a source kept running from its last block, every frame read
    // afterwards was captured after this call: what it captured since, and
    // what was on its way to it (a sound server's data in transit), is never
    // read. Returns 0 or an error code.
    virtual int start() = 0;
    // Device thread: reads at most `frames` frames into dst, waiting no
    // longer than timeoutMs for the first of them.
    virtual ReadResult read(uint8_t* dst, int frames, int timeoutMs) = 0;
    // Further time a new stream may take for its first frame, beyond the
    // block's duration and the stall margin.
    virtual int firstFrameMs() const { return 0; }
    // Device thread: stops delivering (data not yet read is dropped).
    virtual void stop() = 0;
    // Device thread, when a block has been recorded whole: a source that
    // can stay open for the next block goes on running, others stop.
    virtual void finishBlock() { stop(); }
    // GUI thread, after its device thread ended: whether start() may begin
    // another block on this source (it ran on after a whole block).
    virtual bool keepable() const { return false; }
    // GUI thread, after the device thread ended. Returns 0 or an error code.
    virtual int close() = 0;
};

class PlaybackSink {
public:
    virtual ~PlaybackSink() = default;
    // GUI thread, before the device thread starts: prepares the device for
    // writing. Returns 0 or a code.
    virtual int start() = 0;
    // Device thread: writes at most `frames` frames, waiting no longer than
    // timeoutMs. Returns the frames taken (0 while the device is full), or,
    // after a fault it could not recover from, the negated code
    // (-WAVERR_OUTPUT_STALLED, -WAVERR_OUTPUT_GONE, -WAVERR_OUTPUT_WRITE).
    // Telling a stall from a full buffer is the sink's business: only it
    // knows whether its clock runs (StallWatch helps).
    virtual int write(const uint8_t* src, int frames, int timeoutMs) = 0;
    // Device thread: the frames written but not yet played go to `frames`
    // (PlaybackPacer::kUnknownFill when the sink cannot tell: it keeps no
    // time of its own). Returns 0, or, after a fault it could not recover
    // from, the negated code, as write() does.
    virtual int fill(long long& frames)
    {
        frames = -1;
        return 0;
    }
    // Size of the device's buffer and of one period in frames (0: unknown).
    virtual long long capacity() const { return 0; }
    virtual long long period() const { return 0; }
    // Times the device ran dry while playing (any thread).
    virtual int underruns() const { return 0; }
    // Any thread: the device took (or played) nothing at its last look, so
    // a stall may be in the making; false again once it takes frames. A
    // sink that cannot tell a stall from a full buffer says so only when
    // its stall watch runs.
    virtual bool stallSuspected() const { return false; }
    // Device thread: stops at once, dropping what is queued.
    virtual void stop() = 0;
    // GUI thread, after the device thread ended. Returns 0 or an error code.
    virtual int close() = 0;
};

// What a playing output plays, read by its device thread only: a loop
// buffer, or a wave file streamed from disk.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Fills up to `frames` frames in the device's format. Returns the frames
    // filled, 0 when the source has ended, or a negated wave code when it
    // cannot go on (-WAVERR_FILE_READ).
    virtual int read(uint8_t* dst, int frames) = 0;
};

// Device thread of a sink: tells a device that has stopped taking frames
// from one that is only full for the moment. Fed with the result of every
// write; stalled once writes have taken nothing for limitMs in a row.
class StallWatch {
public:
    explicit StallWatch(int limitMs = kOutputStallMs) : limitMs_(limitMs) {}
    StallWatch(const StallWatch& other) { *this = other; }
    StallWatch& operator=(const StallWatch& other);
    // Device thread.
    bool stalled(int framesTaken);
    // Any thread: the last write took nothing (a stall in the making, or
    // only a full buffer).
    bool waiting() const { return waiting_.load(std::memory_order_acquire); }

private:
    int limitMs_ = kOutputStallMs;
    std::atomic<bool> waiting_{false};
    std::chrono::steady_clock::time_point since_;
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;

    // A short name for the device log ("ALSA", "virtual").
    virtual QString name() const = 0;
    // Checks the backend can run. Returns 0 or an error code.
    virtual int initialise() { return 0; }
    // Lists the devices again (start-up, sound system reset).
    virtual void rescan() {}

    virtual int inputCount() = 0;
    virtual int outputCount() = 0;
    virtual int inputCaps(int device, WaveInCaps& caps) = 0;
    virtual int outputCaps(int device, WaveOutCaps& caps) = 0;
    // Product name of a device (cheap: opens nothing).
    virtual QString deviceName(bool input, int device) = 0;
    // What names the device for good, whatever its place in the list: the
    // PCM name under ALSA ("hw:CARD=USB,DEV=0"); the product name where the
    // backend has nothing better. Empty when there is no such device.
    virtual QString deviceId(bool input, int device) { return deviceName(input, device); }
    virtual int midiOutCount() { return 0; }
    virtual int auxCount() { return 0; }

    // Whether the device takes exactly this format (no resampling). Must
    // not disturb a stream of ours that is running on the device.
    virtual int queryInput(int device, const WaveFormat& format) = 0;
    virtual int queryOutput(int device, const WaveFormat& format) = 0;

    virtual int openInput(int device, const WaveFormat& format, std::unique_ptr<CaptureSource>& out) = 0;
    virtual int openOutput(int device, const WaveFormat& format, std::unique_ptr<PlaybackSink>& out) = 0;

    // Text of an error code of this backend, or empty for the common table.
    virtual QString errorText(int /*code*/) const { return {}; }
};

// The backend the program uses: KORVANTA_AUDIO=virtual or =alsa forces one;
// otherwise ALSA when it lists at least one device, else the virtual card.
// Chosen on the first call.
AudioBackend& CurrentAudioBackend();

// Tests: use this backend from now on (nullptr: choose again on next call).
void SetAudioBackendForTests(AudioBackend* backend);

// Whether the machine has any ALSA sound device (the rules of the ALSA
// backend's device list), without keeping anything open.
bool AlsaHasDevices();

// Text for an error code: the backend's own, else the common table.
QString WaveErrorText(int code);

} // namespace korvanta
