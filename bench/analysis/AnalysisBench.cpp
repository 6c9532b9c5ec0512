// THD+N and band level of one channel at the analyzer's FFT sizes, without
// weighting and with the A-weighting curve (one spline lookup, logarithm and
// power per bin). The analyzer runs one of them per channel and displayed
// spectrum, so both channels cost twice the figure shown.
#include "analysis/SpectrumAnalysis.h"
#include "analysis/WeightingCurves.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace korvanta;

namespace {
std::vector<float> spectrum(int n)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(0.0f, 1e-3f);
    std::vector<float> v(n / 2);
    for (float& x : v)
        x = u(rng);
    v[n / 40] = 0.3f;
    return v;
}

void run(benchmark::State& state, const char* weighting, bool thd)
{
    const int n = static_cast<int>(state.range(0));
    AnalysisSettings s;
    s.fftPoints = n;
    CorrectionTable curve;
    SelectFilter(s, curve, weighting);
    const std::vector<float> spec = spectrum(n);
    for (auto _ : state) {
        const double r = thd ? ThdPlusNoise(s, curve, spec, kDbFactor) : BandLevel(s, curve, spec, 0.0, kDbFactor);
        benchmark::DoNotOptimize(r);
    }
}

void BM_ThdPlainBins(benchmark::State& state) { run(state, "none", true); }
void BM_ThdAWeighted(benchmark::State& state) { run(state, "A Weighting", true); }
void BM_LevelAWeighted(benchmark::State& state) { run(state, "A Weighting", false); }
} // namespace

BENCHMARK(BM_ThdPlainBins)->RangeMultiplier(2)->Range(2048, 16384)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThdAWeighted)->RangeMultiplier(2)->Range(2048, 16384)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LevelAWeighted)->Arg(16384)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
