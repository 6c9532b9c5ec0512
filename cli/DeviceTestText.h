#pragma once
// What the command shows of a device test in a terminal: the progress line
// while it runs, and the summary it prints when no report file is asked
// for. Plain text in the command's language; the JSON and the page hold
// the same figures for a script and for the record.

#include "audio/RunEstimate.h"
#include "cli/DeviceTestLimits.h"
#include "devicetest/DeviceTestResult.h"
#include "devicetest/DtPlan.h"

#include <QString>

namespace korvanta {

// The steps a run of `plan` is expected to take: its steps, of which the
// maximum-level search's first grows into the steps of a device that stays
// below 1 % from that step's level up to full scale (a good device's path).
int DtExpectedSteps(const DtPlan& plan);

// "step 19 of about 28: Maximum level -7 dBFS, 0:12 left". `estimate` is the
// plan's as it runs (added steps included), `expected` what the run was
// expected to take at its start; a run that takes more counts on its plan.
QString DtProgressLine(int index, const DtStep& step, const RunEstimate& estimate, int expected, char letter);

// The summary: what the figures depend on, one row per figure with the
// left and right channel's values side by side (crosstalk each way, the
// figures between the channels in the first column), "*" where the card
// limits the figure, the notes below, numbered, and PASS or FAIL where
// limits were given.
QString DtSummaryText(const DeviceTestResult& result, const DtVerdict& verdict, char letter);

} // namespace korvanta
