// What korvanta-measure costs on the virtual card in fast mode, where the
// device waits for nothing and only the program's own work is timed:
//
// BM_Sweep51Points: the sweep engine through a 51-point logarithmic sweep,
//   20 Hz .. 20 kHz, settle time 0 (each step: tone synthesis and start,
//   one recorded block of 50 periods, evaluation with phase).
// BM_ThdN16Averages: the analyzer engine through a single run of 16
//   averages at N = 16384 (16 blocks of 18432 frames) with THD+N.
// BM_StartToFirstRecord: the whole program as a script starts it (process
//   start, Qt, audio layer, settings) until the first recording has been
//   asked for; the aim is well under 100 ms.
//
//   build/bench/cli/bench_cli_measure
#include "AnalysisSettings.h"
#include "AnalyzerEngine.h"
#include "Soundd3.h"
#include "SweepEngine.h"
#include "Tdummy.h"
#include "VirtualCard.h"
#include "samplemem.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {
constexpr int kRate = 44100;

struct Layer {
    Tdummy dummy;
    Layer()
    {
        VirtualCard::instance().setFastMode(true);
        VirtualCard::instance().setDut(DutConfig{});
        int in = 0, out = 0;
        DeviceReport(in, out, Analyzer().InFormats);
        SoundInit();
        SetSampleRates(kRate, kRate);
        SetBits(16, 16);
    }
    ~Layer() { SoundDone(false); }
};

void BM_Sweep51Points(benchmark::State& state)
{
    Layer layer;
    SweepSettings s;
    s.fromFrequency = 20;
    s.toFrequency = 20000;
    s.steps = 50;
    s.settleMs = 0;
    s.mode = 0;
    s.phaseOn = true;
    TSweepEngine engine(s);
    QEventLoop loop;
    int points = 0;
    QObject::connect(&engine, &TSweepEngine::pointReady, [&] { ++points; });
    QObject::connect(&engine, &TSweepEngine::runningChanged, [&](bool running) {
        if (!running && !engine.AwaitingBlock())
            loop.quit();
    });
    for (auto _ : state) {
        points = 0;
        engine.Start();
        loop.exec();
    }
    state.counters["points"] = points;
}

void BM_ThdN16Averages(benchmark::State& state)
{
    Layer layer;
    AnalyzerState& a = Analyzer();
    AllocateWorkArrays(a);
    TAnalyzerEngine engine;
    a.AnalyzerActive = true;
    a.RunMode = 0;
    a.AverCount = 16;
    engine.SetFftSize(16384);
    Analysis().thdOn = true;
    QEventLoop loop;
    int shown = 0;
    QObject::connect(&engine, &TAnalyzerEngine::spectrumReady, [&] { ++shown; });
    QObject::connect(&engine, &TAnalyzerEngine::runningChanged, [&](bool running) {
        if (!running)
            loop.quit();
    });
    for (auto _ : state) {
        engine.Start();
        loop.exec();
    }
    Analysis().thdOn = false;
    a.AnalyzerActive = false;
    FreeWorkArrays(a);
    state.counters["spectra"] = shown;
    const double blocksSeconds = 16.0 * (16384 + 16384 / 8) / kRate;
    state.counters["recorded_audio_s"] = blocksSeconds;
}

void BM_StartToFirstRecord(benchmark::State& state)
{
    setenv("KORVANTA_EXIT_AT_FIRST_RECORD", "1", 1);
    setenv("KORVANTA_DUT", "fast=1", 1);
    char exe[] = KORVANTA_MEASURE_EXE;
    char command[] = "thdn";
    char virtualCard[] = "--virtual";
    char* argv[] = {exe, command, virtualCard, nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, exe, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start korvanta-measure");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("korvanta-measure did not reach its first recording");
            break;
        }
    }
    unsetenv("KORVANTA_EXIT_AT_FIRST_RECORD");
    unsetenv("KORVANTA_DUT");
}

} // namespace

BENCHMARK(BM_Sweep51Points)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThdN16Averages)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StartToFirstRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    qputenv("KORVANTA_AUDIO", "virtual");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
