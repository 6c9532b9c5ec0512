// The device test's default plan at 48 kHz on the virtual card in real
// time, against the sum of its steps' settle waits and recorded lengths.
// The rest is the loop's own overhead: the buffer's synthesis, the input's
// open and close at every step, event round trips. The first run's
// procedure only keeps each recording's length, so no figure's time is
// counted; the second runs the real analysis, whose added steps (the
// response's corners, the maximum level's search) count in the plan it is
// measured against.
//
//   build/bench/devicetest/bench_devicetest
#include "bench/support/BenchMain.h"
#include "bench/support/BenchSoundLayer.h"
#include "correction/CorrectionTable.h"
#include "devicetest/DeviceTestEngine.h"
#include "devicetest/DeviceTestProcedure.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

using namespace korvanta;

namespace {
constexpr int kRate = 48000;
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
    VirtualCard::instance().setFastMode(false);
    BenchSoundLayer layer(kRate);
    CorrectionTable in, out;
    DeviceTestEngine engine(in, out);
    DtPlanSettings settings;
    settings.rate = kRate;
    settings.settleMs = static_cast<int>(state.range(0));
    const DtPlan plan = DefaultDtPlan(settings);
    const RunEstimate estimate = DtPlanEstimate(plan, kRate);
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
        state.counters["recorded_s"] = double(procedure.frames) / kRate;
        ReportRealTimeOverhead(state, seconds, plannedSeconds, estimate.Steps());
    }
}
// The whole test: the figures computed as the steps come in, against the
// plan as it ran.
void BM_RealTimeDefaultPlanWithFigures(benchmark::State& state)
{
    VirtualCard::instance().setFastMode(false);
    BenchSoundLayer layer(kRate);
    CorrectionTable in, out;
    DeviceTestEngine engine(in, out);
    DtPlanSettings settings;
    settings.rate = kRate;
    const DtPlan plan = DefaultDtPlan(settings);
    QEventLoop loop;
    QObject::connect(&engine, &DeviceTestEngine::stopped, &loop, &QEventLoop::quit);
    QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        DtRunSettings run;
        run.rate = kRate;
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

BENCHMARK(BM_RealTimeDefaultPlanWithFigures)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealTimeDefaultPlan)->ArgNames({"settle_ms"})->Args({200})->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunBenchmarksOnVirtualCard(argc, argv, "k3=0.001"); }
