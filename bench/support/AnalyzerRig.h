#pragma once
// The analyzer page as the benchmarks drive it: the page with a diagram of
// its own on the sound layer at 44.1 kHz and 16 bits, first input and
// output; and the update rate of continuous running, the spectra shown per
// second against fs / (N + N/8), the limit of back-to-back recording.

#include "measure/ui/AnalyzerPage.h"
#include "diagram/ui/Diagr3.h"
#include "audio/Tdummy.h"

using namespace korvanta;

namespace benchmark {
class State;
}

struct AnalyzerRig {
    static constexpr int kRate = 44100;

    AnalyzerRig();
    ~AnalyzerRig();

    Tdummy dummy;
    TDiagramm diagram;
    TAnalyzerPage page;
};

// Runs the analyzer continuously at N points until `blocks` spectra have
// been shown after the first (which only starts the clock), in a real event
// loop as in the program, and reports blocks_per_s, limit_per_s and
// of_limit_% with the time as the iteration's. An error when they did not
// come within five minutes.
void MeasureUpdateRate(benchmark::State& state, AnalyzerRig& rig, int N, int blocks);
