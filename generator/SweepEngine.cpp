#include "generator/SweepEngine.h"

#include "audio/OutputOwner.h"

#include "correction/CorrectionTable.h"
#include "audio/Soundd3.h"
#include "generator/SweepPlan.h"
#include "platform/UserMessages.h"
#include "platform/audio/WaveTypes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <algorithm>

namespace korvanta {

namespace {
constexpr int kWorkFloats = 65536;   // the largest block the capture engine returns
constexpr float kLoopedDuration = -1.0f;

bool devicesUsable()
{
    return SoundInitialised() && !DeviceName('I', GetInDevice()).isEmpty()
        && !DeviceName('O', GetOutDevice()).isEmpty();
}

int inputRate()
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return in;
}
} // namespace

TSweepEngine::TSweepEngine(SweepSettings& settings, const CorrectionTable& inputCorrection,
                           const CorrectionTable& outputCorrection, QObject* parent)
    : MeasuringEngine(parent), settings_(settings), inputCorrection_(inputCorrection),
      outputCorrection_(outputCorrection), heldData_(std::make_unique<float[]>(kWorkFloats)),
      work_(std::make_unique<float[]>(kWorkFloats))
{
    // The settle time is a least wait: a coarse timer may fire early.
    settle_.setSingleShot(true);
    settle_.setTimerType(Qt::PreciseTimer);
    connect(&settle_, &QTimer::timeout, this, &TSweepEngine::settled);
}

TSweepEngine::~TSweepEngine() { OutputOwner::Instance().Release(this); }

void TSweepEngine::SetGenerator(const GeneratorSettings* generator)
{
    generator_ = generator ? generator : &ownGenerator_;
}

bool TSweepEngine::loopFlag() const { return generator_->loopMode; }

void TSweepEngine::postStep() { QCoreApplication::postEvent(this, new QEvent(UM_SWEEP_STEP)); }

bool TSweepEngine::event(QEvent* e)
{
    if (e->type() == UM_SWEEP_STEP) {
        Step();
        return true;
    }
    return QObject::event(e);
}

void TSweepEngine::Start()
{
    SweepSettings& s = settings_;
    // A second START before the first step message ran would start a second
    // chain of steps.
    if (s.running || s.startRequested)
        return;
    // The sweep's points must be its own tone: a generator tone or a wave
    // file that plays now stops, and nothing else plays until the sweep ends.
    OutputOwner::Instance().Take(this);
    forgetPreviousRun();
    s.startRequested = true;
    closeRun();
    runOpen_ = true;
    emit started();
    postStep();
}

// The sweep before this one ends once its last recording has started, and
// its block may still be on its way (or held until its tone is known to
// play). That block is the old plan's last point, perhaps from another
// device: it is dropped, not drawn into the new sweep, whose first step
// records its own. Without a new START it is still drawn.
void TSweepEngine::forgetPreviousRun()
{
    if (!AwaitingBlock())
        return;
    outputCheck_.Cancel();
    dropBlockInFlight();
}

void TSweepEngine::Stop() { settings_.stopRequested = settings_.running; }

void TSweepEngine::Abort()
{
    SweepSettings& s = settings_;
    const bool ours = s.running || AwaitingBlock();
    s.running = false;
    s.startRequested = false;
    s.stopRequested = false;
    settle_.stop();
    outputCheck_.Cancel();
    dropBlockInFlight();
    // Only the sweep's own tone: the generator window's stays.
    if (ours)
        StopPlay();
    OutputOwner::Instance().Release(this);
    emit runningChanged(false);
    closeRun();
}

void TSweepEngine::Leave()
{
    SweepSettings& s = settings_;
    if (s.running || AwaitingBlock())
        StopPlay();
    // The step waiting to record is not recorded any more, a held block not
    // evaluated.
    settle_.stop();
    outputCheck_.Cancel();
    s.stopRequested = true;
    // The next page's loop may take the input over, and with it the block
    // this sweep waits for: waiting on would leave the sweep running for
    // ever when the page is shown again.
    dropBlockInFlight();
    postStep();
}

