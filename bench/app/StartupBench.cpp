// Start-up of the program to a shown main window: every window created in
// order, the audio layer started on the virtual card, the settings read and
// the first page entered; the close (settings written) measured apart.
// Plus reading and writing the main window's settings sections alone.
//
//   build/bench/app/bench_app_startup
//
// The process start itself (loading Qt, connecting to the display) is not
// in here; scripts/time-startup.sh times whole runs of the program.

#include "app/ui/AppWindows.h"
#include "app/ui/Main.h"
#include "app/MainSettings.h"
#include "scope/OscilloscopeSettings.h"
#include "platform/ProfileStore.h"
#include "generator/SweepSettings.h"
#include "platform/audio/virtual/VirtualCard.h"
#include "measure/samplemem.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace korvanta;

namespace {

void BM_StartToShownMainWindow(benchmark::State& state)
{
    for (auto _ : state) {
        TMainForm* main = CreateApplicationWindows();
        main->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(main->isVisible());
        state.PauseTiming();
        main->close();
        QApplication::processEvents();
        DestroyApplicationWindows();
        state.ResumeTiming();
    }
}

void BM_CloseAndWriteSettings(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        TMainForm* main = CreateApplicationWindows();
        main->show();
        QApplication::processEvents();
        state.ResumeTiming();
        main->close();
        QApplication::processEvents();
        DestroyApplicationWindows();
    }
}

void BM_SettingsSectionsReadAndWrite(benchmark::State& state)
{
    MainWindowSettings main;
    AnalyzerState analyzer;
    SweepSettings sweep;
    OscilloscopeSettings scope;
    const SettingsRecords records{main, analyzer, sweep, scope};
    ProfileStore store(QString::fromLocal8Bit(qgetenv("KORVANTA_SETTINGS")));
    for (auto _ : state) {
        ReadMainSettings(store, records, QString());
        WriteMainSettings(store, records);
    }
}

} // namespace

BENCHMARK(BM_StartToShownMainWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CloseAndWriteSettings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SettingsSectionsReadAndWrite)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("KORVANTA_AUDIO"))
        qputenv("KORVANTA_AUDIO", "virtual");
    // The windows read and write the settings file; keep the user's file out
    // of it.
    QTemporaryDir dir;
    qputenv("KORVANTA_SETTINGS", QDir(dir.path()).filePath("krv14f.ini").toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
