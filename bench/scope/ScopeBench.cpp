// The oscilloscope's speed: frames per second of the frame loop on the
// virtual card in real time against the limit rate / frameLength (each
// frame is one recording, so no loop can beat it), at 1 ms and 10 ms per
// division; and the display window's render time for 1224 points (10 ms per
// division) with both curves.
//
//   build/bench/scope/bench_scope

#include "bench/support/BenchMain.h"
#include "bench/support/RateClock.h"
#include "scope/OscilloscopeSettings.h"
#include "scope/ui/Oszidia1.h"
#include "scope/ScopeEngine.h"
#include "scope/ScopeTables.h"
#include "audio/Soundd3.h"
#include "audio/Tdummy.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

using namespace korvanta;

namespace {
void BM_FrameRate(benchmark::State& state)
{
    const int timebase = int(state.range(0));
    const int frames = int(state.range(1));
    VirtualCard::instance().setFastMode(false);
    Tdummy dummy;
    SoundInit();
    int in = 0, out = 0, formats = 0;
    DeviceReport(in, out, formats);
    SetBits(16, 16);
    OscilloscopeSettings settings;
    settings.timebaseIndex = timebase;
    TOszidia display;
    ScopeEngine engine(settings);
    engine.SetDisplay(&display);

    RateClock clock(&engine, &ScopeEngine::frameShown, frames);
    for (auto _ : state) {
        double seconds = 0.0;
        clock.run([&engine] { engine.Enter(1.5f, true); }, 120000, seconds);
        engine.Leave();
        ReportRate(state, "frames", seconds, clock.rate(), double(settings.sampleRate) / settings.frameLength);
    }
    SoundDone();
}

void BM_Render(benchmark::State& state)
{
    constexpr int kPoints = 1224;
    TOszidia display;
    display.resize(int(state.range(0)), int(state.range(1)));
    display.SetupOszi(QString(), kPoints, false, 1.0f, 0.0f, 0.1f, 0.0f, 8.0f);
    for (int j = 0; j < kPoints; ++j) {
        const double ph = 2 * 3.14159265358979 * j / 110.0;
        display.StorePoint(j, true, 2.0f, 6.0f, 0.1f, 0.1f, float(j / 11025.0), float(2.0 + 1.5 * std::cos(ph)),
                           float(6.0 + 1.5 * std::sin(ph)));
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(display.Picture());
}
} // namespace

BENCHMARK(BM_FrameRate)->ArgNames({"timebase", "frames"})->Args({6, 100})->Args({9, 30})
    ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->ArgNames({"w", "h"})->Args({260, 309})->Args({1024, 768})->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return RunBenchmarksOnVirtualCard(argc, argv); }
