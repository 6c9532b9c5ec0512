#pragma once
// What the virtual card's output has played and its input has not yet
// heard: a short queue of stereo frames (a twentieth of a second) between
// the output's device thread and the input's.
//
// Time on the card: while an input is recording, the input's reading is the
// clock: the output may write only as the input takes frames, so in fast
// mode both run as fast as the input asks and in real time both keep to the
// wall clock. While no input records, a real-time card plays the queue out
// at the wall clock (those frames are heard by nobody), and a fast card
// stands still until the next recording asks for more. Every member is
// safe from any thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

namespace korvanta {

class PlayedStream {
public:
    using Clock = std::chrono::steady_clock;

    // A new output session at `rate`: the queue empties. Returns the
    // session's number, which the writer passes back.
    uint64_t begin(int rate, bool fast);
    // Session `session` ends (a later session is left alone).
    void end(uint64_t session);

    // Output thread: queues up to `frames` frames, waiting up to timeoutMs
    // for room. Returns the frames taken. Frames of an ended session are
    // taken and dropped.
    int write(uint64_t session, const double* stereo, int frames, int timeoutMs);

    struct Taken {
        int frames = 0;
        bool playing = false; // an output session was running
        uint64_t session = 0;
        int rate = 0;
    };
    // Input thread: takes up to `frames` frames. With `waitUntil`, waits
    // for frames while an output plays.
    Taken read(double* stereo, int frames, std::optional<Clock::time_point> waitUntil);

    // An input is recording (its reads are the card's clock) or has stopped.
    void attachReader();
    void detachReader();

    bool playing() const;
    // Ends whatever session runs (the card is reset).
    void endAny();

    struct State {
        uint64_t session = 0;
        int rate = 0;
        bool playing = false;
    };
    State state() const;

private:
    size_t capacity() const;
    void drainByClock();
    void popFront(double* dst, size_t frames);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<double> queue_; // interleaved stereo
    uint64_t session_ = 0;
    bool playing_ = false;
    bool fast_ = false;
    int rate_ = 48000;
    int readers_ = 0;
    Clock::time_point drained_;
};

} // namespace korvanta
