#include "measure/AnalyzerEngine.h"

#include "analysis/AnalysisSettings.h"
#include "measure/AnalyzerLogic.h"
#include "app/Audconst.h"
#include "correction/CorrectionTable.h"
#include "measure/FFtuli.h"
#include "measure/LevelUnits.h"
#include "audio/Soundd3.h"
#include "analysis/SpectrumAnalysis.h"
#include "platform/UserMessages.h"
#include "platform/audio/WaveTypes.h"
#include "measure/samplemem.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <cmath>
#include <span>

namespace korvanta {

namespace {
constexpr int kTriggerMode = 2;

int inputSampleRate()
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return in;
}
} // namespace

TAnalyzerEngine::TAnalyzerEngine(AnalyzerState& state, AnalysisSettings& analysis,
                                 const CorrectionTable& weighting, const CorrectionTable& inputCorrection,
                                 QObject* parent)
    : MeasuringEngine(parent), state_(state), analysis_(analysis), weighting_(weighting),
      inputCorrection_(inputCorrection)
{
    RefreshWindow();
}

bool TAnalyzerEngine::Running() const { return state_.Running; }

void TAnalyzerEngine::RefreshWindow() { fft_.MakeWindow(state_.FFTwin, state_.FFTpoints); }

int TAnalyzerEngine::Start()
{
    // Sums left by a run that was stopped halfway through an average (or
    // switched to trigger mode) would inflate this run's first average.
    ClearSums(state_);
    emptyBlocks_.reset();
    const int rc = startRecording();
    if (rc != 0)
        fail(Failure::StartSample, rc);
    else
        SetRunning(true);
    return rc;
}

void TAnalyzerEngine::SetRunning(bool flag)
{
    const bool was = state_.Running;
    state_.Running = flag;
    state_.AverLeft = state_.AverCount;
    emit runningChanged(flag);
    if (flag && !was)
        emit started();
    else if (!flag && was)
        emit stopped();
}

void TAnalyzerEngine::SetFftSize(int N)
{
    state_.FFTpoints = (N == 4096 || N == 8192 || N == 16384) ? N : 2048;
    RefreshWindow();
    // Partial sums of the old size must not leak into the next average.
    ClearSums(state_);
}

void TAnalyzerEngine::SetWindow(int type)
{
    if (type < 0 || type >= kWindowTypeCount)
        return;
    state_.FFTwin = type;
    RefreshWindow();
}

int TAnalyzerEngine::startRecording()
{
    return StartRecord(BlockFrames(state_.FFTpoints), 0, [this] { OnBlock(); }, this);
}

void TAnalyzerEngine::postNextBlock() { QCoreApplication::postEvent(this, new QEvent(UM_NEXTBLOCK)); }

bool TAnalyzerEngine::event(QEvent* e)
{
    if (e->type() == UM_NEXTBLOCK) {
        nextBlock();
        return true;
    }
    return QObject::event(e);
}

void TAnalyzerEngine::nextBlock()
{
    // A run stopped after this event was posted records nothing more.
    if (state_.Running) {
        const int rc = startRecording();
        if (rc != 0)
            fail(Failure::NextBlock, rc);
    }
    emit nextBlockHandled();
}

void TAnalyzerEngine::fail(Failure failure, int code)
{
    // The failure first, so that a listener knows why the run stops.
    const bool was = state_.Running;
    state_.Running = false;
    state_.AverLeft = state_.AverCount;
    emit runningChanged(false);
    emit failed(MakeEngineFailure(static_cast<int>(failure), code));
    if (was)
        emit stopped();
}

void TAnalyzerEngine::OnBlock()
{
    int count = 0, overRange = 0, userValue = 0;
    const float* data = GetRecordBlock(count, overRange, userValue);
    const int error = LastSoundError();
    AnalyzerState& a = state_;

    if (a.Running && a.AnalyzerActive && (RecordBlockOwner() != this || (data && !BlockFitsTransform(count, a.FFTpoints)))) {
        // Another loop's block, or one of this engine's recorded for a
        // smaller FFT size before the run started. It is not the run's:
        // record the run's own instead of ending a single or trigger run
        // with nothing shown.
        postNextBlock();
        return;
    }
    BlockOutcome out;
    if (data && a.Running && a.AnalyzerActive)
        out = ProcessBlock(data, count, overRange);

    // A device that stalled, vanished, delivered a short block or could not
    // be closed ends the run with a message instead of retrying blindly.
    if (!data && error != 0 && a.Running) {
        fail(Failure::NextBlock, error);
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
        fail(Failure::NextBlock, WAVERR_DEVICE_STALLED);
        return;
    }
    switch (step) {
    case NextStep::PostNextBlock: postNextBlock(); break;
    case NextStep::StopRun: SetRunning(false); break;
    case NextStep::Nothing: break;
    }
}

bool TAnalyzerEngine::deliversNothing()
{
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    return emptyBlocks_.emptyBlock(now, EmptyBlockLimitMs(BlockFrames(state_.FFTpoints), inputSampleRate()));
}

