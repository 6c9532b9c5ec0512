#pragma once
// The device test's analysis: it follows a run of the default plan step by
// step. The first steps (each channel's loop gain, the idle floor) feed the
// checks before the run, and a check that fails refuses the run before any
// figure is made. Each later step's recording gives its figures: the
// response comes from one sweep, each channel's own, at full resolution;
// the maximum-level search adds its levels. At the end every figure and curve
// goes into the result, with volts where the input is calibrated and the
// card's own values beside them where a reference is given.
//
// The first eighth of each tone's recording is left out of its figures: a device
// that has not settled in the wait before it (a slow coupling high-pass, a
// delay still holding the step before) would otherwise lend its last
// signal to this one's distortion, crosstalk or level.
//
// A recording whose input clipped never becomes a figure: the engine takes
// such a step again lower, and one that arrives clipped all the same ends
// the run with a message (the maximum-level search ends instead). The
// level each step reached at the input is a figure of its own.
//
// Plain analysis, no device, no widget; the window and the command run it
// through a DeviceTestEngine.

#include "devicetest/DeviceTestResult.h"
#include "devicetest/DtChecks.h"
#include "devicetest/DtPlanProcedure.h"

#include <memory>
#include <optional>

namespace korvanta {

struct DtRunSettings {
    int rate = 48000;                            // Hz, the input's
    double inputFullScaleVolts = 0.0;            // RMS volts of a full-scale sine; 0: not calibrated
    std::optional<DeviceTestResult> reference;   // the card's own floor from its self-test
    char letter = 'E';                           // language of messages and notes: 'D' or 'E'
};

class DeviceTestProcedure : public DtProcedure {
public:
    explicit DeviceTestProcedure(DtRunSettings settings);
    ~DeviceTestProcedure() override;

    void Begin(const DtPlan& plan) override;
    QString Take(const DtPlayedStep& played, const DtRecording& recording) override;
    std::vector<DtStep> Next() override;
    void Finish(DeviceTestResult& result) override;

    // The check that refused the run; DtCheck::Passed when none did.
    DtCheck FailedCheck() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace korvanta
