#pragma once
// An input kept open and running for a whole series of recordings (the
// device test's steps), from which gap-free stretches are taken on request.
// Through a sound server every open and start of an input costs a good part
// of a second; started once, the series costs only what it records.
//
// The device thread reads on all the time and counts every frame it reads:
// capturedFrames() is the index of the next. take() asks for `frames` frames
// from a frame index the caller names; what is read before it, and between
// stretches, is thrown away unstored. An overrun inside a stretch fails the
// recording (the signal played meanwhile is gone); one between stretches
// loses nothing anyone asked for and is only logged. Frames the device lost
// are not counted, so a stretch asked for before an overrun begins later on
// the wall clock than planned, never sooner. A device that stalls or goes
// away fails the recording whether a stretch is asked for or not.
//
// Reads lag what the device captured by what is on its way to this program
// (a sound server's buffers): deviceFrames() adds what the device reports
// as delay, so a stretch named from it begins after a moment on the wall
// clock, not after what was captured before it.
//
// The device thread is a DeviceThread: a device that hangs when it is
// stopped or closed (a stopped sound server) is left to its thread.
//
// Every member is for the GUI thread.

#include "audio/StretchRecorder.h"
#include "platform/audio/AudioBackend.h"
#include "platform/audio/DeviceThread.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace korvanta {

class ContinuousRecorder : public QObject {
    Q_OBJECT
public:
    // The same bound as a one-shot stretch's.
    static constexpr int kMaxSeconds = StretchRecorder::kMaxSeconds;

    explicit ContinuousRecorder(QObject* parent = nullptr);
    ~ContinuousRecorder() override;
    ContinuousRecorder(const ContinuousRecorder&) = delete;
    ContinuousRecorder& operator=(const ContinuousRecorder&) = delete;

    // Opens input `device` in `format` and starts it. Returns 0 or an error
    // code (MMSYSERR_NOTSUPPORTED while open).
    int open(int device, const WaveFormat& format);
    // Stops and closes the input; nothing is announced.
    void close();
    bool isOpen() const { return thread_.active(); }

    // Frames read so far: the index of the next frame read.
    long long capturedFrames() const;
    // Frames the device has captured by now, as far as it tells: read ones
    // and those on their way.
    long long deviceFrames() const;

    // Asks for the `frames` frames from index `first` on, announced by
    // recorded(). A `first` already read is taken as the next frame read,
    // and no frame of a read under way now is taken (it may hold frames
    // captured before this call): firstFrame() tells where it began.
    // Returns 0 or an error code (MMSYSERR_INVALPARAM for a stretch that is
    // empty or longer than kMaxSeconds; MMSYSERR_NOTSUPPORTED while another
    // is asked for; MMSYSERR_INVALHANDLE when not open).
    int take(long long first, long long frames);
    // Gives the stretch asked for up; the input runs on.
    void cancel();
    bool taking() const;

    // After recorded(): the stretch in the input's format, and the index of
    // its first frame.
    const std::vector<uint8_t>& data() const { return stretch_; }
    long long firstFrame() const { return stretchFirst_; }

signals:
    // The stretch asked for is whole in data().
    void recorded();
    // The input failed and is closed: `text` is SoundErrorText(code).
    void failed(int code, const QString& text);

private:
    struct Job;

    static void run(const std::shared_ptr<Job>& job);
    static int capture(const std::shared_ptr<Job>& job);
    static void beginRead(Job& job);
    static int overrun(Job& job);
    static void store(const std::shared_ptr<Job>& job, const uint8_t* frames, int n);
    void delivered(const std::shared_ptr<Job>& job, uint64_t request);
    void ended(const std::shared_ptr<Job>& job);
    void endDevice();

    std::shared_ptr<Job> job_;
    DeviceThread thread_;
    WaveFormat format_{};
    std::vector<uint8_t> stretch_;
    long long stretchFirst_ = -1;
};

} // namespace korvanta
