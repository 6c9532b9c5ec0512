#include "audio/RunEstimate.h"

#include <algorithm>
#include <numeric>

namespace korvanta {

namespace {
constexpr int kMsPerSecond = 1000;
constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;
} // namespace

int StepDurationMs(int settleMs, int frames, int rate)
{
    const int settle = std::max(settleMs, 0);
    if (rate <= 0 || frames <= 0)
        return settle;
    // Rounded up: a block is not complete before its last frame came in.
    return settle + int((int64_t(frames) * kMsPerSecond + rate - 1) / rate);
}

int TimeLeftMs(const RunEstimate& e, int done)
{
    const int from = std::clamp(done, 0, e.Steps());
    return std::accumulate(e.stepMs.begin() + from, e.stepMs.end(), 0);
}

QString DurationText(int ms)
{
    const int seconds = (std::max(ms, 0) + kMsPerSecond - 1) / kMsPerSecond;
    const int hours = seconds / kSecondsPerHour;
    const int minutes = seconds % kSecondsPerHour / kSecondsPerMinute;
    const QString secs = QStringLiteral("%1").arg(seconds % kSecondsPerMinute, 2, 10, QLatin1Char('0'));
    if (hours > 0)
        return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(secs);
    return QStringLiteral("%1:%2").arg(minutes).arg(secs);
}

} // namespace korvanta
