// The analyzer's measuring run: START and STOP, the next-block event and the
// processing of each recorded block. Part of TAnalyzerPage (see its header).

#include "AnalyzerPage.h"

#include "AnalysisSettings.h"
#include "AnalyzerLogic.h"
#include "Audconst.h"
#include "CorrectionTable.h"
#include "Diagr3.h"
#include "FFtuli.h"
#include "LevelUnits.h"
#include "ModalQuestions.h"
#include "Soundd3.h"
#include "SpectrumAnalysis.h"
#include "UserMessages.h"
#include "WaveTypes.h"
#include "samplemem.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QLabel>
#include <chrono>
#include <cmath>
#include <span>

namespace {
constexpr int kCommentLength = 120;
constexpr int kDeviceErrorHelpContext = 17;

int inputSampleRate()
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return in;
}
} // namespace

QString TAnalyzerPage::diagramComment() const
{
    return diagram_ ? diagram_->GetComment().left(kCommentLength) : Analyzer().Comment;
}

void TAnalyzerPage::StartButtonClick()
{
    AnalyzerState& a = Analyzer();
    a.Comment = diagramComment();
    const int fs = inputSampleRate();
    a.AverCount = std::max(1, AverVal->value());
    if (a.InFormats == 0 || a.Running || !a.AnalyzerActive)
        return;

    const int N = a.FFTpoints;
    const RunRange range = RunFrequencyRange(fs, N);
    if (!diagram_ || diagram_->SetupDiagram(a.Comment, N / 2 - 1, range.xmin, range.xmax, a.DiaYMin, a.DiaYMax)) {
        SetRunning(false);
        modal::MessageBox(modal::Kind::Warning, QStringLiteral("Diagram Error"), modal::Ok);
        return;
    }
    // Sums left by a run that was stopped halfway through an average (or
    // switched to trigger mode) would inflate this run's first average.
    ClearSums(a);
    emptyBlocks_.reset();
    const int rc = startRecording();
    if (rc != 0) {
        SetRunning(false);
        deviceError(Messages().startSampleError, rc);
        return;
    }
    SetRunning(true);
    emit runStarted();
}

void TAnalyzerPage::StopButtonClick()
{
    Analyzer().Comment = diagramComment();
    SetRunning(false);
}

void TAnalyzerPage::SetRunning(bool flag)
{
    AnalyzerState& a = Analyzer();
    a.Running = flag;
    // During a run the box counts the averages still to come down to 0.
    AverVal->setMinimum(flag ? 0 : 1);
    AverVal->setValue(a.AverCount);
    a.AverLeft = a.AverCount;
    updateEnabledStates();
}

int TAnalyzerPage::startRecording()
{
    return StartRecord(BlockFrames(Analyzer().FFTpoints), 0, [this] { OnBlock(); });
}

bool TAnalyzerPage::event(QEvent* e)
{
    if (e->type() == UM_NEXTBLOCK) {
        nextBlock();
        return true;
    }
    return QWidget::event(e);
}

void TAnalyzerPage::nextBlock()
{
    // A run stopped after this event was posted records nothing more.
    if (Analyzer().Running) {
        const int rc = startRecording();
        if (rc != 0) {
            SetRunning(false);
            deviceError(Messages().nextBlockError, rc);
        }
    }
    Analyzer().Comment = diagramComment();
}

void TAnalyzerPage::deviceError(const QString& prefix, int code)
{
    modal::MessageBox(modal::Kind::Error, prefix + SoundErrorText(code) + QStringLiteral(")"),
                      modal::Ok | modal::Help, kDeviceErrorHelpContext);
}

void TAnalyzerPage::OnBlock()
{
    int count = 0, overRange = 0, userValue = 0;
    const float* data = GetRecordBlock(count, overRange, userValue);
    const int error = LastSoundError();
    AnalyzerState& a = Analyzer();

    if (data && a.Running && a.AnalyzerActive && !BlockFitsTransform(count, a.FFTpoints)) {
        // A shorter recording that was still under way when this run started
        // (one of the calibration loop, or of a smaller FFT size) delivered
        // this block. It is not the run's: record the run's own instead of
        // ending a single or trigger run with nothing shown.
        QCoreApplication::postEvent(this, new QEvent(UM_NEXTBLOCK));
        return;
    }
    BlockOutcome out;
    if (data && a.Running && a.AnalyzerActive)
        out = ProcessBlock(data, count, overRange);

    // A device that stalled, vanished, delivered a short block or could not
    // be closed ends the run with a message instead of retrying blindly.
    if (!data && error != 0 && a.Running) {
        SetRunning(false);
        deviceError(Messages().nextBlockError, error);
        return;
    }

    if (data)
        emptyBlocks_.reset();

    ContinuationInput in;
    in.runMode = a.RunMode;
    in.running = a.Running;
    in.deviceError = error != 0;
    in.q = out.q;
    in.t = out.t;
    in.averLeft = a.AverLeft;
    in.averCount = a.AverCount;
    const NextStep step = Continuation(in);
    if (step == NextStep::PostNextBlock && !data && error == 0 && deliversNothing()) {
        SetRunning(false);
        deviceError(Messages().nextBlockError, WAVERR_DEVICE_STALLED);
        return;
    }
    switch (step) {
    case NextStep::PostNextBlock: QCoreApplication::postEvent(this, new QEvent(UM_NEXTBLOCK)); break;
    case NextStep::StopRun: SetRunning(false); break;
    case NextStep::Nothing: break;
    }
}