void TSweepEngine::dropBlockInFlight()
{
    awaiting_ = false;
    // The block still on its way belongs to an ended sweep; another loop or
    // a reset may also have swallowed it, and then one later block of the
    // sweep is dropped and recorded again.
    if (inFlight_)
        staleBlocks_ = 1;
}

void TSweepEngine::Step()
{
    SweepSettings& s = settings_;
    if (s.startRequested) {
        s.stepIndex = 0;
        emit sweepStarting();
        s.startRequested = false;
        s.running = true;
    }
    if (s.stopRequested) {
        s.stopRequested = false;
        s.running = false;
    }
    // A step message dispatched during a step's settle wait only takes the
    // stop; the step that waits still records (STOP lets the step in
    // progress finish). A step message while a block is due is not the one
    // its completion will post.
    if (s.running && !settle_.isActive() && !AwaitingBlock()) {
        s.running = devicesUsable();
        if (s.running)
            runStep();
    }
    emit runningChanged(s.running);
    giveOutputBackIfDone();
}

void TSweepEngine::giveOutputBackIfDone()
{
    const SweepSettings& s = settings_;
    if (s.running || s.startRequested || AwaitingBlock())
        return;
    // Unlooped, the tone plays on between steps; it ends with the sweep,
    // but not before the last block has been recorded.
    if (!loopFlag())
        StopPlay();
    OutputOwner::Instance().Release(this);
    closeRun();
}

void TSweepEngine::closeRun()
{
    if (!runOpen_)
        return;
    runOpen_ = false;
    emit stopped();
}

void TSweepEngine::runStep()
{
    SweepSettings& s = settings_;
    int inRate = 0, outRate = 0, inBits = 0, outBits = 0;
    GetSampleRates(inRate, outRate);
    GetBits(inBits, outBits);
    const float f = StepFrequency(s.fromFrequency, s.toFrequency, s.steps, s.stepIndex, s.linear);
    s.currentFrequency = f;
    s.captureFrames = CaptureFrames(f, inRate, inBits);
    emit frequencyShown(f);
    if (!(outRate / 2 >= f && inRate / 2 >= f)) {
        s.running = false;
        emit nyquistStop();
        return;
    }
    if (!startTone(f))
        return;
    settle_.start(std::max(0, s.settleMs));
}

// The settle wait is over: the step's block is recorded.
void TSweepEngine::settled()
{
    SweepSettings& s = settings_;
    // Whatever ends the sweep during the wait also stops the timer.
    if (!s.running)
        return;
    expectedTag_ = StepTag(s.currentFrequency, s.stepIndex);
    expectedFrames_ = s.captureFrames;
    awaiting_ = true;
    if (!recordExpected())
        return;
    ++s.stepIndex;
    s.running = s.stepIndex <= s.steps;
    emit runningChanged(s.running);
}

bool TSweepEngine::startTone(float freq)
{
    SweepSettings& s = settings_;
    // A copy: the generator window's own levels, phases and signal stay.
    GeneratorSettings g = *generator_;
    const auto level = static_cast<int32_t>(RoundEven(Correct(outputCorrection_, 1, freq, s.digitalLevel)));
    g.frequency = freq;
    g.levelLeft = g.levelRight = level;
    g.phaseLeft = g.phaseRight = 0;
    g.mode = 0;
    // A tone still playing from the previous step would keep its frequency.
    StopPlay();
    // An output that fails while the tone plays ends the sweep like a
    // failed start; the engine may be gone by the time the report arrives.
    QPointer<TSweepEngine> self(this);
    const int rc = StartPlay(g, kLoopedDuration, freq, [self](int code) {
        if (self)
            self->PlaybackFailed(code);
    });
    if (rc != 0) {
        endWithError(Failure::FrequencyOutput, rc);
        return false;
    }
    return true;
}

bool TSweepEngine::recordExpected()
{
    QPointer<TSweepEngine> self(this);
    const int rc = StartRecord(expectedFrames_, static_cast<int>(expectedTag_), [self] {
        if (self)
            self->OnBlock();
    }, this);
    if (rc != 0) {
        endWithError(Failure::FrequencyOutput, rc);
        return false;
    }
    inFlight_ = true;
    return true;
}

