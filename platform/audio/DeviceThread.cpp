#include "platform/audio/DeviceThread.h"

#include <chrono>

namespace korvanta {

void DeviceThread::start(std::function<void()> body)
{
    finish(kAbandonMs);
    state_ = std::make_shared<State>();
    thread_ = std::thread([state = state_, body = std::move(body)] {
        body();
        std::lock_guard lock(state->mutex);
        state->done = true;
        state->ended.notify_all();
    });
}

bool DeviceThread::finish(int ms)
{
    if (!thread_.joinable())
        return true;
    std::unique_lock lock(state_->mutex);
    const bool done = state_->ended.wait_for(lock, std::chrono::milliseconds(ms), [this] { return state_->done; });
    lock.unlock();
    if (done)
        thread_.join();
    else
        thread_.detach();
    state_.reset();
    return done;
}

bool RunBounded(const std::function<int()>& call, int& result, int ms)
{
    auto out = std::make_shared<int>(0);
    DeviceThread t;
    t.start([out, call] { *out = call(); });
    if (!t.finish(ms))
        return false;
    result = *out;
    return true;
}

} // namespace korvanta
