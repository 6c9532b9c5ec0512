#include "AnalyzerRig.h"

#include "AnalyzerLogic.h"
#include "RadioGroup.h"
#include "Soundd3.h"
#include "samplemem.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

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
    // A real event loop wakes as soon as an event is posted; a polling wait
    // would add its own delay to every block.
    QEventLoop loop;
    QElapsedTimer t;
    int shown = 0;
    int first = -1;
    QObject::connect(&rig.page, &TAnalyzerPage::spectrumShown, &loop, [&] {
        ++shown;
        if (first < 0) {
            first = shown;
            t.start();
        } else if (shown >= first + blocks) {
            loop.quit();
        }
    });
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    for (auto _ : state) {
        rig.page.StartButtonClick();
        loop.exec();
        const double seconds = t.nsecsElapsed() / 1e9;
        rig.page.StopButtonClick();
        if (first < 0 || shown < first + blocks) {
            state.SkipWithError("the analyzer stopped early (no device?)");
            break;
        }
        state.SetIterationTime(seconds);
        const double rate = (shown - first) / seconds;
        const double limit = double(AnalyzerRig::kRate) / BlockFrames(N);
        state.counters["blocks_per_s"] = rate;
        state.counters["limit_per_s"] = limit;
        state.counters["of_limit_%"] = 100.0 * rate / limit;
    }
}
