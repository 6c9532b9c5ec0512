#pragma once
// The sweep's step loop, without any widget. Each step message (a posted
// UM_SWEEP_STEP to the engine) plays one tone, waits the settle time and
// records one block tagged with the step's frequency and index; the block's
// completion evaluates it, hands the point out and posts the next step
// message. Results and failures leave through signals; the page turns them
// into controls, diagram points and message boxes.
//
// One input, several loops: a block whose tag is not the one this engine
// waits for (another loop's, or a stale one of a sweep that was ended) is
// dropped and the step's own block recorded instead. A START while the
// last block of the sweep before is still due drops that block too: the
// new sweep records its own first point.
//
// A block that comes in while the tone's output looks stalled is held,
// with the tone on, until the output takes frames again (the block is
// evaluated) or reports its stall (the sweep ends with the output error):
// stopping the tone after every step would otherwise keep the report from
// ever coming, and the silence would be drawn as a measurement.
//
// GUI thread only. The settle wait is a timer: STOP, Abort, page changes
// and the close of the program run during it as at any other time, and an
// Abort or a page change ends it at once.

#include "audio/GeneratorSettings.h"
#include "audio/MeasuringEngine.h"
#include "audio/OutputStallCheck.h"
#include "generator/SweepEvaluation.h"
#include "generator/SweepSettings.h"

#include <QTimer>
#include <functional>
#include <memory>

class QEvent;

namespace korvanta {

struct CorrectionTable;

struct SweepPoint {
    int32_t index = 0;
    float frequency = 0.0f;
    SweepValues values;   // kNoSignalValue where a channel was silent
    SweepSilence silence;
    SweepCurveFlags flags;
    int overRange = 0;    // samples of the step's recording that clipped
};

class TSweepEngine : public MeasuringEngine {
    Q_OBJECT
public:
    // The tone plays at its level corrected by `outputCorrection`; the
    // points are corrected by `inputCorrection`.
    TSweepEngine(SweepSettings& settings, const CorrectionTable& inputCorrection,
                 const CorrectionTable& outputCorrection, QObject* parent = nullptr);
    ~TSweepEngine() override;

    // The generator record whose loop flag decides whether the tone stops
    // after every step. Without one the engine's own default record (loop
    // on) is used. The sweep never writes into it: it plays a copy with its
    // own level, zero phases and a sine.
    void SetGenerator(const GeneratorSettings* generator);

    // START: begins a sweep when none runs (started() follows at once).
    void Start();
    // STOP: the sweep ends at the next step message; a block in flight is
    // still evaluated.
    void Stop();
    // Ends the sweep now (everything stops, the input is being taken over
    // or reset): tone off, idle, a block still in flight is dropped.
    void Abort();
    // The page is left: tone off, stop requested, a step message posted, a
    // block still due dropped when it comes.
    void Leave();

    bool Running() const override { return settings_.running; }
    // A block of the running sweep is due, or held until its tone's output
    // has shown it still plays.
    bool AwaitingBlock() const { return awaiting_ || outputCheck_.Active(); }

    // The step message and the capture completion (public for tests).
    void Step();
    void OnBlock();

    // The tone of the sweep failed while playing: ends the sweep with the
    // frequency output error.
    void PlaybackFailed(int code);

    // The kind of a failed(): the tone could not be played (or a
    // recording not begun), or no usable block came.
    enum class Failure { FrequencyOutput, NextBlock };

signals:
    // A sweep begins (first step message): set up the diagram.
    void sweepStarting();
    // The frequency of the step about to be measured.
    void frequencyShown(float freq);
    // After every step message and every recorded step: the controls
    // follow (a step may end the plan before stopped() comes).
    void runningChanged(bool running);
    void levelReadout(const LevelReadout& readout);
    void pointReady(const SweepPoint& point);
    // The next frequency lies above half a sample rate; the sweep ended.
    void nyquistStop();

protected:
    bool event(QEvent* e) override;

private:
    void runStep();
    void settled();
    bool startTone(float freq);
    bool recordExpected();
    void takeBlock(const float* data, int count, int overRange, uint32_t tag);
    void finishStep();
    void evaluate(const float* data, int count, int overRange, uint32_t tag);
    void endWithError(Failure failure, int code);
    void dropBlockInFlight();
    void forgetPreviousRun();
    void postStep();
    bool loopFlag() const;
    // Once no step and no block is due: the tone off, the output free,
    // stopped() if a run was open.
    void giveOutputBackIfDone();
    void closeRun();

    SweepSettings& settings_;
    const CorrectionTable& inputCorrection_;
    const CorrectionTable& outputCorrection_;
    GeneratorSettings ownGenerator_;
    const GeneratorSettings* generator_ = &ownGenerator_;
    uint32_t expectedTag_ = 0;   // tag of the block this engine waits for
    int32_t expectedFrames_ = 0;
    bool awaiting_ = false;      // a block of the running sweep is due
    bool inFlight_ = false;      // a recording of this engine has not come back yet
    bool runOpen_ = false;       // started() was emitted, stopped() not yet
    QTimer settle_;              // a step's settle wait
    int staleBlocks_ = 0;        // blocks of an ended sweep still to come
    OutputStallCheck outputCheck_;
    struct HeldBlock {
        int count = 0;
        int overRange = 0;
        uint32_t tag = 0;
    } held_;
    std::unique_ptr<float[]> heldData_;  // the step's block, until it is evaluated
    std::unique_ptr<float[]> work_;      // the band-passed copy of a block
};

} // namespace korvanta
