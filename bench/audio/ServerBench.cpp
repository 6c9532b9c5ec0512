// Korvanta on a real sound server of its own, the tests' (a PulseAudio or,
// with KORVANTA_TEST_SERVER=pipewire, a PipeWire daemon with a loop whose
// input hears its output, tests/support/SoundServer.h); scripts/server-bench.sh
// runs it on both.
//
// BM_ServerUpdateRate runs the analyzer continuously on ALSA's "default"
// while the generator plays into the server (a loopback measurement), and
// compares the spectra shown per second with fs / (N + N/8), the limit of
// back-to-back recording. (With nothing playing, the server's idle sink may
// take up to two seconds to serve each block's new stream.) Each block's
// time is split into waiting for the request, recording, waiting for the
// last frame and processing (bench/support/BlockTiming.h), in milliseconds
// per block.
//
// BM_ServerRoundTrip plays a click into the server and finds it in what
// comes back: the loop's latency from the frame written to the frame read,
// with the input already running (as a measurement's is).
//
// BM_GeneratorIntoServer plays a sine with the playback engine for
// KORVANTA_PLAY_SECONDS (default 20) and reports the underruns the device
// log counted, the faults, and the frames played against the time taken.
#include "bench/support/AnalyzerRig.h"
#include "bench/support/BenchMain.h"
#include "bench/support/BlockTiming.h"
#include "platform/audio/alsa/AlsaBackend.h"
#include "platform/DeviceLog.h"
#include "audio/Soundd3.h"
#include "audio/SoundLayer.h"
#include "audio/Tdummy.h"
#include "measure/samplemem.h"
#include "tests/audio/PathLoopback.h"
#include "tests/support/SoundServer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace korvanta;

namespace {
constexpr int kRate = 44100;

// Blocks that only start the run, left out of the breakdown.
constexpr int kStartBlocks = 3;

void BM_ServerUpdateRate(benchmark::State& state)
{
    BlockTimingLog log;
    TimedBackend timed(AlsaBackend::instance(), log);
    SetAudioBackendForTests(&timed);
    auto rig = std::make_unique<AnalyzerRig>();
    QObject::connect(&rig->page, &TAnalyzerPage::spectrumShown, [&log] { log.shown(); });
    GeneratorSettings tone;
    tone.levelLeft = tone.levelRight = -10;
    StartPlay(tone, -1, 1000.0f);
    log.clear();
    MeasureUpdateRate(state, *rig, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    StopPlay();
    ReportBlockBreakdown(state, log.blocks(), kRate, kStartBlocks);
    rig.reset();
    SetAudioBackendForTests(nullptr);
}

// One-shots per run of the round trip: the loop's latency varies with where
// in the server's period the first frame lands.
constexpr int kRoundTrips = 8;
constexpr double kRoundTripStretchSeconds = 1.5;
constexpr double kRoundTripShotSeconds = 0.5;
constexpr double kRoundTripLeadSeconds = 0.3;

// The one-shot's place in the recorded stretch against the frame count the
// recorder had read when its first frame was handed to the output: the
// delay a user measures between what the program plays and what it hears.
void BM_ServerRoundTrip(benchmark::State& state)
{
    SetAudioBackendForTests(&AlsaBackend::instance());
    for (auto _ : state) {
        std::vector<double> ms;
        for (int i = 0; i < kRoundTrips; ++i) {
            const pathtest::LoopbackResult r = pathtest::RecordOneShot(
                0, 0, MakeWaveFormat(kRate, 16), kRoundTripStretchSeconds, kRoundTripShotSeconds, kRoundTripLeadSeconds);
            if (!r.recorded || r.heard < 0 || r.marked < 0) {
                state.SkipWithError("the one-shot was not heard (no server?)");
                break;
            }
            ms.push_back(1000.0 * double(r.heard - r.marked) / kRate);
        }
        if (ms.empty())
            break;
        std::sort(ms.begin(), ms.end());
        double sum = 0;
        for (double m : ms)
            sum += m;
        state.counters["latency_ms"] = sum / double(ms.size());
        state.counters["min_ms"] = ms.front();
        state.counters["max_ms"] = ms.back();
    }
    SetAudioBackendForTests(nullptr);
}

void BM_GeneratorIntoServer(benchmark::State& state)
{
    const int seconds = qEnvironmentVariableIntValue("KORVANTA_PLAY_SECONDS") > 0
        ? qEnvironmentVariableIntValue("KORVANTA_PLAY_SECONDS")
        : 20;
    Tdummy dummy;
    SoundInit();
    int in = 0, out = 0, mask = 0;
    DeviceReport(in, out, mask);
    SetOutDevice(0);
    SetSampleRates(kRate, kRate);
    SetBits(16, 16);
    for (auto _ : state) {
        devlog::Clear();
        GeneratorSettings g;
        g.levelLeft = g.levelRight = -10;
        int fault = 0;
        QElapsedTimer t;
        t.start();
        if (StartPlay(g, -1, 1000.0f, [&fault](int code) { fault = code; }) != 0) {
            state.SkipWithError("the generator did not start (no server?)");
            break;
        }
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const WaveOut* w = Layer().waveOut.get();
        const int underruns = w ? w->underruns() : -1;
        const double played = w ? double(w->framesWritten()) / kRate : 0.0;
        const double elapsed = t.nsecsElapsed() / 1e9;
        StopPlay();
        if (fault != 0 || underruns != 0)
            std::fprintf(stderr, "%s\n", qPrintable(devlog::Lines().join('\n')));
        state.SetIterationTime(elapsed);
        state.counters["seconds"] = elapsed;
        state.counters["underruns"] = underruns;
        state.counters["underrun_lines"] = double(devlog::Lines().filter(QStringLiteral("underrun")).size());
        state.counters["fault"] = fault;
        state.counters["played_per_elapsed"] = played / elapsed;
    }
    SoundDone();
}
} // namespace

BENCHMARK(BM_ServerUpdateRate)->ArgNames({"N", "blocks"})->Args({2048, 200})->Args({16384, 30})
    ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerRoundTrip)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneratorIntoServer)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, "alsa", nullptr, [] {
        SoundServer& server = SoundServer::instance();
        const bool started = server.start();
        // PipeWire: another quantum than the loop's 1024 frames, as a
        // desktop's graph runs at what its clients ask for.
        const int quantum = qEnvironmentVariableIntValue("KORVANTA_BENCH_QUANTUM");
        if (started && quantum > 0 && !server.setQuantum(quantum))
            std::fprintf(stderr, "the quantum %d was not taken\n", quantum);
        std::fprintf(stderr, "server: %s %s\n", ServerKindName(TestServerKind()),
                     started ? "running" : qPrintable(server.reason()));
        return started;
    });
}
