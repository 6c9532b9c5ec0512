// The analyzer's block processing and its update rate.
//
// BM_ProcessBlock times one block at N = 16384 and 44.1 kHz with both
// channels: copy, two transforms, averaging, level conversion, input
// correction and the 8192 points handed to the diagram. The repaint is a
// deferred paint and is timed by the diagram's own render benchmark. The
// share of the block's duration (18432 frames = 418 ms) is printed as a
// counter.
//
// BM_UpdateRate runs the analyzer continuously on the virtual card in real
// time and compares the blocks shown per second with the limit
// fs / (N + N/8) of back-to-back recording.
#include "BenchMain.h"
#include "AnalysisSettings.h"
#include "AnalyzerLogic.h"
#include "AnalyzerPage.h"
#include "Diagr3.h"
#include "RadioGroup.h"
#include "Soundd3.h"
#include "Tdummy.h"
#include "VirtualCard.h"
#include "samplemem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace {
constexpr int kRate = 44100;

struct Rig {
    Tdummy dummy;
    TDiagramm diagram;
    TAnalyzerPage page;

    Rig()
    {
        SoundInit();
        int in = 0, out = 0;
        DeviceReport(in, out, Analyzer().InFormats);
        SetSampleRates(kRate, kRate);
        SetBits(16, 16);
        page.SetDiagram(&diagram);
        page.EnterAnalyzerPage();
    }
    ~Rig()
    {
        page.LeaveAnalyzerPage();
        SoundDone();
    }
};

std::vector<float> stereoBlock(int frames)
{
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0.0f, 1e-4f);
    std::vector<float> block(2 * frames);
    for (int i = 0; i < frames; ++i) {
        const float s = 0.5f * std::sin(2 * std::numbers::pi_v<float> * 997.0f * i / kRate);
        block[2 * i] = s + noise(rng);
        block[2 * i + 1] = 0.7f * s + noise(rng);
    }
    return block;
}

void BM_ProcessBlock(benchmark::State& state)
{
    Rig rig;
    AnalyzerState& a = Analyzer();
    const int N = 16384;
    rig.page.FFTpointsgroup->setItemIndex(3);
    a.AverCount = static_cast<int>(state.range(0));
    a.AverLeft = a.AverCount;
    a.Running = true;
    Analysis().thdOn = state.range(1) != 0;
    const std::vector<float> block = stereoBlock(BlockFrames(N));
    QElapsedTimer t;
    t.start();
    int64_t n = 0;
    for (auto _ : state) {
        rig.page.ProcessBlock(block.data(), static_cast<int>(block.size()), 0);
        ++n;
    }
    const double perBlock = t.nsecsElapsed() / 1e9 / std::max<int64_t>(n, 1);
    a.Running = false;
    Analysis().thdOn = false;
    const double blockSeconds = double(BlockFrames(N)) / kRate;
    state.counters["share_of_block_pct"] = 100.0 * perBlock / blockSeconds;
}

void BM_UpdateRate(benchmark::State& state)
{
    const int N = static_cast<int>(state.range(0));
    VirtualCard::instance().setFastMode(false);
    auto rig = std::make_unique<Rig>();
    static const int kItems[] = {0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 3};
    rig->page.FFTpointsgroup->setItemIndex(kItems[N / 1024]);
    rig->page.RunningGroup->setItemIndex(1);
    const int blocks = static_cast<int>(state.range(1));
    // A real event loop, as in the program: it wakes as soon as an event is
    // posted (a polling wait would add its own delay to every block).
    QEventLoop loop;
    QElapsedTimer t;
    int shown = 0;
    int first = -1;
    QObject::connect(&rig->page, &TAnalyzerPage::spectrumShown, [&] {
        ++shown;
        if (first < 0) { // the first block only starts the clock
            first = shown;
            t.start();
        } else if (shown >= first + blocks) {
            loop.quit();
        }
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        rig->page.StartButtonClick();
        loop.exec();
        const double seconds = t.nsecsElapsed() / 1e9;
        rig->page.StopButtonClick();
        state.SetIterationTime(seconds);
        const double rate = first < 0 ? 0.0 : (shown - first) / seconds;
        const double limit = double(kRate) / BlockFrames(N);
        state.counters["blocks_per_s"] = rate;
        state.counters["limit_per_s"] = limit;
        state.counters["of_limit_%"] = 100.0 * rate / limit;
    }
}
} // namespace

BENCHMARK(BM_ProcessBlock)->ArgNames({"averages", "thd"})->Args({1, 0})->Args({4, 0})->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpdateRate)->ArgNames({"N", "blocks"})->Args({2048, 40})->Args({16384, 12})
    ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunBenchmarksOnVirtualCard(argc, argv); }
