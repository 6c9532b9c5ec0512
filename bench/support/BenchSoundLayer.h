#pragma once
// The sound layer as the real-time benchmarks use it: opened with the device
// list read, at one rate and 16 bits, and closed when the benchmark ends;
// and the counters those benchmarks report, so that every loop's overhead
// is stated the same way.

#include "audio/Tdummy.h"

using namespace korvanta;

namespace benchmark {
class State;
}

class BenchSoundLayer {
public:
    explicit BenchSoundLayer(int rate);
    ~BenchSoundLayer();
    BenchSoundLayer(const BenchSoundLayer&) = delete;
    BenchSoundLayer& operator=(const BenchSoundLayer&) = delete;

    bool ok() const { return initResult_ == 0; }

private:
    Tdummy dummy_;   // the sound layer's event target, as the main window has one
    int initResult_ = -1;
};

// A run of `steps` steps that took `seconds` against the sum of its settle
// and record times, `limitSeconds`: total, limit, overhead per step and in
// per cent of the limit.
void ReportRealTimeOverhead(benchmark::State& state, double seconds, double limitSeconds, int steps);
