#include "audio/OutputStallCheck.h"

#include "audio/Soundd3.h"
#include "platform/audio/WaveTypes.h"

namespace korvanta {

OutputStallCheck::OutputStallCheck(QObject* parent) : QObject(parent)
{
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &OutputStallCheck::poll);
}

bool OutputStallCheck::Begin(std::function<void()> confirmed, std::function<void(int code)> stalled)
{
    Cancel();
    if (!IsPlaying() || !PlayStallSuspected())
        return true;
    framesAtBegin_ = PlayFramesTaken();
    confirmed_ = std::move(confirmed);
    stalled_ = std::move(stalled);
    since_.start();
    timer_.start();
    return false;
}

void OutputStallCheck::Cancel()
{
    timer_.stop();
    confirmed_ = nullptr;
    stalled_ = nullptr;
}

void OutputStallCheck::poll()
{
    // A stall report stops the tone and reaches the loop, which cancels
    // this check, before the next look; a tone stopped otherwise leaves
    // nothing to wait for.
    const bool moving = !IsPlaying() || !PlayStallSuspected() || PlayFramesTaken() != framesAtBegin_;
    if (moving || since_.elapsed() >= kLimitMs) {
        // Taken out first: the procedure may begin a new check.
        auto confirmed = std::move(confirmed_);
        auto stalled = std::move(stalled_);
        Cancel();
        if (moving)
            confirmed();
        else
            stalled(WAVERR_OUTPUT_STALLED);
    }
}

} // namespace korvanta
