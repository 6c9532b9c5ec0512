#include "audio/MarkedOneShot.h"

#include "audio/BlockConversion.h"
#include "audio/LoopSynthesis.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace korvanta {

std::vector<uint8_t> SilentFrame(int bits)
{
    const int bytes = BytesPerSample(bits);
    std::vector<uint8_t> frame(2 * size_t(bytes));
    EncodeSample(0.0, bits, frame.data());
    EncodeSample(0.0, bits, frame.data() + bytes);
    return frame;
}

struct MarkedOneShot::State {
    std::vector<uint8_t> sweep;
    std::vector<uint8_t> silent;
    OneShotPacing pacing;
    std::mutex mutex;
    std::shared_ptr<StretchClock> clock; // set by Arm
    std::atomic<bool> given{false};
    size_t pos = 0;                      // output thread only, from here on
    bool begun = false;

    std::shared_ptr<StretchClock> armed()
    {
        std::lock_guard lock(mutex);
        return clock;
    }

    std::shared_ptr<StretchClock> waitArmed()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(pacing.armWaitMs);
        std::shared_ptr<StretchClock> c = armed();
        while (!c && !given.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            c = armed();
        }
        return c;
    }

    int silence(uint8_t* dst, int frames)
    {
        const int n = pacing.silentReadFrames > 0 ? std::min(frames, pacing.silentReadFrames) : frames;
        for (int i = 0; i < n; ++i)
            std::memcpy(dst + size_t(i) * silent.size(), silent.data(), silent.size());
        return n;
    }

    // Output thread.
    int read(uint8_t* dst, int frames)
    {
        const size_t align = silent.size();
        if (!begun) {
            const std::shared_ptr<StretchClock> c = waitArmed();
            if (!c || !c->running.load(std::memory_order_acquire) || c->captured.load(std::memory_order_acquire) <= 0)
                return silence(dst, frames);
            c->markFirstPlayed();
            begun = true;
        }
        const size_t bytes = std::min(size_t(frames) * align, sweep.size() - pos);
        std::memcpy(dst, sweep.data() + pos, bytes);
        pos += bytes;
        return int(bytes / align);
    }
};

MarkedOneShot::MarkedOneShot(std::vector<uint8_t> sweep, std::vector<uint8_t> silentFrame, OneShotPacing pacing)
    : state_(std::make_shared<State>())
{
    state_->sweep = std::move(sweep);
    state_->silent = std::move(silentFrame);
    state_->pacing = pacing;
}

void MarkedOneShot::Arm(std::shared_ptr<StretchClock> clock)
{
    std::lock_guard lock(state_->mutex);
    state_->clock = std::move(clock);
}

void MarkedOneShot::GiveUp() { state_->given.store(true, std::memory_order_release); }

FrameCallback MarkedOneShot::Callback() const
{
    return [state = state_](uint8_t* dst, int frames) { return state->silent.empty() ? 0 : state->read(dst, frames); };
}

} // namespace korvanta