void TAnalyzerEngine::averagesProgress(int left)
{
    emit averagesLeft(left);
    emit progress(state_.AverCount - left, state_.AverCount);
}

TAnalyzerEngine::BlockOutcome TAnalyzerEngine::ProcessBlock(const float* data, int count, int overRange)
{
    AnalyzerState& a = state_;
    const int N = a.FFTpoints;
    BlockOutcome out;

    emit overRangeCounted(overRange);
    // A block too short for the transform is never analysed with stale samples.
    if (!BlockFitsTransform(count, N))
        return out;
    if (a.RightOn) {
        CopyChannel(data, count, 0, a.SpecRight.get());
        fft_.Magnitude(a.SpecRight.get(), N);
    }
    if (a.LeftOn) {
        CopyChannel(data, count, 1, a.SpecLeft.get());
        fft_.Magnitude(a.SpecLeft.get(), N);
    }
    const LevelParameters lp = GetLevelParameters(a);

    const bool averaging = a.AverCount > 1;
    const bool ready = AverageStep(a, N / 2);
    if (averaging)
        averagesProgress(ready ? 0 : a.AverLeft);
    if (!ready) {
        // An average still being collected has no level yet: a trigger run
        // goes on to its next block instead of stopping on the 1.0/1.0 pair
        // that stands for a missing block.
        out.q = static_cast<float>(kNoSignalDb);
        return out;
    }
    emit averagesLeft(a.AverCount);

    AnalyzerSpectrum s;
    s.sampleRate = inputSampleRate();
    s.fftPoints = N;
    s.leftOn = a.LeftOn;
    s.rightOn = a.RightOn;
    s.unitLabel = lp.label;
    readouts(s, out, lp);
    if (a.Running)
        levels(s, lp);
    emit spectrumReady(s);
    return out;
}

void TAnalyzerEngine::readouts(AnalyzerSpectrum& s, BlockOutcome& out, const LevelParameters& lp)
{
    const AnalyzerState& a = state_;
    AnalysisSettings& an = analysis_;
    const int bins = a.FFTpoints / 2;
    const std::span<const float> left(a.SpecLeft.get(), bins);
    const std::span<const float> right(a.SpecRight.get(), bins);
    const MessageTable& msg = Messages();
    an.sampleRate = s.sampleRate;
    an.fftPoints = a.FFTpoints;

    if (an.levelOn) {
        s.levelShown = true;
        s.levelLeft = BandLevel(an, weighting_, left, lp.unitOffset);
        s.levelRight = BandLevel(an, weighting_, right, lp.unitOffset);
        s.levelLine = LevelReadout(msg.leftLabel, s.levelLeft, msg.rightLabel, s.levelRight, lp.label, an.filterName);
    }
    if (an.thdOn) {
        // Each computation stores the fundamental it found; read it right away.
        s.thdShown = true;
        s.thdLeft = ThdPlusNoise(an, weighting_, left);
        s.fundamentalLeft = an.fundamental;
        s.thdRight = ThdPlusNoise(an, weighting_, right);
        s.fundamentalRight = an.fundamental;
        s.thdLine = ThdReadout(msg.leftLabel, ThdPart(s.fundamentalLeft, s.thdLeft, msg.noFundamental),
                               msg.rightLabel, ThdPart(s.fundamentalRight, s.thdRight, msg.noFundamental),
                               an.filterName);
    }
    if (a.RunMode == kTriggerMode) {
        const double qL = BandLevel(an, weighting_, left, lp.unitOffset);
        const double qR = BandLevel(an, weighting_, right, lp.unitOffset);
        out.q = (qL != 0 && qR != 0) ? static_cast<float>((qL + qR) / 2) : static_cast<float>(kNoSignalDb);
        out.t = static_cast<float>(20.0 * std::log10(an.fundamentalThreshold));
        s.triggerLine = TriggerReadout(out.q, out.t, lp.label);
    }
}

void TAnalyzerEngine::levels(AnalyzerSpectrum& s, const LevelParameters& lp) const
{
    const AnalyzerState& a = state_;
    const int bins = a.FFTpoints / 2;
    const CorrectionTable& correction = inputCorrection_;
    auto level = [&](float m, double f) {
        if (m == 0.0f)
            return static_cast<float>(kNoSignalDb);
        return static_cast<float>(Correct(correction, 1, f, BinLevel(m, lp)));
    };
    s.frequency.resize(bins);
    s.left.resize(bins);
    s.right.resize(bins);
    for (int i = 0; i < bins; ++i) {
        const double f = BinFrequency(i, a.FFTpoints, s.sampleRate);
        s.frequency[i] = f;
        s.left[i] = level(a.LeftOn ? a.SpecLeft[i] : 0.0f, f);
        s.right[i] = level(a.RightOn ? a.SpecRight[i] : 0.0f, f);
    }
}

} // namespace korvanta
