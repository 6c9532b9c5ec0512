#include "bench/support/BenchMain.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

int RunBenchmarksOnVirtualCard(int argc, char** argv, const char* dut) { return RunBenchmarks(argc, argv, "virtual", dut); }

int RunBenchmarks(int argc, char** argv, const char* audio, const char* dut, const std::function<bool()>& prepare)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KORVANTA_AUDIO", audio);
    if (dut)
        qputenv("KORVANTA_DUT", dut);
    QTemporaryDir home;
    qputenv("KORVANTA_SETTINGS", home.filePath("krv14f.ini").toLocal8Bit());
    QApplication app(argc, argv);
    if (prepare && !prepare())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
