// The sweep's step loop and its block evaluation.
//
// BM_RealTimeSweep runs a 51-point logarithmic sweep from 20 Hz to 20 kHz
// with 100 ms settle time on the virtual card in real time and compares the
// total time with the limit: the sum over the steps of the settle time and
// the recorded block's duration. The difference per step is the loop's own
// overhead (tone synthesis and start, device open and close, evaluation,
// event round trips).
//
// BM_EvaluateBlock times the evaluation of the longest block (32766 frames
// at 20 Hz): mean magnitudes and the band-passed phase.
#include "bench/support/BenchMain.h"
#include "bench/support/BenchSoundLayer.h"
#include "generator/SweepEngine.h"
#include "generator/SweepEvaluation.h"
#include "generator/SweepPlan.h"
#include "audio/Soundd3.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "correction/CorrectionTable.h"

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

namespace {
constexpr int kRate = 44100;

void BM_RealTimeSweep(benchmark::State& state)
{
    VirtualCard::instance().setFastMode(false);
    BenchSoundLayer layer(kRate);
    SweepSettings s;
    s.fromFrequency = 20;
    s.toFrequency = 20000;
    s.steps = static_cast<int32_t>(state.range(0)) - 1;
    s.settleMs = static_cast<int32_t>(state.range(1));
    s.linear = false;
    s.mode = 0;
    TSweepEngine engine(s, kNoCorrection, kNoCorrection);
    double limitSeconds = 0.0;
    for (int k = 0; k <= s.steps; ++k) {
        const float f = StepFrequency(s.fromFrequency, s.toFrequency, s.steps, k, false);
        limitSeconds += s.settleMs / 1000.0 + double(CaptureFrames(f, kRate, 16)) / kRate;
    }
    QEventLoop loop;
    int points = 0;
    QObject::connect(&engine, &TSweepEngine::pointReady, [&] { ++points; });
    QObject::connect(&engine, &TSweepEngine::stopped, &loop, &QEventLoop::quit);
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        points = 0;
        QElapsedTimer t;
        t.start();
        engine.Start();
        loop.exec();
        const double seconds = t.nsecsElapsed() / 1e9;
        state.counters["points"] = points;
        ReportRealTimeOverhead(state, seconds, limitSeconds, s.steps + 1);
    }
}

void BM_EvaluateBlock(benchmark::State& state)
{
    const int frames = CaptureFrames(20.0f, kRate, 16);
    std::vector<float> block(2 * static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double w = 2 * std::numbers::pi * 20.0 * i / kRate;
        block[2 * i] = float(0.5 * std::sin(w - 0.3));
        block[2 * i + 1] = float(0.5 * std::sin(w));
    }
    std::vector<float> work(block.size());
    QElapsedTimer t;
    t.start();
    int64_t n = 0;
    for (auto _ : state) {
        const MeanMagnitudes m = MeanOfMagnitudes(block.data(), frames);
        std::copy(block.begin(), block.end(), work.begin());
        benchmark::DoNotOptimize(m);
        benchmark::DoNotOptimize(BandPassPhase(work.data(), frames, kRate, 20.0, kLeftReference));
        ++n;
    }
    const double perBlock = t.nsecsElapsed() / 1e9 / std::max<int64_t>(n, 1);
    state.counters["share_of_block_pct"] = 100.0 * perBlock / (double(frames) / kRate);
}
} // namespace

BENCHMARK(BM_EvaluateBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RealTimeSweep)->ArgNames({"points", "settle_ms"})->Args({51, 100})->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunBenchmarksOnVirtualCard(argc, argv, "lpr=1000"); }
