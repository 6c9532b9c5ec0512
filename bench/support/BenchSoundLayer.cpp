#include "bench/support/BenchSoundLayer.h"

#include "audio/Soundd3.h"

#include <benchmark/benchmark.h>

using namespace korvanta;

BenchSoundLayer::BenchSoundLayer(int rate)
{
    initResult_ = SoundInit();
    int in = 0, out = 0, formats = 0;
    DeviceReport(in, out, formats);
    SetSampleRates(rate, rate);
    SetBits(16, 16);
}

BenchSoundLayer::~BenchSoundLayer() { SoundDone(); }

void ReportRealTimeOverhead(benchmark::State& state, double seconds, double limitSeconds, int steps)
{
    state.SetIterationTime(seconds);
    state.counters["limit_s"] = limitSeconds;
    state.counters["total_s"] = seconds;
    state.counters["overhead_per_step_ms"] = 1000.0 * (seconds - limitSeconds) / steps;
    state.counters["overhead_%_of_limit"] = 100.0 * (seconds - limitSeconds) / limitSeconds;
}
