// The deconvolution of one 10 s sweep with half a second of tail, at 48 and
// 96 kHz: the recording's and the sweep's spectra in one long transform,
// the regularised division, the inverse transform (the program's own
// double-precision transform at 2^19 and 2^20 points). Then the peak and
// the fundamental's response, which a measurement adds.
//
//   build/bench/ir/bench_ir_deconvolve
#include "ir/IrDeconvolve.h"
#include "ir/IrPeak.h"
#include "ir/IrResponse.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace korvanta;

namespace {

IrSweep TenSeconds(int rate)
{
    IrSweep s = DefaultSweep(rate);
    s.seconds = 10.0;
    return s;
}

// The sweep itself delayed by 100 samples stands for the recording.
std::vector<float> Recording(const std::vector<double>& played)
{
    std::vector<float> r(played.size(), 0.0f);
    for (size_t i = 100; i < played.size(); ++i)
        r[i] = static_cast<float>(played[i - 100]);
    return r;
}

void BM_Deconvolve(benchmark::State& state)
{
    const IrSweep sweep = TenSeconds(static_cast<int>(state.range(0)));
    const std::vector<double> played = SweepSamples(sweep);
    const std::vector<float> recording = Recording(played);
    for (auto _ : state) {
        const ImpulseResponse ir = Deconvolve(recording, played, sweep);
        benchmark::DoNotOptimize(ir.h.data());
    }
    state.counters["points"] = static_cast<double>(Deconvolve(recording, played, sweep).size());
}

void BM_PeakAndResponse(benchmark::State& state)
{
    const IrSweep sweep = TenSeconds(static_cast<int>(state.range(0)));
    const std::vector<double> played = SweepSamples(sweep);
    const ImpulseResponse ir = Deconvolve(Recording(played), played, sweep);
    for (auto _ : state) {
        const IrPeak peak = FindPeak(ir);
        const IrResponse r = ResponseOf(ir, FundamentalGate(ir, peak));
        benchmark::DoNotOptimize(r.h.data());
    }
}

BENCHMARK(BM_Deconvolve)->Arg(48000)->Arg(96000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakAndResponse)->Arg(48000)->Arg(96000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
