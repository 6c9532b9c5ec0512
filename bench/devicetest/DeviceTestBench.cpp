// The device test's default plan in real time, against the sum of its
// steps' settle waits and recorded lengths. The rest is the loop's own
// overhead: the buffer's synthesis, the input's start, event round trips.
// The first run's procedure only keeps each recording's length, so no
// figure's time is counted; the second runs the real analysis, whose added
// steps (the response's corners, the maximum level's search) count in the
// plan it is measured against.
//
// On the virtual card at 48 kHz, or with KORVANTA_BENCH_AUDIO=server on the
// tests' sound server (tests/support/SoundServer.h) at its loop's rate,
// through ALSA's "default"; scripts/server-bench.sh runs it on both servers:
//
//   build/bench/devicetest/bench_devicetest
//   KORVANTA_BENCH_AUDIO=server KORVANTA_BENCH_SERVER=build/bench/devicetest/bench_devicetest
//       scripts/server-bench.sh   (one command line)
#include "bench/support/BenchMain.h"
#include "bench/support/BenchSoundLayer.h"
#include "correction/CorrectionTable.h"
#include "devicetest/DeviceTestEngine.h"
#include "devicetest/DeviceTestProcedure.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "tests/support/SoundServer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdio>

using namespace korvanta;

namespace {
constexpr int kCardRate = 48000;
int rate = kCardRate;

bool onServer() { return qEnvironmentVariable("KORVANTA_BENCH_AUDIO") == QStringLiteral("server"); }
// A bound for a hung run, never a measured time.
constexpr int kGiveUpMs = 300000;

class CountingProcedure : public DtProcedure {
public:
    QString Take(const DtPlayedStep&, const DtRecording& r) override
    {
        frames += static_cast<long long>(r.left.size());
        return {};
    }
    long long frames = 0;
};

void BM_RealTimeDefaultPlan(benchmark::State& state)
{
    if (!onServer())
        VirtualCard::instance().setFastMode(false);
    BenchSoundLayer layer(rate);
    CorrectionTable in, out;
    DeviceTestEngine engine(in, out);
    DtPlanSettings settings;
    settings.rate = rate;
    settings.settleMs = static_cast<int>(state.range(0));
    const DtPlan plan = DefaultDtPlan(settings);
    const RunEstimate estimate = DtPlanEstimate(plan, rate);
    const double plannedSeconds = TimeLeftMs(estimate, 0) / 1000.0;
    QEventLoop loop;
    QObject::connect(&engine, &DeviceTestEngine::stopped, &loop, &QEventLoop::quit);
    QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        CountingProcedure procedure;
        QElapsedTimer t;
        t.start();
        if (!engine.Start(plan, procedure, DtHeader{})) {
            state.SkipWithError("no usable devices");
            break;
        }
        loop.exec();
        const double seconds = t.nsecsElapsed() / 1e9;
        if (!engine.Result().complete) {
            state.SkipWithError(engine.Result().error.toUtf8().constData());
            break;
        }
        state.counters["recorded_s"] = double(procedure.frames) / rate;
        ReportRealTimeOverhead(state, seconds, plannedSeconds, estimate.Steps());
    }
}

// The whole test: the figures computed as the steps come in, against the
// plan as it ran.
void BM_RealTimeDefaultPlanWithFigures(benchmark::State& state)
{
    if (!onServer())
        VirtualCard::instance().setFastMode(false);
    BenchSoundLayer layer(rate);
    CorrectionTable in, out;
    DeviceTestEngine engine(in, out);
    DtPlanSettings settings;
    settings.rate = rate;
    const DtPlan plan = DefaultDtPlan(settings);
    QEventLoop loop;
    QObject::connect(&engine, &DeviceTestEngine::stopped, &loop, &QEventLoop::quit);
    QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        DtRunSettings run;
        run.rate = rate;
        DeviceTestProcedure procedure(run);
        QElapsedTimer t;
        t.start();
        if (!engine.Start(plan, procedure, DtHeader{})) {
            state.SkipWithError("no usable devices");
            break;
        }
        loop.exec();
        const double seconds = t.nsecsElapsed() / 1e9;
        if (!engine.Result().complete) {
            state.SkipWithError(engine.Result().error.toUtf8().constData());
            break;
        }
        const RunEstimate ran = engine.Estimate();
        state.counters["figures"] = double(engine.Result().figures.size());
        ReportRealTimeOverhead(state, seconds, TimeLeftMs(ran, 0) / 1000.0, ran.Steps());
    }
}
} // namespace

BENCHMARK(BM_RealTimeDefaultPlan)->ArgNames({"settle_ms"})->Args({200})->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealTimeDefaultPlanWithFigures)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (!onServer())
        return RunBenchmarksOnVirtualCard(argc, argv, "k3=0.001");
    return RunBenchmarks(argc, argv, "alsa", nullptr, [] {
        SoundServer& server = SoundServer::instance();
        const bool started = server.start();
        rate = server.rate();
        std::fprintf(stderr, "server: %s %s\n", ServerKindName(TestServerKind()),
                     started ? "running" : qPrintable(server.reason()));
        return started;
    });
}
