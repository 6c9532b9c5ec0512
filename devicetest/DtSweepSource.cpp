#include "devicetest/DtSweepSource.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace korvanta {

struct DtSweepSource::State {
    std::vector<uint8_t> sweep;
    std::vector<uint8_t> silent;
    std::mutex mutex;
    std::shared_ptr<StretchClock> clock; // set by Arm
    size_t pos = 0;                      // output thread only, from here on
    bool begun = false;

    std::shared_ptr<StretchClock> armed()
    {
        std::lock_guard lock(mutex);
        return clock;
    }

    // Output thread.
    int read(uint8_t* dst, int frames)
    {
        const size_t align = silent.size();
        if (!begun) {
            const std::shared_ptr<StretchClock> c = armed();
            if (!c || !c->running.load(std::memory_order_acquire) || c->captured.load(std::memory_order_acquire) <= 0) {
                for (int i = 0; i < frames; ++i)
                    std::memcpy(dst + size_t(i) * align, silent.data(), align);
                return frames;
            }
            c->markFirstPlayed();
            begun = true;
        }
        const size_t bytes = std::min(size_t(frames) * align, sweep.size() - pos);
        std::memcpy(dst, sweep.data() + pos, bytes);
        pos += bytes;
        return int(bytes / align);
    }
};

DtSweepSource::DtSweepSource(std::vector<uint8_t> sweep, std::vector<uint8_t> silentFrame)
    : state_(std::make_shared<State>())
{
    state_->sweep = std::move(sweep);
    state_->silent = std::move(silentFrame);
}

void DtSweepSource::Arm(std::shared_ptr<StretchClock> clock)
{
    std::lock_guard lock(state_->mutex);
    state_->clock = std::move(clock);
}

FrameCallback DtSweepSource::Callback() const
{
    return [state = state_](uint8_t* dst, int frames) { return state->silent.empty() ? 0 : state->read(dst, frames); };
}

} // namespace korvanta
