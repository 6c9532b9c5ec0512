// The impulse response's run on the virtual card in real time, against the
// stepped sweep of the same device.
//
// BM_RealTimeIr plays a 1 s sweep (20 Hz … 20 kHz, half a second of tail)
// at 48 kHz, the whole run from Start() to stopped(): the output's start,
// the silence until the input delivers, the sweep and its tail (the
// recording ends with them) and the analysis. The limit is
// the sweep plus its tail; the overhead is the rest.
//
// BM_RealTimeSteppedSweep measures the same device (lp=5000 hp=50) with
// the stepped sweep over the band the impulse response holds at full level,
// at 31 points with 1 ms settle time, for the ratio of the two run times.
//
//   build/bench/ir/bench_ir_engine
#include "bench/support/BenchMain.h"
#include "bench/support/BenchSoundLayer.h"
#include "correction/CorrectionTable.h"
#include "generator/SweepEngine.h"
#include "generator/SweepPlan.h"
#include "ir/IrEngine.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cmath>

using namespace korvanta;

namespace {
constexpr int kRate = 48000;
constexpr int kGiveUpMs = 300000;

IrSettings OneSecond()
{
    IrSettings s;
    s.sweep = DefaultSweep(kRate);
    s.sweep.seconds = 1.0;
    return s;
}

void BM_RealTimeIr(benchmark::State& state)
{
    VirtualCard::instance().setFastMode(false);
    BenchSoundLayer layer(kRate);
    CorrectionTable in, out;
    IrEngine engine(in, out);
    const IrSettings settings = OneSecond();
    const double limitSeconds = double(settings.sweep.PeriodFrames()) / kRate;
    QEventLoop loop;
    int results = 0;
    QObject::connect(&engine, &IrEngine::measured, [&] { ++results; });
    QObject::connect(&engine, &MeasuringEngine::stopped, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        results = 0;
        QElapsedTimer t;
        t.start();
        if (!engine.Start(settings)) {
            state.SkipWithError(qPrintable(engine.StartRefusal()));
            return;
        }
        QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);
        loop.exec();
        const double seconds = t.nsecsElapsed() / 1e9;
        state.counters["results"] = results;
        ReportRealTimeOverhead(state, seconds, limitSeconds, 1);
    }
}

void BM_RealTimeSteppedSweep(benchmark::State& state)
{
    VirtualCard::instance().setFastMode(false);
    BenchSoundLayer layer(kRate);
    const IrSweep sweep = OneSecond().sweep;
    SweepSettings s;
    s.fromFrequency = static_cast<int32_t>(std::ceil(FullLevelLowHz(sweep)));
    s.toFrequency = static_cast<int32_t>(std::floor(FullLevelHighHz(sweep)));
    s.steps = static_cast<int32_t>(state.range(0)) - 1;
    s.settleMs = static_cast<int32_t>(state.range(1));
    s.linear = false;
    s.mode = 2;
    const CorrectionTable none{};
    TSweepEngine engine(s, none, none);
    double limitSeconds = 0.0;
    for (int k = 0; k <= s.steps; ++k) {
        const float f = StepFrequency(s.fromFrequency, s.toFrequency, s.steps, k, false);
        limitSeconds += s.settleMs / 1000.0 + double(CaptureFrames(f, kRate, 16)) / kRate;
    }
    QEventLoop loop;
    int points = 0;
    QObject::connect(&engine, &TSweepEngine::pointReady, [&] { ++points; });
    QObject::connect(&engine, &TSweepEngine::stopped, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        points = 0;
        QElapsedTimer t;
        t.start();
        engine.Start();
        QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);
        loop.exec();
        const double seconds = t.nsecsElapsed() / 1e9;
        state.counters["points"] = points;
        ReportRealTimeOverhead(state, seconds, limitSeconds, s.steps + 1);
    }
}
} // namespace

BENCHMARK(BM_RealTimeIr)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealTimeSteppedSweep)->ArgNames({"points", "settle_ms"})->Args({31, 1})->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunBenchmarksOnVirtualCard(argc, argv, "lp=5000 hp=50"); }
