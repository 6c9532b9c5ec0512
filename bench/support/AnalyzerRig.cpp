#include "bench/support/AnalyzerRig.h"

#include "app/ui/ProgramRecords.h"

#include "measure/AnalyzerLogic.h"
#include "measure/ui/RadioGroup.h"
#include "bench/support/RateClock.h"
#include "audio/Soundd3.h"
#include "measure/samplemem.h"

#include <benchmark/benchmark.h>

using namespace korvanta;

AnalyzerRig::AnalyzerRig()
{
    SoundInit();
    int in = 0, out = 0;
    DeviceReport(in, out, Analyzer().InFormats);
    SetInDevice(0);
    SetOutDevice(0);
    SetSampleRates(kRate, kRate);
    SetBits(16, 16);
    page.SetDiagram(&diagram);
    page.EnterAnalyzerPage();
}

AnalyzerRig::~AnalyzerRig()
{
    page.LeaveAnalyzerPage();
    SoundDone();
}

void MeasureUpdateRate(benchmark::State& state, AnalyzerRig& rig, int N, int blocks)
{
    static const int kItems[] = {0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 3};
    rig.page.FFTpointsgroup->setItemIndex(kItems[N / 1024]);
    rig.page.RunningGroup->setItemIndex(1);
    RateClock clock(&rig.page, &TAnalyzerPage::spectrumShown, blocks);
    for (auto _ : state) {
        double seconds = 0.0;
        const bool all = clock.run([&rig] { rig.page.StartButtonClick(); }, 300000, seconds);
        rig.page.StopButtonClick();
        if (!all) {
            state.SkipWithError("the analyzer stopped early (no device?)");
            break;
        }
        ReportRate(state, "blocks", seconds, clock.rate(), double(AnalyzerRig::kRate) / BlockFrames(N));
    }
}
