// Time from the generator window's Start click to the first frame the
// output device is handed, for a sine and for pink noise at 44.1 and 96 kHz.
// The device is the virtual card seen through a thin backend that notes the
// moment of its first write; everything between (stop of the old tone,
// loop synthesis, device open, the device thread's first chunk) is measured.
//
//   QT_QPA_PLATFORM=offscreen build/bench/generator/bench_generator

#include "GeneratorSection.h"
#include "RadioGroup.h"
#include "Soundd3.h"
#include "VirtualCard.h"
#include "Wavegene.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<Clock::rep> firstWrite{0};

class TimingSink : public PlaybackSink {
public:
    explicit TimingSink(std::unique_ptr<PlaybackSink> inner) : inner_(std::move(inner)) {}
    void setLoop(const uint8_t* data, uint32_t bytes) override { inner_->setLoop(data, bytes); }
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

// The virtual card with its output wrapped.
class TimingBackend : public AudioBackend {
public:
    QString name() const override { return card().name(); }
    int initialise() override { return card().initialise(); }
    int inputCount() override { return card().inputCount(); }
    int outputCount() override { return card().outputCount(); }
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

void BM_StartToFirstFrame(benchmark::State& state)
{
    const int mode = int(state.range(0));
    const int rate = int(state.range(1));
    SetSampleRates(rate, rate);
    SetBits(16, 16);
    TWavegen gen(Generator());
    gen.RadioGroup1->button(mode)->click();
    gen.SetFrequency(997.0f); // a frequency whose sine loop is long (one second at 44.1 kHz)
    for (auto _ : state) {
        firstWrite.store(0);
        const Clock::time_point t0 = Clock::now();
        gen.Gstart->click();
        while (firstWrite.load() == 0)
            std::this_thread::yield();
        const Clock::time_point t1{Clock::duration(firstWrite.load())};
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        if (!gen.RunningLook())
            state.SkipWithError("the generator did not start");
        gen.GstopClick();
    }
    state.SetLabel((mode == 0 ? "sine " : "pink ") + std::to_string(rate) + " Hz");
}
BENCHMARK(BM_StartToFirstFrame)
    ->ArgsProduct({{0, 3}, {44100, 96000}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("KORVANTA_SETTINGS", dir.filePath("krv14f.ini").toLocal8Bit());
    QApplication app(argc, argv);
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
