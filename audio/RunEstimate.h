#pragma once
// How long a run of many steps takes, known before it starts: each step's
// settle wait and recorded block are planned in advance, so the time left
// after k steps is the sum of the steps still to come. A plan whose steps
// depend on what it measures (a run over level adds fine steps where the
// distortion rises, and ends early at its limit) is marked approximate.
// Plain values, no device, no widget.

#include <QString>
#include <vector>

namespace korvanta {

struct RunEstimate {
    std::vector<int> stepMs;   // planned duration of each step, in ms
    bool approximate = false;  // the run may take more or fewer steps
    bool percent = false;      // the steps are hundredths of one run, shown as a percentage

    int Steps() const { return int(stepMs.size()); }
};

// The duration of a step that waits `settleMs` and then records `frames`
// frames at `rate` Hz (a rate of 0 counts the settle wait alone).
int StepDurationMs(int settleMs, int frames, int rate);

// Planned time of the steps after the first `done` ones; 0 once the plan
// is used up (an approximate plan may run past its end).
int TimeLeftMs(const RunEstimate& estimate, int done);

// A duration as the progress shows it: "m:ss", or "h:mm:ss" from an hour
// on; whole seconds, rounded up so that "0:00" is shown only at the end.
QString DurationText(int ms);

} // namespace korvanta
