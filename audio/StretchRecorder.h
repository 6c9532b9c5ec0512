#pragma once
// One gap-free stretch of input, up to kMaxSeconds long, recorded in one
// piece for measurements that play a signal once and need all of its answer
// (an impulse response from a sweep). Unlike a measuring block, a stretch
// in which the device overruns is not recorded again: the signal played
// meanwhile is gone, so the overrun is reported as a failure.
//
// A one-shot played by a PlayPath with this recorder's clock() marks where
// its first frame lies in the stretch (firstPlayedFrame()), so what was
// played and what came back can be aligned. The mark is the frame count
// captured when that frame was handed to the output, so the devices'
// buffers move the true place either way: frames captured but not yet
// read put it earlier, the output's buffer and a converter's delay later.
// It is a start for the alignment, which a correlation then makes exact.
//
// With keepInput(true) a series of stretches (the device test's steps)
// keeps the input open between them: a whole stretch leaves the source
// running where it can (CaptureSource::keepable), and the next start() on
// the same device and format renews its stream instead of opening it again.
// Through a sound server an open is a new connection, which costs a good
// part of a second; a renewed stream still holds only what is captured
// after the start, so a stretch never begins with what came before it.
//
// The device thread is a DeviceThread: a device that hangs when it is
// stopped or closed (a stopped sound server) is left to its thread.
//
// Every member is for the GUI thread.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/DeviceThread.h"

#include <QObject>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace korvanta {

// What a recording shares with the output that marks its start: frames
// captured so far and the mark (any thread).
struct StretchClock {
    std::atomic<bool> running{false};
    std::atomic<long long> captured{0};
    std::atomic<long long> firstPlayed{-1};

    // Output thread: the first frame of a one-shot is being handed over now.
    void markFirstPlayed()
    {
        long long none = -1;
        if (running.load(std::memory_order_acquire))
            firstPlayed.compare_exchange_strong(none, captured.load(std::memory_order_acquire));
    }
};

class StretchRecorder : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxSeconds = 30;

    explicit StretchRecorder(QObject* parent = nullptr);
    ~StretchRecorder() override;
    StretchRecorder(const StretchRecorder&) = delete;
    StretchRecorder& operator=(const StretchRecorder&) = delete;

    // Opens input `device` and records `frames` frames in `format`. Returns
    // 0, or an error code (MMSYSERR_INVALPARAM for a stretch that is empty
    // or longer than kMaxSeconds; MMSYSERR_NOTSUPPORTED while recording).
    // With `framesAfterMark` > 0 the stretch ends as soon as it holds that
    // many frames from the marked one-shot's first frame on (at most
    // `frames` in all): a run waits for its one-shot's answer and no longer,
    // however soon the output began. `clock`, when given, is a fresh clock
    // a one-shot was armed with before this call: armed only after it, the
    // one-shot could find its stretch over already, as an input that runs
    // as fast as it is read (the virtual card's fast mode) races through
    // the output's silence while the caller is held up between the two.
    int start(int device, const WaveFormat& format, long long frames, long long framesAfterMark = 0,
              std::shared_ptr<StretchClock> clock = {});
    // Gives the recording up and closes the input; nothing is announced.
    void stop();
    // Whether whole stretches leave the input open for the next start().
    void keepInput(bool keep) { keep_ = keep; }
    bool recording() const { return thread_.active(); }

    // Frames recorded so far: a one-shot meant to lie inside the stretch
    // starts once the input has begun to deliver.
    long long capturedFrames() const { return clock_->captured.load(); }
    // Shared with the output whose first frame is to be marked.
    std::shared_ptr<StretchClock> clock() const { return clock_; }
    // After recorded(): the stretch in the input's format, and its frames.
    const std::vector<uint8_t>& data() const { return job_->data; }
    long long frames() const { return job_->frames; }
    // Frame index of the marked one-shot's first frame, -1 when none was
    // played during the recording.
    long long firstPlayedFrame() const { return clock_->firstPlayed.load(); }

signals:
    // The whole stretch is in data().
    void recorded();
    // The recording failed: `text` is SoundErrorText(code).
    void failed(int code, const QString& text);

private:
    // Everything the device thread touches; shared so that a thread left
    // on a hung device keeps it alive.
    struct Job {
        std::shared_ptr<CaptureSource> source;
        std::shared_ptr<StretchClock> clock;
        std::vector<uint8_t> data;
        long long frames = 0; // asked for; once recorded, recorded
        long long afterMark = 0;
        int align = 4;
        bool keep = false;
        std::atomic<bool> stop{false};
        std::atomic<int> fault{0};
        std::mutex notifyMutex;
        QObject* notify = nullptr;
    };

    static void run(const std::shared_ptr<Job>& job);
    static int record(Job& job);
    static int fill(Job& job);
    static long long endOf(const Job& job);
    void finished(const std::shared_ptr<Job>& job);
    void endDevice();
    int openSource(int device, const WaveFormat& format, std::shared_ptr<CaptureSource>& source);
    void closeKept();

    std::shared_ptr<Job> job_ = std::make_shared<Job>();
    std::shared_ptr<StretchClock> clock_ = std::make_shared<StretchClock>();
    DeviceThread thread_;
    bool abandoned_ = false;
    bool keep_ = false;
    // The input left open by the last whole stretch, and what it was opened for.
    std::shared_ptr<CaptureSource> kept_;
    int keptDevice_ = -1;
    WaveFormat keptFormat_{};
};

} // namespace korvanta
