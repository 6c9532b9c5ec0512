#pragma once
// The spectrum analyzer's block loop, without any widget. A run is a chain
// of posted events on the GUI thread: a block completes, OnBlock processes
// it and, when the run goes on, posts UM_NEXTBLOCK to the engine, whose
// handler records the next block. Each displayed spectrum (single or the
// mean of a run of averages) leaves as an AnalyzerSpectrum: the read-out
// values and texts and, while the run goes on, the levels of every bin.
//
// The analyzer page drives one engine and turns its signals into labels,
// the diagram and message boxes; the measuring command drives another with
// no window at all. Each engine measures with the AnalyzerState and
// AnalysisSettings records it is built from (the page's are the ones its
// controls and menus set) and its own window table, so two engines in one
// process never mix their settings, sums or windows.
//
// GUI thread only.

#include "audio/MeasuringEngine.h"
#include "measure/EmptyBlockWatch.h"
#include "measure/FFtuli.h"

#include <QObject>
#include <QString>
#include <vector>

namespace korvanta {

struct AnalysisSettings;
struct AnalyzerState;
struct CorrectionTable;
struct LevelParameters;

// One displayed spectrum.
struct AnalyzerSpectrum {
    int sampleRate = 0;
    int fftPoints = 0;
    bool leftOn = true;
    bool rightOn = true;
    QString unitLabel;

    // The read-outs of the diagram's info line, in the order they are set;
    // a line is empty when its read-out is off.
    bool levelShown = false;
    double levelLeft = 0.0;
    double levelRight = 0.0;
    QString levelLine;
    bool thdShown = false;
    double thdLeft = 0.0;
    double thdRight = 0.0;
    double fundamentalLeft = 0.0;   // Hz, 0: none found
    double fundamentalRight = 0.0;
    QString thdLine;
    QString triggerLine;

    // Levels of bins 0 .. N/2 - 1 in the chosen unit with the input
    // correction applied (-192: no signal, and every bin of a channel that
    // is not measured). Empty when the run was no longer going on.
    std::vector<double> frequency;
    std::vector<float> left;
    std::vector<float> right;
};

class TAnalyzerEngine : public MeasuringEngine {
    Q_OBJECT
public:
    // `weighting` is the curve the level and THD+N read-outs apply,
    // `inputCorrection` the one the spectrum's levels are corrected by.
    TAnalyzerEngine(AnalyzerState& state, AnalysisSettings& analysis, const CorrectionTable& weighting,
                    const CorrectionTable& inputCorrection, QObject* parent = nullptr);

    // Clears the sums and records the first block of a run. Returns 0 (the
    // run is going on) or the device's error code (the run is idle again,
    // and failed() has told why).
    // The caller has checked that no run goes on and the input is usable.
    int Start();
    // The run ends; a block still being recorded is dropped when it comes.
    void Stop() { SetRunning(false); }
    // Records whether a run goes on; the averages start afresh.
    void SetRunning(bool flag);
    bool Running() const override;

    AnalyzerState& State() { return state_; }
    AnalysisSettings& Analysis() { return analysis_; }
    // Makes the window table for the record's window type and FFT size (the
    // page does so when it is entered).
    void RefreshWindow();

    // The FFT size (2048 ... 16384; anything else is 2048) and the window:
    // the window table is made for them and partial sums are discarded.
    void SetFftSize(int N);
    void SetWindow(int type);

    // Completion of a recording: fetches the block and processes it.
    void OnBlock();
    // One recorded block (interleaved, right channel first): spectra,
    // averaging, levels and read-outs. Public so the benchmark can time it
    // without a device.
    struct BlockOutcome {
        float q = 1.0f; // trigger comparison pair; 1.0/1.0 when no block was processed,
        float t = 1.0f; // q = -192 while an average is still being collected
    };
    BlockOutcome ProcessBlock(const float* data, int count, int overRange);

    enum class Failure { StartSample, NextBlock };

signals:
    // Samples of the block that sat on a format limit (0: none).
    void overRangeCounted(int count);
    // Averages still to come in the run of averages being collected; the
    // full count again once a spectrum is shown. progress() counts the same
    // blocks upwards: done of the averages in one spectrum.
    void averagesLeft(int count);
    // A spectrum is ready. A handler may stop the run (SetRunning(false));
    // the run then goes no further.
    void spectrumReady(const AnalyzerSpectrum& spectrum);
    // Every time the running flag is set, changed or not; started() and
    // stopped() announce the changes.
    void runningChanged(bool running);
    // The next-block event has been handled (recorded or not).
    void nextBlockHandled();

protected:
    bool event(QEvent* e) override; // UM_NEXTBLOCK

private:
    int startRecording();
    void nextBlock();
    void postNextBlock();
    bool deliversNothing(); // the current empty block is one too many
    void fail(Failure failure, int code);
    void readouts(AnalyzerSpectrum& s, BlockOutcome& out, const LevelParameters& lp);
    void levels(AnalyzerSpectrum& s, const LevelParameters& lp) const;
    void averagesProgress(int left);

    AnalyzerState& state_;
    AnalysisSettings& analysis_;
    const CorrectionTable& weighting_;
    const CorrectionTable& inputCorrection_;
    FftWorkspace fft_;
    EmptyBlockWatch emptyBlocks_;
};

} // namespace korvanta
