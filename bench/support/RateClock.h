#pragma once
// The rate of a signal in a real event loop, as in the program (a polling
// wait would add its own delay to every emission): the first emission only
// starts the clock, the loop ends after `count` more, and the rate is
// reported against a limit.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <functional>

namespace benchmark {
class State;
}

class RateClock {
public:
    template <typename Sender, typename Signal>
    RateClock(const Sender* sender, Signal signal, int count) : count_(count)
    {
        QObject::connect(sender, signal, &loop_, [this] { tick(); });
        timeout_.setSingleShot(true);
        QObject::connect(&timeout_, &QTimer::timeout, &loop_, &QEventLoop::quit);
    }

    // Runs `start`, waits up to timeoutMs for the emissions and returns the
    // seconds from the first to the last; false when they did not all come.
    bool run(const std::function<void()>& start, int timeoutMs, double& seconds);
    // Emissions per second of the last run.
    double rate() const;

private:
    void tick();

    QEventLoop loop_;
    QTimer timeout_;
    QElapsedTimer clock_;
    int count_;
    int shown_ = 0;
    int first_ = -1;
    double seconds_ = 0.0;
};

// Sets the iteration time and the counters <what>_per_s, limit_per_s and
// of_limit_%.
void ReportRate(benchmark::State& state, const char* what, double seconds, double rate, double limit);
