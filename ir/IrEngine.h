#pragma once
// The impulse response's run, without any widget: the sweep (count periods
// back to back) is played once by a PlayPath while a StretchRecorder holds
// the whole answer in one gap-free stretch, begun before the first frame
// plays (the output plays silence until the input delivers) and holding
// the sweeps with their tails, which hold the devices' latency; the
// recorder's clock marks the first played frame, so the recording is cut
// from there and handed to AnalyseSweep on a thread of its own
// (IrAnalysisThread). Both channels are recorded; the reference mode
// divides one by the other.
//
// progress() counts percent of the sweeps' periods recorded (total 100),
// while the recording runs; 100 comes with the result.
//
// The run takes the output as the other measurements do. The input and
// output corrections stay as they are: the sweep is played unchanged and
// the output's curve is divided out of the response (IrCorrection.h).
// A stop ends the run at once with the output silent and no result, in
// the analysis too; a
// device fault ends it with failed() and no result; a bad set-up (the
// sweep does not fit the rate, no signal, clipping, a latency longer than
// the tail, drifting clocks) ends it with refused() and its text, and no
// curve. GUI thread only.

#include "audio/MeasuringEngine.h"
#include "audio/PlayPath.h"
#include "audio/StretchRecorder.h"
#include "ir/IrAnalysis.h"
#include "ir/IrAnalysisThread.h"

#include <QTimer>

namespace korvanta {

struct CorrectionTable;

class IrEngine : public MeasuringEngine {
    Q_OBJECT
public:
    IrEngine(CorrectionTable& inputCorrection, CorrectionTable& outputCorrection, QObject* parent = nullptr);
    ~IrEngine() override;

    // Begins a run (started() follows); false, and nothing started, when
    // one runs or no input and output are usable. A sweep that does not fit
    // the devices' rate starts nothing either: StartRefusal() says why, in
    // the language `letter`.
    bool Start(const IrSettings& settings, char letter = 'E');
    QString StartRefusal() const { return startRefusal_; }
    void Stop();
    bool Running() const override { return running_; }
    // The recording is in and is being analysed: the devices are free.
    bool Analysing() const { return analysis_.Busy(); }

    // The last run's measurement; ok() only after measured().
    const IrMeasurement& Result() const { return result_; }
    // The rate the run plays and records at (the devices' rates must agree).
    int Rate() const { return rate_; }

    // Room in the stretch beyond the sweeps for where the sweep starts, once
    // the input has delivered its first frames (a read of the recorder, a
    // period of a server; under 0.05 s measured). The stretch ends as soon
    // as the sweeps' periods from the marked frame on are in, so the room
    // costs no time.
    static constexpr double kMarginSeconds = 0.5;
    // Whether the sweeps' periods with that room fit one recording: what a
    // caller checks before Start() to tell a request too long from a device
    // that fails.
    static bool FitsOneRecording(const IrSweep& sweep);

    // The kind of a failed(): the output could not play, or the input could
    // not record.
    enum class Failure { Output, Input };

signals:
    // A good measurement, just before stopped().
    void measured(const korvanta::IrMeasurement& result);
    // A bad set-up found in the recording: the text, no curve; stopped() follows.
    void refused(const QString& message);

private:
    // Implementation's own; see IrEngine.cpp.
    void played();
    void onRecorded();
    void showProgress();
    void analysed(const IrMeasurement& result);
    void refuse(const QString& refusal);
    void fail(Failure kind, int code);
    void release();
    void releaseDevices();

    CorrectionTable& inputCorrection_;
    CorrectionTable& outputCorrection_;
    IrSettings settings_;
    IrMeasurement result_;
    QString startRefusal_;
    char letter_ = 'E';
    int rate_ = 0;
    bool running_ = false;
    PlayPath player_;
    StretchRecorder recorder_;
    QTimer guard_;
    QTimer progress_;
    int shownPercent_ = -1;
    IrAnalysisThread analysis_;
};

} // namespace korvanta
