// Korvanta on a real sound server of its own, the tests' (a PulseAudio or,
// with KORVANTA_TEST_SERVER=pipewire, a PipeWire daemon with a loop whose
// input hears its output, tests/support/SoundServer.h); scripts/server-bench.sh
// runs it on both.
//
// BM_ServerUpdateRate runs the analyzer continuously on ALSA's "default"
// while the generator plays into the server (a loopback measurement), and
// compares the spectra shown per second with fs / (N + N/8), the limit of
// back-to-back recording. (With nothing playing, the server's idle sink may
// take up to two seconds to serve each block's new stream.)
//
// BM_GeneratorIntoServer plays a sine with the playback engine for
// KORVANTA_PLAY_SECONDS (default 20) and reports the underruns the device
// log counted, the faults, and the frames played against the time taken.
#include "bench/support/AnalyzerRig.h"
#include "bench/support/BenchMain.h"
#include "platform/DeviceLog.h"
#include "audio/Soundd3.h"
#include "audio/SoundLayer.h"
#include "audio/Tdummy.h"
#include "measure/samplemem.h"
#include "tests/support/SoundServer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace korvanta;

namespace {
constexpr int kRate = 44100;

void BM_ServerUpdateRate(benchmark::State& state)
{
    auto rig = std::make_unique<AnalyzerRig>();
    GeneratorSettings tone;
    tone.levelLeft = tone.levelRight = -10;
    StartPlay(tone, -1, 1000.0f);
    MeasureUpdateRate(state, *rig, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    StopPlay();
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
BENCHMARK(BM_GeneratorIntoServer)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, "alsa", nullptr, [] {
        SoundServer& server = SoundServer::instance();
        const bool started = server.start();
        std::fprintf(stderr, "server: %s %s\n", ServerKindName(TestServerKind()),
                     started ? "running" : qPrintable(server.reason()));
        return started;
    });
}
