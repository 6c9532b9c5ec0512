#pragma once
// The calibration's measuring loop: it records the input block after block
// and hands out how far each block drives the input, or how many of its
// samples clipped, so that the user can raise a test sine to just below
// clipping. It runs until stopped or until the device fails.
//
// Each recording names the engine as its owner: a newer request of another
// loop wins, and a block that is not the engine's own is not a reading.
// The block still on its way when the loop is stopped is handed out when it
// arrives (it was measured), and no recording follows it.
//
// GUI thread only; a QCoreApplication is enough.

#include "audio/MeasuringEngine.h"

#include <QString>

namespace korvanta {

inline constexpr int kCalibrationBlockFrames = 8000;

// One block's reading: its level is the sum of |x| over all its samples
// (both channels) divided by 50, summed in single precision as the
// read-out has always been formed; `over` counts the clipped samples.
struct CalibrationReading {
    float level = 0.0f;
    int over = 0;
};

CalibrationReading ReadCalibrationBlock(const float* block, int count, int overRange);
// The indicator's text: "over <n>" when samples clipped, else the level as
// "%4.1f%".
QString CalibrationIndicatorText(const CalibrationReading& reading);

class CalibrationEngine : public MeasuringEngine {
    Q_OBJECT
public:
    enum class Failure {
        Record,   // a recording could not be started
        Block,    // a block came back with the device's error
    };

    explicit CalibrationEngine(QObject* parent = nullptr);

    // Begins the loop; nothing happens while it runs. The first recording
    // starts from the event loop, after the caller has stopped the others.
    void Start();
    void Stop();
    bool Running() const override { return running_; }

signals:
    void reading(const korvanta::CalibrationReading& reading);

protected:
    bool event(QEvent* e) override;

private:
    void postNextBlock();
    void nextBlock();
    void blockArrived();
    void fail(Failure kind, int code);

    bool running_ = false;
    int blocks_ = 0;
};

} // namespace korvanta
