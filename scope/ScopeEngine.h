#pragma once
// The oscilloscope's frame loop, without any widget. Each frame message
// applies the timebase (capture rate and length) when it changed and records
// one block; the block's completion finds the trigger, converts both
// channels to divisions, hands the points to the display and, while the loop
// runs, posts the next frame message. The page turns control events into
// calls here and the signals into its labels.
//
// The loop shares the one input with the analyzer, the calibration and the
// sweep: every recording names this engine as its owner and carries the
// set-up it was made for, and a block of anyone else (or of an earlier
// set-up) is dropped and replaced by a recording of its own. Device faults
// stop the loop with failed(); empty blocks that keep coming for longer
// than a block takes stop it too, so it never spins. started() and
// stopped() follow the loop's running state. GUI thread only.

#include "audio/MeasuringEngine.h"
#include "measure/EmptyBlockWatch.h"
#include "scope/ScopeFrame.h"
#include "scope/ScopeScales.h"

#include <vector>

namespace korvanta {

struct OscilloscopeSettings;
class ScopeDisplay;

// Full-scale volts per unit of the input calibration value.
inline constexpr float kVoltsPerCalibrationUnit = 0.0015f;

class ScopeEngine : public MeasuringEngine {
    Q_OBJECT
public:
    explicit ScopeEngine(OscilloscopeSettings& settings, QObject* parent = nullptr);

    void SetDisplay(ScopeDisplay* display) { display_ = display; }

    // The page is entered: the calibration gives volts at full scale, the
    // capture rate becomes the record's and the loop runs; the first frame
    // is posted only when `inputUsable`.
    void Enter(float voltageScale, bool inputUsable);
    // The page is left: the loop stops; a block in flight is dropped.
    void Leave();
    // Start (running, first frame posted) and stop. Start refuses (false)
    // when the input has no usable format.
    bool Start();
    void Stop();
    // Starts again after another action had the input (calibration, a reset
    // of the sound system that read the device's rates anew): the timebase
    // is applied afresh with the next frame.
    bool Restart(float voltageScale);
    bool Running() const override { return running_; }

    // Sets the display up for the current record (points, x range).
    void SetupDisplay();

    void SetVoltageScale(float volts) { voltageScale_ = volts; }
    float VoltageScale() const { return voltageScale_; }
    void SetTriggerLevel(float divisions) { triggerLevel_ = divisions; }
    float TriggerLevel() const { return triggerLevel_; }
    float SampleInterval() const { return sampleInterval_; }
    // X-Y: where the zeros sit, in divisions from the screen's centre
    // (vertical for channel 1, horizontal for channel 2).
    void SetXYOffsets(float channel1, float channel2);
    float XYOffset1() const { return xyOffset1_; }
    float XYOffset2() const { return xyOffset2_; }
    // The scales as they are now, and their read-out on the display
    // (repainted, so a change shows while the loop is stopped too).
    ScopeScales Scales() const;
    void ShowScales();

    // The frame message's work, also callable directly.
    void FrameMessage();
    // Completion of a recording.
    void OnBlock();

    // The kind of a failed(): a recording could not begin, or a block came
    // back with a device fault (or nothing at all, for too long).
    enum class Failure { StartRecording, Block };

    // For read-outs and tests: frames shown, trigger index of the last one.
    int FramesShown() const { return framesShown_; }
    int LastTriggerIndex() const { return lastTrigger_; }
    // Blocks that another loop (or an earlier set-up) asked for.
    int DroppedBlocks() const { return dropped_; }

signals:
    // A timebase was applied: its label, the capture rate (label black).
    void timebaseApplied(const QString& label, int rate);
    // Clipped samples of the last frame (0: none).
    void overRange(int count);
    // After each frame shown, and after its progress(FramesShown(), 0).
    void frameShown();

protected:
    bool event(QEvent* event) override;

private:
    void setRunning(bool on);
    void postFrame();
    void applyTimebase();
    void fail(Failure kind, int code);
    bool deliversNothing();
    bool ownBlock(int userValue) const;
    void showFrame(const float* block, int floats);

    OscilloscopeSettings& settings_;
    ScopeDisplay* display_ = nullptr;
    bool running_ = false;
    bool inputUsable_ = true;
    float voltageScale_ = 0.0f;
    float triggerLevel_ = 0.0f;
    float xyOffset1_ = 0.0f, xyOffset2_ = 0.0f;
    float sampleInterval_ = 0.0f;
    int appliedTimebase_ = 0;   // 0: none applied since the page was entered
    int setup_ = 0;             // set-up the recordings are made for
    EmptyBlockWatch emptyBlocks_;
    int framesShown_ = 0;
    int lastTrigger_ = -1;
    int dropped_ = 0;
    std::vector<ScopePoint> points_;
};

} // namespace korvanta
