#include "platform/audio/virtual/PlayedStream.h"

#include <algorithm>

namespace korvanta {

namespace {
constexpr int kQueueDivisor = 20;  // a twentieth of a second of frames
constexpr size_t kMinQueueFrames = 256;
constexpr auto kClockPoll = std::chrono::milliseconds(2);
} // namespace

size_t PlayedStream::capacity() const
{
    return std::max(kMinQueueFrames, static_cast<size_t>(rate_ / kQueueDivisor));
}

uint64_t PlayedStream::begin(int rate, bool fast)
{
    std::lock_guard lock(mutex_);
    queue_.clear();
    rate_ = std::max(1, rate);
    fast_ = fast;
    playing_ = true;
    drained_ = Clock::now();
    changed_.notify_all();
    return ++session_;
}

void PlayedStream::end(uint64_t session)
{
    std::lock_guard lock(mutex_);
    if (session != session_ || !playing_)
        return;
    playing_ = false;
    queue_.clear();
    changed_.notify_all();
}

void PlayedStream::endAny()
{
    std::lock_guard lock(mutex_);
    playing_ = false;
    queue_.clear();
    changed_.notify_all();
}

PlayedStream::State PlayedStream::state() const
{
    std::lock_guard lock(mutex_);
    return State{session_, rate_, playing_};
}

bool PlayedStream::playing() const
{
    std::lock_guard lock(mutex_);
    return playing_;
}

void PlayedStream::attachReader()
{
    std::lock_guard lock(mutex_);
    ++readers_;
}

void PlayedStream::detachReader()
{
    std::lock_guard lock(mutex_);
    readers_ = std::max(0, readers_ - 1);
    drained_ = Clock::now(); // the wall clock takes over from now, not from the past
    changed_.notify_all();
}

// With the lock held: a real-time card without a listener plays its queue
// out at the wall clock.
void PlayedStream::drainByClock()
{
    const auto now = Clock::now();
    if (readers_ > 0 || fast_ || queue_.empty()) {
        drained_ = now;
        return;
    }
    const double seconds = std::chrono::duration<double>(now - drained_).count();
    const auto due = static_cast<size_t>(seconds * rate_);
    const size_t gone = std::min(due, queue_.size() / 2);
    queue_.erase(queue_.begin(), queue_.begin() + 2 * static_cast<std::ptrdiff_t>(gone));
    drained_ = queue_.empty() ? now : drained_ + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(static_cast<double>(gone) / rate_));
}

int PlayedStream::write(uint64_t session, const double* stereo, int frames, int timeoutMs)
{
    std::unique_lock lock(mutex_);
    if (session != session_ || !playing_)
        return frames;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        drainByClock();
        const size_t room = capacity() - std::min(capacity(), queue_.size() / 2);
        if (room > 0) {
            const size_t n = std::min(room, static_cast<size_t>(frames));
            queue_.insert(queue_.end(), stereo, stereo + 2 * n);
            changed_.notify_all();
            return static_cast<int>(n);
        }
        if (Clock::now() >= deadline)
            return 0;
        changed_.wait_until(lock, std::min(deadline, Clock::now() + kClockPoll));
        if (session != session_ || !playing_)
            return frames;
    }
}

void PlayedStream::popFront(double* dst, size_t frames)
{
    std::copy_n(queue_.begin(), 2 * frames, dst);
    queue_.erase(queue_.begin(), queue_.begin() + 2 * static_cast<std::ptrdiff_t>(frames));
}

PlayedStream::Taken PlayedStream::read(double* stereo, int frames, std::optional<Clock::time_point> waitUntil)
{
    std::unique_lock lock(mutex_);
    Taken t;
    for (;;) {
        const size_t n = std::min(queue_.size() / 2, static_cast<size_t>(frames - t.frames));
        if (n > 0) {
            popFront(stereo + 2 * static_cast<size_t>(t.frames), n);
            t.frames += static_cast<int>(n);
            changed_.notify_all();
        }
        if (t.frames == frames || !playing_ || !waitUntil || Clock::now() >= *waitUntil)
            break;
        changed_.wait_until(lock, *waitUntil);
    }
    t.playing = playing_;
    t.session = session_;
    t.rate = rate_;
    return t;
}

} // namespace korvanta
