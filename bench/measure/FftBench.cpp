// FftMagnitude beside FFTW single precision (real-to-complex plus
// magnitudes) at the analyzer's FFT sizes. After the benchmarks the program
// prints the time ratio ours / FFTW for every size.
#include "measure/FFtuli.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace korvanta;

namespace {
// This file's window table and work array (each analyzer has its own).
FftWorkspace& fft()
{
    static FftWorkspace workspace;
    return workspace;
}
} // namespace

namespace {
std::vector<float> noise(int n)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (float& x : v)
        x = u(rng);
    return v;
}

void BM_FftMagnitude(benchmark::State& state)
{
    const int N = static_cast<int>(state.range(0));
    fft().MakeWindow(8, N);
    const std::vector<float> input = noise(N);
    std::vector<float> x(N);
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), x.begin());
        fft().Magnitude(x.data(), N);
        benchmark::DoNotOptimize(x.data());
    }
}

void BM_Fftw(benchmark::State& state)
{
    const int N = static_cast<int>(state.range(0));
    fft().MakeWindow(8, N);
    const float* w = fft().Window();
    const std::vector<float> input = noise(N);
    float* in = fftwf_alloc_real(N);
    fftwf_complex* out = fftwf_alloc_complex(N / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(N, in, out, FFTW_MEASURE);
    std::vector<float> mag(N / 2);
    for (auto _ : state) {
        // Same work as FftMagnitude: window, transform, magnitudes.
        for (int i = 0; i < N; ++i)
            in[i] = input[i] * w[i];
        fftwf_execute(plan);
        const float scale = 1.0f / N;
        for (int i = 0; i < N / 2; ++i)
            mag[i] = std::sqrt(out[i][0] * out[i][0] + out[i][1] * out[i][1]) * scale;
        benchmark::DoNotOptimize(mag.data());
    }
    fftwf_destroy_plan(plan);
    fftwf_free(in);
    fftwf_free(out);
}

BENCHMARK(BM_FftMagnitude)->RangeMultiplier(2)->Range(2048, 16384)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Fftw)->RangeMultiplier(2)->Range(2048, 16384)->Unit(benchmark::kMicrosecond);

// Collects the CPU time per run so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the median wins; a single run stands for itself.
        for (const Run& r : runs) {
            const std::string name = r.run_name.str();
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                medians_[name] = r.GetAdjustedCPUTime();
            else if (r.run_type == Run::RT_Iteration)
                times_[name] = r.GetAdjustedCPUTime();
        }
    }
    void printRatios()
    {
        for (const auto& [name, t] : medians_)
            times_[name] = t;
        std::printf("\nFftMagnitude / FFTW (CPU time ratio)\n");
        for (int N = 2048; N <= 16384; N *= 2) {
            const auto ours = times_.find("BM_FftMagnitude/" + std::to_string(N));
            const auto fftw = times_.find("BM_Fftw/" + std::to_string(N));
            if (ours != times_.end() && fftw != times_.end())
                std::printf("  N = %5d: %6.2f x  (%.1f us vs %.1f us)\n", N, ours->second / fftw->second,
                            ours->second, fftw->second);
        }
    }

private:
    std::map<std::string, double> times_;
    std::map<std::string, double> medians_;
};
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
