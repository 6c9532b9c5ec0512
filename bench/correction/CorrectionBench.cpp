// Loading a large correction file (100,000 lines with CR LF ends) and one
// spline lookup on a 1,000-point table.
#include "correction/CorrectionFile.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

using namespace korvanta;

namespace {
void BM_Load100kLines(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("big.cor");
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    for (int i = 0; i < 100000; ++i)
        f.write(QByteArray::number(10 + i) + ' ' + QByteArray::number((i % 200) / 10.0) + "\r\n");
    f.close();
    CorrectionTable t;
    for (auto _ : state) {
        if (!LoadCorrection(t, name))
            state.SkipWithError("load failed");
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_SplineValue(benchmark::State& state)
{
    std::vector<CorrectionPair> pts;
    for (int i = 0; i < 1000; ++i)
        pts.push_back({10.0 + 24.0 * i, (i % 17) * 0.1});
    CorrectionTable t;
    SetCorrectionPoints(t, pts);
    double f = 10.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SplineValue(t, f));
        f = f < 24000.0 ? f + 13.7 : 10.0;
    }
}
} // namespace

BENCHMARK(BM_Load100kLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplineValue);
BENCHMARK_MAIN();
