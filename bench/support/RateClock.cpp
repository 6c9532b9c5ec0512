#include "bench/support/RateClock.h"

#include <benchmark/benchmark.h>
#include <string>

void RateClock::tick()
{
    ++shown_;
    if (first_ < 0) {
        first_ = shown_;
        clock_.start();
    } else if (shown_ >= first_ + count_) {
        loop_.quit();
    }
}

bool RateClock::run(const std::function<void()>& start, int timeoutMs, double& seconds)
{
    shown_ = 0;
    first_ = -1;
    timeout_.start(timeoutMs);
    start();
    loop_.exec();
    timeout_.stop();
    seconds_ = seconds = first_ < 0 ? 0.0 : clock_.nsecsElapsed() / 1e9;
    return first_ >= 0 && shown_ >= first_ + count_;
}

double RateClock::rate() const { return first_ < 0 || seconds_ <= 0 ? 0.0 : (shown_ - first_) / seconds_; }

void ReportRate(benchmark::State& state, const char* what, double seconds, double rate, double limit)
{
    state.SetIterationTime(seconds);
    state.counters[std::string(what) + "_per_s"] = rate;
    state.counters["limit_per_s"] = limit;
    state.counters["of_limit_%"] = 100.0 * rate / limit;
}
