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
#include "app/MeasuringRecords.h"
#include "correction/CorrectionTable.h"
#include "bench/support/BenchMain.h"
#include "measure/AnalyzerEngine.h"
#include "audio/Soundd3.h"
#include "generator/SweepEngine.h"
#include "audio/Tdummy.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "measure/samplemem.h"

#include <QEventLoop>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

using namespace korvanta;

// No correction, no weighting: what is measured is what the card hears.
const CorrectionTable kNoCorrection{};

extern char** environ;

namespace {
constexpr int kRate = 44100;

struct Layer {
    Tdummy dummy;
    MeasuringRecords records;
    Layer()
    {
        VirtualCard::instance().setFastMode(true);
        VirtualCard::instance().setDut(DutConfig{});
        int in = 0, out = 0;
        DeviceReport(in, out, records.analyzer.InFormats);
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
    TSweepEngine engine(s, kNoCorrection, kNoCorrection);
    QEventLoop loop;
    int points = 0;
    QObject::connect(&engine, &TSweepEngine::pointReady, [&] { ++points; });
    QObject::connect(&engine, &TSweepEngine::stopped, &loop, &QEventLoop::quit);
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
    MeasuringRecords& r = layer.records;
    AnalyzerState& a = r.analyzer;
    AllocateWorkArrays(a);
    TAnalyzerEngine engine(a, r.analysis, r.weighting, r.inputCorrection);
    a.AnalyzerActive = true;
    a.RunMode = 0;
    a.AverCount = 16;
    engine.SetFftSize(16384);
    r.analysis.thdOn = true;
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
    a.AnalyzerActive = false;
    FreeWorkArrays(a);
    state.counters["spectra"] = shown;
    const double blocksSeconds = 16.0 * (16384 + 16384 / 8) / kRate;
    state.counters["recorded_audio_s"] = blocksSeconds;
}

int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// One start of the program: the time from the spawn to the first recording
// requested, as the program reports it; -1 when it did not get there.
double startToFirstRecordMs()
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char exe[] = KORVANTA_MEASURE_EXE;
    char command[] = "thdn";
    char virtualCard[] = "--virtual";
    char* argv[] = {exe, command, virtualCard, nullptr};
    pid_t pid = 0;
    const int64_t start = monotonicNs();
    const int rc = posix_spawn(&pid, exe, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char text[128] = {};
    const ssize_t n = rc == 0 ? read(out[0], text, sizeof text - 1) : -1;
    close(out[0]);
    int status = 0;
    if (rc == 0)
        waitpid(pid, &status, 0);
    long long at = 0;
    if (n <= 0 || std::sscanf(text, "first-record %lld", &at) != 1)
        return -1;
    return (at - start) / 1e6;
}

void BM_StartToFirstRecord(benchmark::State& state)
{
    setenv("KORVANTA_EXIT_AT_FIRST_RECORD", "1", 1);
    setenv("KORVANTA_DUT", "fast=1", 1);
    for (auto _ : state) {
        const double ms = startToFirstRecordMs();
        if (ms < 0) {
            state.SkipWithError("korvanta-measure did not report its first recording");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
    }
    unsetenv("KORVANTA_EXIT_AT_FIRST_RECORD");
    unsetenv("KORVANTA_DUT");
}

} // namespace

BENCHMARK(BM_Sweep51Points)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThdN16Averages)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StartToFirstRecord)->Unit(benchmark::kMillisecond)->UseManualTime();

int main(int argc, char** argv) { return RunBenchmarksOnVirtualCard(argc, argv); }