void TSweepEngine::OnBlock()
{
    int count = 0, overRange = 0, user = 0;
    float* data = GetRecordBlock(count, overRange, user);
    const int error = LastSoundError();
    const auto tag = static_cast<uint32_t>(user);
    inFlight_ = false;
    const bool stale = staleBlocks_ > 0;
    if (stale)
        --staleBlocks_;
    if (!awaiting_)
        return;
    if (stale || RecordBlockOwner() != this) {
        // Not this step's block: record the step's own, from a fresh event
        // (the completion procedure must not be replaced while it runs).
        QMetaObject::invokeMethod(
            this, [this] {
                if (awaiting_)
                    recordExpected();
            },
            Qt::QueuedConnection);
        return;
    }
    awaiting_ = false;
    if (!data) {
        // A device that stalled, vanished or delivered nothing: no step can
        // follow, so the sweep ends with a message rather than waiting.
        endWithError(Failure::NextBlock, error != 0 ? error : WAVERR_DEVICE_SHORT_BLOCK);
        return;
    }
    takeBlock(data, count, overRange, tag);
}

// The block is kept (the input may record for another loop meanwhile) and
// evaluated once the tone's output is known to play.
void TSweepEngine::takeBlock(const float* data, int count, int overRange, uint32_t tag)
{
    held_ = {std::clamp(count, 0, kWorkFloats), overRange, tag};
    std::copy_n(data, held_.count, heldData_.get());
    const bool playing = outputCheck_.Begin([this] { finishStep(); },
                                            [this](int code) { endWithError(Failure::FrequencyOutput, code); });
    if (playing)
        finishStep();
}

void TSweepEngine::finishStep()
{
    if (loopFlag())
        StopPlay();
    evaluate(heldData_.get(), held_.count, held_.overRange, held_.tag);
    // After the last point the sweep is over now, not at the step message.
    giveOutputBackIfDone();
    postStep();
}

void TSweepEngine::evaluate(const float* data, int count, int overRange, uint32_t tag)
{
    const SweepSettings& s = settings_;
    const int frames = std::min(count, kWorkFloats) / 2;
    SweepPoint p;
    p.index = TagIndex(tag);
    p.frequency = TagFrequency(tag);
    p.overRange = overRange;
    int inBits = 0, outBits = 0;
    GetBits(inBits, outBits);
    const double noSignal = NoSignalMean(inBits);
    const MeanMagnitudes m = MeanOfMagnitudes(data, frames);
    emit levelReadout(SweepLevelReadout(m, overRange, noSignal));
    p.values = LevelValues(s.mode, m, p.frequency, inputCorrection_, noSignal);
    p.silence = SilentChannels(m, noSignal);
    if (s.mode != kNoReference && !p.silence.any()) {
        std::copy(data, data + 2 * frames, work_.get());
        p.values.value2 = BandPassPhase(work_.get(), frames, inputRate(), p.frequency, s.mode);
    }
    p.flags = CurveFlags(s.mode, s.phaseOn);
    // Progress first: whoever ends the sweep on a point hears nothing more.
    emit progress(p.index + 1, s.steps + 1);
    emit pointReady(p);
}

void TSweepEngine::PlaybackFailed(int code)
{
    if (settings_.running || AwaitingBlock())
        endWithError(Failure::FrequencyOutput, code);
}

void TSweepEngine::endWithError(Failure failure, int code)
{
    SweepSettings& s = settings_;
    s.running = false;
    s.startRequested = false;
    s.stopRequested = false;
    settle_.stop();
    outputCheck_.Cancel();
    dropBlockInFlight();
    StopPlay();
    OutputOwner::Instance().Release(this);
    // The controls first, as after any end; then the failure, which closes
    // the run.
    emit runningChanged(false);
    runOpen_ = false;
    reportFailure(static_cast<int>(failure), code);
}

} // namespace korvanta
