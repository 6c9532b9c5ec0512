#pragma once
// The distortion run's step loop, without any widget: each step plays a sine
// at the step's level and frequency, waits the settle time, records one
// block and measures the fundamental, gain, THD, THD+N and H2 ... H9 of the
// chosen input channel. A run over level stops by itself once THD+N passes
// the plan's limit. Results leave through signals, failures through
// failed() with a Failure kind; stopped() ends every run, whatever ends it.
//
// One input, several loops: a block that is not the one this engine waits
// for is dropped and the step's own block recorded instead.
//
// A block that comes in while the tone's output looks stalled is held, with
// the tone on, until the output takes frames again (the block is measured)
// or reports its stall (the run fails at the output): restarting the tone at
// every step would otherwise keep the report from ever coming. GUI thread
// only.

#include "audio/MeasuringEngine.h"
#include "audio/RunEstimate.h"
#include "distortion/DistortionPlan.h"
#include "distortion/HarmonicAnalysis.h"
#include "audio/OutputStallCheck.h"

#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

namespace korvanta {

enum class DistortionSweep { Level, Frequency };

struct DistortionSettings {
    DistortionSweep sweep = DistortionSweep::Level;
    LevelPlan levels;
    double frequency = 1000.0;        // Hz, of a run over level
    double fromHz = 20.0;             // a run over frequency, logarithmic steps
    double toHz = 20000.0;
    int frequencySteps = 30;
    double fixedLevelDb = -10.0;      // the level of a run over frequency
    int channel = 0;                  // the input measured: 0 left, 1 right
    OutputScale scale;                // volts at full scale from the calibration
    int settleMs = 200;
};

struct DistortionPoint {
    int index = 0;
    double levelDb = 0.0;     // played, dB full scale
    double frequency = 0.0;
    HarmonicMeasurement m;
    double gainDb = 0.0;      // recorded fundamental over played amplitude
    double peakVolts = 0.0;
    double rmsVolts = 0.0;
    double watts = 0.0;
    int overRange = 0;        // samples on the limits of the sample format
};

// The frequency of step k of a run over frequency: logarithmic from `from`
// to `to` in `steps` intervals.
double DistortionStepFrequency(const DistortionSettings& s, int k);

// The planned duration of a run recorded at `inRate`: exact for a run over
// frequency; for a run over level its coarse steps, approximate, since the
// fine steps near the thresholds and the end at the limit depend on what
// it measures.
RunEstimate DistortionEstimate(const DistortionSettings& s, int inRate);

// Measures one recorded stereo block (first float of a pair: right channel)
// of `frames` frames (a power of two) played at `playedAmplitude`.
DistortionPoint MeasureDistortionBlock(const float* interleaved, int frames, double sampleRate,
                                       const DistortionSettings& s, double levelDb, double frequency,
                                       const AnalysisSettings& analysis, const CorrectionTable& weighting);

class TDistortionEngine : public MeasuringEngine {
    Q_OBJECT
public:
    // Steps are measured with `analysis` and its `weighting`; the tone plays
    // at its level corrected by `outputCorrection`.
    TDistortionEngine(const AnalysisSettings& analysis, const CorrectionTable& weighting,
                      const CorrectionTable& outputCorrection, QObject* parent = nullptr);
    ~TDistortionEngine() override;

    // Begins a run (started() follows); false (and nothing started) when one
    // runs or no input and output are usable.
    bool Start(const DistortionSettings& settings);
    // Ends the run after the step in progress.
    void Stop();
    // Ends the run now: tone off, a block in flight dropped.
    void Abort();
    bool Running() const override { return running_; }
    const DistortionSettings& Settings() const { return settings_; }

    static constexpr int kFrames = 16384;

    // The kind of a failed(), the same two as the sweep's: the tone could
    // not be played (or a recording not begun), or no usable block came.
    enum class Failure { FrequencyOutput, NextBlock };

    // The steps a run will measure, for progress(): known for a run over
    // frequency; 0 for a run over level, whose fine steps near the THD+N
    // thresholds and whose end at the limit depend on what it measures.
    static int PlannedSteps(const DistortionSettings& settings);

signals:
    void stepStarting(int index, double levelDb, double frequency);
    void pointReady(const DistortionPoint& point);
    // The run has ended by itself, by Stop(), Abort() or at the limit;
    // stopped() follows.
    void finished(bool stoppedAtLimit);

private:
    void nextStep();
    void record();
    void onBlock();
    void measureHeld();
    void fail(Failure kind, int code);
    void end();
    void finish();
    std::optional<double> nextLevel() const;

    DistortionSettings settings_;
    const AnalysisSettings& analysis_;
    const CorrectionTable& weighting_;
    const CorrectionTable& outputCorrection_;
    std::unique_ptr<LevelStepper> stepper_;
    bool running_ = false;
    bool stopRequested_ = false;
    bool awaiting_ = false;
    int index_ = 0;
    int runSerial_ = 0;
    int tag_ = 0;
    double levelDb_ = 0.0;
    double frequency_ = 0.0;
    QTimer settle_;
    OutputStallCheck outputCheck_;
    std::vector<float> held_;   // the step's block until it is measured
    int heldOverRange_ = 0;
};

} // namespace korvanta
