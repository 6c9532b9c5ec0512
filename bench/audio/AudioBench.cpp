// Costs of the audio layer: synthesising the largest loop buffer, converting
// the analyzer's largest block, and one open-record-close cycle of an input
// (virtual card in fast mode; ALSA through a file PCM over null, which is no
// sound card but runs all of alsa-lib's open, setup, read and close).

#include "platform/audio/alsa/AlsaBackend.h"
#include "audio/BlockConversion.h"
#include "audio/LoopSynthesis.h"
#include "audio/Soundd3.h"
#include "audio/Tdummy.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <vector>

using namespace korvanta;

namespace {
void BM_SynthesisePinkNoiseLoop(benchmark::State& state)
{
    GeneratorSettings g;
    g.mode = 3;
    std::vector<uint8_t> out(kLoopBufferMax);
    std::mt19937 rng(1);
    for (auto _ : state) {
        const SynthesisResult r = SynthesiseLoop(g, 1000.0, 44100, 16, rng, out.data());
        benchmark::DoNotOptimize(r.bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kLoopBufferMax);
}
BENCHMARK(BM_SynthesisePinkNoiseLoop)->Unit(benchmark::kMillisecond);

void BM_SynthesiseSineLoop(benchmark::State& state)
{
    GeneratorSettings g;
    std::vector<uint8_t> out(kLoopBufferMax);
    std::mt19937 rng(1);
    for (auto _ : state) {
        const SynthesisResult r = SynthesiseLoop(g, 997.0, 44100, 16, rng, out.data());
        benchmark::DoNotOptimize(r.bytes);
    }
}
BENCHMARK(BM_SynthesiseSineLoop)->Unit(benchmark::kMillisecond);

// One 18432-frame block (FFT size 16384 + 1/8), 16 bit; arg 1: automatic DC.
void BM_ConvertBlock18432(benchmark::State& state)
{
    constexpr int frames = 18432;
    std::vector<int16_t> raw(2 * frames);
    std::mt19937 rng(2);
    for (int16_t& s : raw)
        s = static_cast<int16_t>(rng());
    std::vector<float> out(2 * frames);
    ConversionParams p;
    p.autoDC = state.range(0) != 0;
    for (auto _ : state) {
        const ConversionResult r = ConvertBlock(reinterpret_cast<const uint8_t*>(raw.data()),
                                                static_cast<uint32_t>(raw.size() * 2), p, out.data());
        benchmark::DoNotOptimize(r.overRange);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * frames);
}
BENCHMARK(BM_ConvertBlock18432)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One StartRecord ... block-done event ... GetRecordBlock cycle of `frames`.
void recordCycles(benchmark::State& state, int frames)
{
    Tdummy dummy;
    if (SoundInit() != 0) {
        state.SkipWithError("sound layer did not start");
        return;
    }
    SetInDevice(0);
    SetSampleRates(48000, 48000);
    for (auto _ : state) {
        bool done = false;
        if (StartRecord(frames, 0, [&done] {
                int n, o, u;
                benchmark::DoNotOptimize(GetRecordBlock(n, o, u));
                done = true;
            }) != 0) {
            state.SkipWithError("StartRecord failed");
            break;
        }
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    SoundDone();
}

void BM_OpenRecordCloseVirtual(benchmark::State& state)
{
    VirtualCard::instance().reset();
    VirtualCard::instance().setFastMode(true);
    VirtualCard::instance().setDut(DutConfig{});
    SetAudioBackendForTests(&VirtualCard::instance());
    recordCycles(state, static_cast<int>(state.range(0)));
    SetAudioBackendForTests(nullptr);
}
BENCHMARK(BM_OpenRecordCloseVirtual)->Arg(64)->Arg(18432)->Unit(benchmark::kMicrosecond);

void BM_OpenRecordCloseAlsaFilePcm(benchmark::State& state)
{
    static QTemporaryDir dir;
    QFile in(dir.filePath("in.raw"));
    in.open(QIODevice::WriteOnly);
    in.write(QByteArray(48000 * 4, '\0'));
    in.close();
    QFile conf(dir.filePath("asound.conf"));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("</usr/share/alsa/alsa.conf>\npcm.bench_in { type file slave.pcm \"null\" "
                              "file \"/dev/null\" infile \"%1\" format \"raw\" "
                              "hint { show on description \"bench capture\" } }\n")
                   .arg(in.fileName())
                   .toUtf8());
    conf.close();
    qputenv("ALSA_CONFIG_PATH", conf.fileName().toUtf8());
    AlsaBackend::instance().rescan();
    SetAudioBackendForTests(&AlsaBackend::instance());
    recordCycles(state, static_cast<int>(state.range(0)));
    SetAudioBackendForTests(nullptr);
}
BENCHMARK(BM_OpenRecordCloseAlsaFilePcm)->Arg(64)->Arg(18432)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qputenv("KORVANTA_SETTINGS", QDir::temp().filePath("korvanta-bench-audio.ini").toUtf8());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
