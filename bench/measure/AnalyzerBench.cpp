// The analyzer's block processing and its update rate.
//
// BM_ProcessBlock times one block at N = 16384 and 44.1 kHz with both
// channels: copy, two transforms, averaging, level conversion, input
// correction and the 8192 points handed to the diagram. The repaint is a
// deferred paint and is timed by the diagram's own render benchmark. The
// share of the block's duration (18432 frames = 418 ms) is printed as a
// counter.
//
// BM_UpdateRate runs the analyzer continuously on the virtual card in real
// time and compares the blocks shown per second with the limit
// fs / (N + N/8) of back-to-back recording.
#include "app/ui/ProgramRecords.h"
#include "analysis/AnalysisSettings.h"
#include "measure/AnalyzerLogic.h"
#include "measure/ui/AnalyzerPage.h"
#include "bench/support/AnalyzerRig.h"
#include "bench/support/BenchMain.h"
#include "diagram/ui/Diagr3.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "measure/samplemem.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

using namespace korvanta;

namespace {
constexpr int kRate = 44100;

std::vector<float> stereoBlock(int frames)
{
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0.0f, 1e-4f);
    std::vector<float> block(2 * frames);
    for (int i = 0; i < frames; ++i) {
        const float s = 0.5f * std::sin(2 * std::numbers::pi_v<float> * 997.0f * i / kRate);
        block[2 * i] = s + noise(rng);
        block[2 * i + 1] = 0.7f * s + noise(rng);
    }
    return block;
}

void BM_ProcessBlock(benchmark::State& state)
{
    AnalyzerRig rig;
    AnalyzerState& a = Analyzer();
    const int N = 16384;
    rig.page.FFTpointsgroup->setItemIndex(3);
    a.AverCount = static_cast<int>(state.range(0));
    a.AverLeft = a.AverCount;
    a.Running = true;
    Analysis().thdOn = state.range(1) != 0;
    const std::vector<float> block = stereoBlock(BlockFrames(N));
    QElapsedTimer t;
    t.start();
    int64_t n = 0;
    for (auto _ : state) {
        rig.page.ProcessBlock(block.data(), static_cast<int>(block.size()), 0);
        ++n;
    }
    const double perBlock = t.nsecsElapsed() / 1e9 / std::max<int64_t>(n, 1);
    a.Running = false;
    Analysis().thdOn = false;
    const double blockSeconds = double(BlockFrames(N)) / kRate;
    state.counters["share_of_block_pct"] = 100.0 * perBlock / blockSeconds;
}

void BM_UpdateRate(benchmark::State& state)
{
    VirtualCard::instance().setFastMode(false);
    auto rig = std::make_unique<AnalyzerRig>();
    MeasureUpdateRate(state, *rig, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
}
} // namespace

BENCHMARK(BM_ProcessBlock)->ArgNames({"averages", "thd"})->Args({1, 0})->Args({4, 0})->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpdateRate)->ArgNames({"N", "blocks"})->Args({2048, 40})->Args({16384, 12})
    ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunBenchmarksOnVirtualCard(argc, argv); }
