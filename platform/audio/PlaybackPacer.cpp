#include "platform/audio/PlaybackPacer.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
// A real clock runs within a few hundred ppm of the system's; a device that
// plays faster than this is taken for one without a clock.
constexpr double kFastestClock = 1.01;

int waitFor(long long frames, double rate)
{
    const double ms = std::ceil(1000.0 * static_cast<double>(frames) / rate);
    return static_cast<int>(std::clamp(ms, 1.0, static_cast<double>(PlaybackPacer::kMaxWaitMs)));
}
} // namespace

PlaybackPacer::PlaybackPacer(double rate, long long capacity, long long period)
    : rate_(rate), capacity_(std::max(0LL, capacity)), period_(std::clamp(period, 1LL, std::max(1LL, capacity)))
{
}

PlaybackPacer::Step PlaybackPacer::next(double now, long long fill)
{
    if (followsDevice_ && (fill == kUnknownFill || capacity_ <= 0))
        followsDevice_ = false;
    if (followsDevice_) {
        // More played than real time allows, beyond a whole buffer that a
        // sound server may take at once: there is no clock behind it.
        const double played = static_cast<double>(written_ - fill);
        if (played > rate_ * now * kFastestClock + 2.0 * static_cast<double>(capacity_)) {
            // The wall clock counts from the start, so the frames it took
            // ahead are made up for by waiting.
            followsDevice_ = false;
        }
    }
    return followsDevice_ ? byDevice(now, fill) : byWallClock(now);
}

// Keep the buffer full to within one period: top it up once a period is
// free (at the start, and after the device ran dry, it is filled whole, which
// is also what a sound server waits for before it starts).
PlaybackPacer::Step PlaybackPacer::byDevice(double, long long fill)
{
    const long long room = capacity_ - std::clamp(fill, 0LL, capacity_);
    if (room >= period_)
        return {room, 0};
    return {0, waitFor(period_ - room, rate_)};
}

PlaybackPacer::Step PlaybackPacer::byWallClock(double now)
{
    const double allowed = static_cast<double>(writtenAtBase_) + rate_ * (now - wallBase_) + rate_ * kLeadMs / 1000.0;
    const long long ahead = written_ - static_cast<long long>(allowed);
    if (ahead < 0)
        return {-ahead, 0};
    return {0, waitFor(ahead + 1, rate_)};
}

void PlaybackPacer::deviceFull(double now)
{
    if (followsDevice_)
        return; // its fill already says so
    wallBase_ = now;
    writtenAtBase_ = written_;
}

} // namespace korvanta