bool TAnalyzerPage::deliversNothing()
{
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    return emptyBlocks_.emptyBlock(now, EmptyBlockLimitMs(BlockFrames(Analyzer().FFTpoints), inputSampleRate()));
}

TAnalyzerPage::BlockOutcome TAnalyzerPage::ProcessBlock(const float* data, int count, int overRange)
{
    AnalyzerState& a = Analyzer();
    const int fs = inputSampleRate();
    const int N = a.FFTpoints;
    BlockOutcome out;

    Label2->setText(OverRangeText(overRange));
    // A block too short for the transform is never analysed with stale samples.
    if (!BlockFitsTransform(count, N))
        return out;
    if (a.RightOn) {
        CopyChannel(data, count, 0, a.SpecRight.get());
        FftMagnitude(a.SpecRight.get(), N);
    }
    if (a.LeftOn) {
        CopyChannel(data, count, 1, a.SpecLeft.get());
        FftMagnitude(a.SpecLeft.get(), N);
    }
    const LevelParameters lp = GetLevelParameters(a);

    const bool averaging = a.AverCount > 1;
    const bool ready = AverageStep(a, N / 2);
    if (averaging)
        AverVal->setValue(ready ? 0 : a.AverLeft);
    if (!ready) {
        // An average still being collected has no level yet: a trigger run
        // goes on to its next block instead of stopping on the 1.0/1.0 pair
        // that stands for a missing block.
        out.q = static_cast<float>(kNoSignalDb);
        return out;
    }
    AverVal->setValue(a.AverCount);

    showReadouts(out, fs, lp);
    if (diagram_) {
        diagram_->ShowCurves(a.LeftOn, a.RightOn);
        diagram_->ShowScales(true, false);
    }
    const bool refused = a.Running && !storePoints(fs, lp);
    if (diagram_)
        diagram_->update();
    emit spectrumShown();
    if (refused) {
        SetRunning(false);
        modal::MessageBox(modal::Kind::Warning, QStringLiteral("Diagram error"), modal::Ok);
    }
    return out;
}

void TAnalyzerPage::showReadouts(BlockOutcome& out, int sampleRate, const LevelParameters& lp)
{
    AnalyzerState& a = Analyzer();
    AnalysisSettings& an = Analysis();
    const int bins = a.FFTpoints / 2;
    const std::span<const float> left(a.SpecLeft.get(), bins);
    const std::span<const float> right(a.SpecRight.get(), bins);
    const MessageTable& msg = Messages();
    an.sampleRate = sampleRate;
    an.fftPoints = a.FFTpoints;

    if (an.levelOn && diagram_)
        diagram_->SetInfoLine(LevelReadout(msg.leftLabel, BandLevel(left, lp.unitOffset), msg.rightLabel,
                                           BandLevel(right, lp.unitOffset), lp.label, an.filterName));
    if (an.thdOn && diagram_) {
        // Each computation stores the fundamental it found; read it right away.
        const double thdLeft = ThdPlusNoise(left);
        const QString partLeft = ThdPart(an.fundamental, thdLeft, msg.noFundamental);
        const double thdRight = ThdPlusNoise(right);
        const QString partRight = ThdPart(an.fundamental, thdRight, msg.noFundamental);
        diagram_->SetInfoLine(ThdReadout(msg.leftLabel, partLeft, msg.rightLabel, partRight, an.filterName));
    }
    if (a.RunMode == 2) {
        const double qL = BandLevel(left, lp.unitOffset);
        const double qR = BandLevel(right, lp.unitOffset);
        out.q = (qL != 0 && qR != 0) ? static_cast<float>((qL + qR) / 2) : static_cast<float>(kNoSignalDb);
        out.t = static_cast<float>(20.0 * std::log10(an.fundamentalThreshold));
        if (diagram_)
            diagram_->SetInfoLine(TriggerReadout(out.q, out.t, lp.label));
    }
}

bool TAnalyzerPage::storePoints(int sampleRate, const LevelParameters& lp)
{
    if (!diagram_)
        return true;
    const AnalyzerState& a = Analyzer();
    const int N = a.FFTpoints;
    const CorrectionTable& correction = InputCorrection();
    auto level = [&](float m, double f) {
        if (m == 0.0f)
            return static_cast<float>(kNoSignalDb);
        return static_cast<float>(Correct(correction, 1, f, BinLevel(m, lp)));
    };
    for (int i = 0; i < N / 2; ++i) {
        const double f = BinFrequency(i, N, sampleRate);
        const float left = level(a.LeftOn ? a.SpecLeft[i] : 0.0f, f);
        const float right = level(a.RightOn ? a.SpecRight[i] : 0.0f, f);
        if (diagram_->AddPoint(left, right, i, static_cast<float>(f)) != 0)
            return false;
    }
    return true;
}
