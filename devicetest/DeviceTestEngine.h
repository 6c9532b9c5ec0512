#pragma once
// The device test's step loop, without any widget. For each step of the
// plan it plays the step's looped buffer on the output, waits the settle
// time, records one gap-free stretch (begun only after the buffer changed,
// so it holds the step's own signal and nothing of the one before) and
// hands it to the procedure, which may add steps. A sweep step plays
// silence through the settle wait instead, begins its stretch, then plays
// the sweep once as soon as the input delivers (MarkedOneShot), and hands
// over the stretch from the sweep's first played frame on (not aligned when
// that frame was not marked in it). The input stays open from step to step where the
// device allows it. Levels at the input follow each channel's loop gain,
// read from the plan's level steps. A step whose input clipped is taken
// again lower, then at the level asked with the gain that take read
// (devicetest/DtRetake.h); only a take that did not clip, or one that no
// lower output can help, goes to the procedure, with the level it reached.
//
// The run takes the output as the other measurements do, and the input
// and output corrections are off while it runs, so the figures are the
// card's own; both are given back at its end, whatever ends it. A stop ends
// the run at once with the tone off; a device fault ends it with failed();
// a check of the procedure that fails ends it with refused(). Only a run of
// every step gives a result marked complete. GUI thread only.

#include "audio/MeasuringEngine.h"
#include "audio/PlayPath.h"
#include "audio/RunEstimate.h"
#include "audio/StretchRecorder.h"
#include "devicetest/DeviceTestResult.h"
#include "devicetest/DtPlan.h"
#include "devicetest/DtPlanProcedure.h"
#include "audio/MarkedOneShot.h"

#include <QTimer>
#include <memory>

namespace korvanta {

struct CorrectionTable;

// The first step of `plan` that the devices cannot take at these rates (a
// tone at or above half a rate, a sweep that does not fit them, a stretch
// longer than the recorder holds), or none. Start() refuses such a plan; a
// caller tells the user which step and why.
std::optional<size_t> DtFirstUnplayableStep(const DtPlan& plan, int inRate, int outRate);

class DeviceTestEngine : public MeasuringEngine {
    Q_OBJECT
public:
    // The corrections are switched off during a run and back on after it.
    DeviceTestEngine(CorrectionTable& inputCorrection, CorrectionTable& outputCorrection, QObject* parent = nullptr);
    ~DeviceTestEngine() override;

    // Begins a run of `plan` followed by `procedure`, which must outlive it
    // (started() follows); false, and nothing started, when one runs, the
    // plan is empty or has a step the devices cannot take (a tone at or
    // above half a rate, a stretch too long), or no input and output are
    // usable. Added steps the devices cannot take are left out.
    bool Start(const DtPlan& plan, DtProcedure& procedure, const DtHeader& header);
    // Ends the run now: the tone off, the recording given up.
    void Stop();
    bool Running() const override { return running_; }
    // The output plays a step's signal.
    bool TonePlaying() const { return player_.playing(); }

    // The plan as it runs, added steps included, and its durations.
    const DtPlan& Plan() const { return plan_; }
    RunEstimate Estimate() const;
    // The last run's result (complete only when every step ran).
    const DeviceTestResult& Result() const { return result_; }
    // Each channel's loop gain in dB from the level steps; -inf before.
    double LoopGainDb(int channel) const { return gainDb_[channel]; }

    // The kind of a failed(): the output could not play the step, or the
    // input could not record it.
    enum class Failure { Output, Input };

signals:
    // A step is about to play.
    void stepStarting(const korvanta::DtPlayedStep& step);
    // A step's recording has been handed to the procedure, after its progress.
    void stepDone(const korvanta::DtPlayedStep& step);
    // A check of the procedure failed: the run ends, stopped() follows.
    void refused(const QString& message);
    // The run's result, complete or not, just before stopped() (and before
    // failed() after a device fault).
    void ended(const korvanta::DeviceTestResult& result);

private:
    enum class Ending { Complete, Stopped, Refused };

    void nextStep();
    void play();
    void record();
    void onRecorded();
    void takeLoopGain();
    bool retake();
    void fail(Failure kind, int code);
    void end(Ending how, const QString& error);
    void release();

    CorrectionTable& inputCorrection_;
    CorrectionTable& outputCorrection_;
    bool inputWasActive_ = false;
    bool outputWasActive_ = false;

    DtPlan plan_;
    DtProcedure* procedure_ = nullptr;
    DeviceTestResult result_;
    DtPlayedStep current_;
    double gainDb_[2];
    // The current step's takes: the gains this take plays with, its number,
    // whether an earlier one clipped, and whether the one before it did.
    double stepGainDb_[2] = {0.0, 0.0};
    int take_ = 1;
    bool clippedBefore_ = false;
    bool lastClipped_ = false;
    int index_ = 0;
    int inRate_ = 0;
    int outRate_ = 0;
    bool running_ = false;

    PlayPath player_;
    StretchRecorder recorder_;
    QTimer settle_;
    std::unique_ptr<MarkedOneShot> sweep_; // the sweep step's output, while one runs
};

} // namespace korvanta
