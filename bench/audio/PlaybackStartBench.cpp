// Time from StartPlay (and PlayUserWave) to the first frame handed to the
// output device, for a sine and for pink noise at 44.1 and 96 kHz, measured
// at the engine: stop of nothing, loop synthesis, device open, thread start
// and its first chunk. The device is the virtual card behind a thin backend
// that notes the moment of its first write.
//
//   build/bench/audio/bench_playstart

#include "Soundd3.h"
#include "VirtualCard.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <sndfile.h>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
std::atomic<Clock::rep> firstWrite{0};

class TimingSink : public PlaybackSink {
public:
    explicit TimingSink(std::unique_ptr<PlaybackSink> inner) : inner_(std::move(inner)) {}
    int start() override { return inner_->start(); }
    int write(const uint8_t* src, int frames, int timeoutMs) override
    {
        Clock::rep none = 0;
        firstWrite.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        return inner_->write(src, frames, timeoutMs);
    }
    void stop() override { inner_->stop(); }
    int close() override { return inner_->close(); }

private:
    std::unique_ptr<PlaybackSink> inner_;
};

class TimingBackend : public AudioBackend {
public:
    QString name() const override { return card().name(); }
    int inputCount() override { return 1; }
    int outputCount() override { return 1; }
    int inputCaps(int d, WaveInCaps& c) override { return card().inputCaps(d, c); }
    int outputCaps(int d, WaveOutCaps& c) override { return card().outputCaps(d, c); }
    QString deviceName(bool input, int d) override { return card().deviceName(input, d); }
    int queryInput(int d, const WaveFormat& f) override { return card().queryInput(d, f); }
    int queryOutput(int d, const WaveFormat& f) override { return card().queryOutput(d, f); }
    int openInput(int d, const WaveFormat& f, std::unique_ptr<CaptureSource>& out) override
    {
        return card().openInput(d, f, out);
    }
    int openOutput(int d, const WaveFormat& f, std::unique_ptr<PlaybackSink>& out) override
    {
        std::unique_ptr<PlaybackSink> inner;
        if (const int rc = card().openOutput(d, f, inner))
            return rc;
        out = std::make_unique<TimingSink>(std::move(inner));
        return 0;
    }

private:
    static VirtualCard& card() { return VirtualCard::instance(); }
};

// Runs `start` and waits for the first write; the time between is the
// iteration's time.
template <class Start, class Stop>
void timeFirstFrame(benchmark::State& state, Start start, Stop stop)
{
    for (auto _ : state) {
        firstWrite.store(0);
        const Clock::time_point t0 = Clock::now();
        if (start() != 0) {
            state.SkipWithError("the start failed");
            break;
        }
        while (firstWrite.load() == 0)
            std::this_thread::yield();
        const Clock::time_point t1{Clock::duration(firstWrite.load())};
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
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
    TimingBackend backend;
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
