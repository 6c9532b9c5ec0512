// Time from StartPlay (and PlayUserWave) to the first frame handed to the
// output device, for a sine and for pink noise at 44.1 and 96 kHz, measured
// at the engine: stop of nothing, loop synthesis, device open, thread start
// and its first chunk. The device is the virtual card behind a thin backend
// that notes the moment of its first write.
//
//   build/bench/audio/bench_playstart

#include "bench/support/FirstWriteTiming.h"
#include "audio/Soundd3.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <sndfile.h>
#include <vector>

using namespace korvanta;

namespace {
using Clock = std::chrono::steady_clock;

// Runs `start` and waits for the first write; the time between is the
// iteration's time.
template <class Start, class Stop>
void timeFirstFrame(benchmark::State& state, Start start, Stop stop)
{
    for (auto _ : state) {
        ArmFirstWrite();
        const Clock::time_point t0 = Clock::now();
        if (start() != 0) {
            state.SkipWithError("the start failed");
            break;
        }
        state.SetIterationTime(SecondsToFirstWrite(t0));
        stop();
    }
}

void BM_StartPlayToFirstFrame(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    const int rate = static_cast<int>(state.range(1));
    SetSampleRates(rate, rate);
    SetBits(16, 16);
    GeneratorSettings g;
    g.mode = mode;
    // 997 Hz: the longest sine loop (one second of frames at 44.1 kHz).
    timeFirstFrame(state, [&] { return StartPlay(g, -1, 997.0f); }, [] { StopPlay(); });
    state.SetLabel((mode == 0 ? "sine " : "pink ") + std::to_string(rate) + " Hz");
}
BENCHMARK(BM_StartPlayToFirstFrame)
    ->ArgsProduct({{0, 3}, {44100, 96000}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_PlayUserWaveToFirstFrame(benchmark::State& state)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath("tone.wav");
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.toUtf8().constData(), SFM_WRITE, &info);
    std::vector<double> frames(2 * 441000);
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = 0.5 * std::sin(i * 0.07);
    sf_writef_double(f, frames.data(), 441000);
    sf_close(f);
    SetBits(16, 16);
    timeFirstFrame(state, [&] { return PlayUserWave(path); }, [] { StopUserWave(); });
    state.SetLabel("10 s stereo 16-bit WAV");
}
BENCHMARK(BM_PlayUserWaveToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dir;
    qputenv("KORVANTA_SETTINGS", dir.filePath("krv14f.ini").toLocal8Bit());
    QCoreApplication app(argc, argv);
    VirtualCard::instance().reset();
    VirtualCard::instance().setFastMode(true);
    FirstWriteBackend backend;
    SetAudioBackendForTests(&backend);
    if (SoundInit() != 0)
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SoundDone();
    SetAudioBackendForTests(nullptr);
    return 0;
}
