// The distortion run's step loop and its block measurement.
//
// BM_RealTimeLevelRun runs 30 steps over level (no limit, so no fine steps)
// on the virtual card in real time and compares the total time with the
// limit: per step the settle time plus the recorded block's duration. The
// rest is the loop's own overhead (tone synthesis and start, device open
// and close, the measurement, event round trips).
//
// BM_MeasureBlock times the measurement of one 16384-frame block: window,
// transform, harmonics and THD+N.
//
//   build/bench/distortion/bench_distortion
#include "bench/support/BenchMain.h"
#include "bench/support/BenchSoundLayer.h"
#include "distortion/DistortionEngine.h"
#include "audio/Soundd3.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "correction/CorrectionTable.h"
#include "analysis/AnalysisSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace korvanta;

// No correction, no weighting: what is measured is what the card hears.
const CorrectionTable kNoCorrection{};
const AnalysisSettings kAnalysis{};

namespace {
constexpr int kRate = 44100;

void BM_RealTimeLevelRun(benchmark::State& state)
{
    VirtualCard::instance().setFastMode(false);
    BenchSoundLayer layer(kRate);
    DistortionSettings s;
    s.levels = {-30.0, 0.0, static_cast<int>(state.range(0)) - 1, LevelSpacing::Decibel, 0.0};
    s.settleMs = static_cast<int>(state.range(1));
    const int steps = s.levels.steps + 1;
    const double limitSeconds = steps * (s.settleMs / 1000.0 + double(TDistortionEngine::kFrames) / kRate);
    TDistortionEngine engine(kAnalysis, kNoCorrection, kNoCorrection);
    QEventLoop loop;
    int points = 0;
    QObject::connect(&engine, &TDistortionEngine::pointReady, [&] { ++points; });
    QObject::connect(&engine, &TDistortionEngine::stopped, &loop, &QEventLoop::quit);
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        points = 0;
        QElapsedTimer t;
        t.start();
        if (!engine.Start(s)) {
            state.SkipWithError("no usable devices");
            break;
        }
        loop.exec();
        const double seconds = t.nsecsElapsed() / 1e9;
        state.counters["points"] = points;
        ReportRealTimeOverhead(state, seconds, limitSeconds, steps);
    }
}

void BM_MeasureBlock(benchmark::State& state)
{
    constexpr int n = TDistortionEngine::kFrames;
    std::vector<float> block(2 * n);
    for (int i = 0; i < n; ++i) {
        const double x = 0.5 * std::sin(2 * std::numbers::pi * 1000.0 * i / kRate);
        block[2 * i] = block[2 * i + 1] = float(x + 0.01 * x * x * x);
    }
    const DistortionSettings s;
    const AnalysisSettings analysis;
    const CorrectionTable none;
    QElapsedTimer t;
    t.start();
    int64_t count = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MeasureDistortionBlock(block.data(), n, kRate, s, -6.0, 1000.0, analysis, none));
        ++count;
    }
    const double perBlock = t.nsecsElapsed() / 1e9 / std::max<int64_t>(count, 1);
    state.counters["share_of_block_pct"] = 100.0 * perBlock / (double(n) / kRate);
}
} // namespace

BENCHMARK(BM_MeasureBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RealTimeLevelRun)->ArgNames({"steps", "settle_ms"})->Args({30, 200})->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunBenchmarksOnVirtualCard(argc, argv, "k3=0.01"); }
