// Time from the generator window's Start click to the first frame the
// output device is handed, for a sine and for pink noise at 44.1 and 96 kHz.
// The device is the virtual card seen through a thin backend that notes the
// moment of its first write; everything between (stop of the old tone,
// loop synthesis, device open, the device thread's first chunk) is measured.
//
//   QT_QPA_PLATFORM=offscreen build/bench/generator/bench_generator

#include "app/ui/ProgramRecords.h"
#include "bench/support/FirstWriteTiming.h"
#include "generator/GeneratorSection.h"
#include "measure/ui/RadioGroup.h"
#include "audio/Soundd3.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "generator/ui/Wavegene.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>

using namespace korvanta;

namespace {

using Clock = std::chrono::steady_clock;

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
        ArmFirstWrite();
        const Clock::time_point t0 = Clock::now();
        gen.Gstart->click();
        state.SetIterationTime(SecondsToFirstWrite(t0));
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
