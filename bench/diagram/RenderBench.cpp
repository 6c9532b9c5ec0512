// Rendering cost of the diagram: 8192 points (the analyzer's largest
// spectrum) at 1024 x 768, on both axis kinds, with one, two and three
// curves, with eight memory curves of as many points behind one, plus the
// cost of a layout and of a full window repaint.
//
//   build/bench/diagram/bench_diagram_render

#include "diagram/ui/Diadlg3.h"
#include "diagram/ui/Diagr3.h"
#include "platform/ProfileStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

using namespace korvanta;

namespace {

constexpr int Points = 8192;
constexpr int Width = 1024;
constexpr int Height = 768;

// A spectrum-like curve: a falling floor with ripple and some peaks, 0 Hz to
// 24 kHz as the analyzer stores it.
std::unique_ptr<TDiagramm> MakeDiagram(bool logAxis, bool twoCurves, bool peak)
{
    auto dia = std::make_unique<TDiagramm>();
    float ymin = -140, ymax = 0;
    dia->SetupDiagram(QStringLiteral("benchmark"), Points - 1, 10, 24000, ymin, ymax);
    dia->SetYCaption(QStringLiteral("Level [dB FS]"));
    dia->SetXCaption(QStringLiteral("Frequency [Hz]"));
    dia->ShowCurves(true, twoCurves);
    Tdiadlg& dlg = *dia->OptionsDialog();
    dlg.Fill(dia->Options());
    dlg.LogDia->setChecked(logAxis);
    dlg.LogDiaClick();
    if (peak) {
        dlg.CheckBox2->setChecked(true);
        dlg.CheckBox2Click();
    }
    QCoreApplication::sendPostedEvents();
    dia->ShowCurves(true, twoCurves);
    for (int i = 0; i < Points; ++i) {
        const float f = i * 24000.0f / Points;
        const float left = -100 + 15 * std::sin(i * 0.013f) + 30 * std::exp(-std::fabs(i - 341.0f) / 3);
        const float right = -110 + 10 * std::cos(i * 0.021f) + float(std::rand() % 100) / 10;
        dia->AddPoint(left, right, i, f);
    }
    dia->CalcLayout(dia->Bitmap(), Width, Height, TDiagramm::ScreenFontSize, false);
    return dia;
}

void BM_Render(benchmark::State& state, bool logAxis, bool twoCurves, bool peak)
{
    auto dia = MakeDiagram(logAxis, twoCurves, peak);
    for (auto _ : state) {
        dia->RenderDiagram(dia->Bitmap(), false);
        benchmark::DoNotOptimize(dia->Bitmap().constBits());
    }
    state.SetItemsProcessed(state.iterations() * Points);
}

// Margins, grid, labels and texts alone: what every frame costs before the
// curves.
void BM_RenderWithoutCurves(benchmark::State& state)
{
    auto dia = MakeDiagram(true, false, false);
    dia->ShowCurves(false, false);
    for (auto _ : state) {
        dia->RenderDiagram(dia->Bitmap(), false);
        benchmark::DoNotOptimize(dia->Bitmap().constBits());
    }
}

void BM_Layout(benchmark::State& state)
{
    auto dia = MakeDiagram(true, false, false);
    for (auto _ : state)
        benchmark::DoNotOptimize(dia->CalcLayout(dia->Bitmap(), Width, Height, TDiagramm::ScreenFontSize, false));
}

// The live curve with eight memories of as many points behind it, each a
// shifted copy drawn in its dash style, and their legend.
void BM_RenderWithMemories(benchmark::State& state, bool logAxis)
{
    auto dia = MakeDiagram(logAxis, false, false);
    for (int slot = 0; slot < MemorySlots; ++slot) {
        MemoryCurve m = dia->ShownCurves();
        for (float& v : m.traces[0].values)
            v -= 5.0f * (slot + 1);
        m.name = QStringLiteral("memory %1").arg(slot + 1);
        dia->Memories().set(slot, std::move(m));
    }
    dia->CalcLayout(dia->Bitmap(), Width, Height, TDiagramm::ScreenFontSize, false);
    for (auto _ : state) {
        dia->RenderDiagram(dia->Bitmap(), false);
        benchmark::DoNotOptimize(dia->Bitmap().constBits());
    }
    state.SetItemsProcessed(state.iterations() * Points * (MemorySlots + 1));
    // The other benchmarks draw no memories.
    for (int slot = 0; slot < MemorySlots; ++slot)
        dia->Memories().remove(slot);
}

// What a repaint of the window costs: render plus the copy to the widget.
void BM_WindowGrab(benchmark::State& state)
{
    auto dia = MakeDiagram(true, true, false);
    dia->resize(Width, Height);
    for (auto _ : state)
        benchmark::DoNotOptimize(dia->grab());
}

} // namespace

BENCHMARK_CAPTURE(BM_Render, log_one_curve, true, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Render, log_two_curves_peak, true, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Render, linear_one_curve, false, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Render, linear_two_curves_peak, false, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderWithMemories, log_eight_memories, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderWithMemories, linear_eight_memories, false)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderWithoutCurves)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Layout)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowGrab)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window reads and writes its settings section; keep the user's file
    // out of it.
    if (qEnvironmentVariableIsEmpty("KORVANTA_SETTINGS"))
        qputenv("KORVANTA_SETTINGS", "/tmp/korvanta-bench-diagram.ini");
    QFile::remove(MemoryFilePath(SettingsFilePath()));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
