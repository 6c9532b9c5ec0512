#pragma once
// How the analysis follows a device test: the engine hands it every step's
// recording as soon as it is in, and after each one asks whether steps are
// to be added (extra frequencies that bracket a -3 dB point, the next level
// of the maximum-level search). Added steps run next, before the rest of the
// plan, and make the plan approximate. The engine computes no figure
// itself: at the end the procedure writes its figures into the result.
//
// Called on the GUI thread, between the engine's signals.

#include "devicetest/DeviceTestResult.h"
#include "devicetest/DtInputLevel.h"
#include "devicetest/DtPlan.h"
#include "devicetest/DtPlanSignal.h"

#include <QString>
#include <vector>

namespace korvanta {

// A step as it was played: the plan's step with the frequencies the loop
// moved to whole periods, and the peaks each output channel played. Once
// recorded: the level it reached at the input, and how many takes it took
// (more than one: an earlier take clipped, and it was played again lower).
struct DtPlayedStep {
    int index = 0;         // in the plan as it runs
    DtStep step;
    DtPeaks peaks;
    DtInputLevel reached;
    int takes = 1;
};

class DtProcedure {
public:
    virtual ~DtProcedure() = default;

    // Before the first step: the plan about to run.
    virtual void Begin(const DtPlan& plan) { (void)plan; }
    // One step's recording. Returns "" to go on, or the message of a check
    // that failed: the run ends there, with no figures from a bad set-up.
    // A recording whose input clipped (played.reached) comes here only when
    // taking it again lower could not help: it never becomes a figure.
    virtual QString Take(const DtPlayedStep& played, const DtRecording& recording) = 0;
    // The steps to run straight after the one just taken; none: on with
    // the plan.
    virtual std::vector<DtStep> Next() { return {}; }
    // The run has ended, completely or not: the figures and curves so far
    // into `result`, whose header the engine has filled.
    virtual void Finish(DeviceTestResult& result) { (void)result; }
};

} // namespace korvanta
