#include "devicetest/DeviceTestEngine.h"

#include "audio/OutputOwner.h"
#include "audio/Soundd3.h"
#include "correction/CorrectionTable.h"
#include "devicetest/DtRetake.h"
#include "platform/DeviceLog.h"
#include "platform/audio/WaveTypes.h"

#include <algorithm>

#include <limits>

namespace korvanta {

namespace {
// Why a run has no complete result; the window shows it beside the table.
const char* const kStoppedText = "The device test was stopped before its end.";

bool devicesUsable()
{
    return SoundInitialised() && !DeviceName('I', GetInDevice()).isEmpty()
        && !DeviceName('O', GetOutDevice()).isEmpty();
}

// A sweep step's period (its sweep and tail) at the input's rate; 0 for a tone.
long long sweepPeriodFrames(const DtStep& s, int inRate)
{
    return s.sweep ? DtIrSweep(*s.sweep, inRate, 1.0).PeriodFrames() : 0;
}

// A sweep that fits both rates, in a stretch that holds it with its tail.
bool sweepPlayable(const DtStep& s, int inRate, int outRate)
{
    if (!s.sweep)
        return true;
    const IrSweep slower = DtIrSweep(*s.sweep, std::min(inRate, outRate), 1.0);
    return CheckSweep(slower) == IrSweepFit::Fits && s.frames >= sweepPeriodFrames(s, inRate);
}

// A step the devices can take: a stretch the recorder can hold, tones below
// half of either rate (above it they would come back as other tones), a
// sweep that fits them.
bool playable(const DtStep& s, int inRate, int outRate)
{
    const double nyquist = 0.5 * std::min(inRate, outRate);
    for (double f : s.frequencies)
        if (!(f > 0.0 && f < nyquist))
            return false;
    return s.frames > 0 && s.frames <= static_cast<long long>(StretchRecorder::kMaxSeconds) * inRate
        && s.settleMs >= 0 && sweepPlayable(s, inRate, outRate);
}

bool playable(const std::vector<DtStep>& steps, int inRate, int outRate)
{
    return std::all_of(steps.begin(), steps.end(), [&](const DtStep& s) { return playable(s, inRate, outRate); });
}
} // namespace

std::optional<size_t> DtFirstUnplayableStep(const DtPlan& plan, int inRate, int outRate)
{
    for (size_t i = 0; i < plan.steps.size(); ++i)
        if (!playable(plan.steps[i], inRate, outRate))
            return i;
    return std::nullopt;
}

DeviceTestEngine::DeviceTestEngine(CorrectionTable& inputCorrection, CorrectionTable& outputCorrection,
                                   QObject* parent)
    : MeasuringEngine(parent), inputCorrection_(inputCorrection), outputCorrection_(outputCorrection)
{
    gainDb_[0] = gainDb_[1] = -std::numeric_limits<double>::infinity();
    // Every step opening the input anew costs most of a second through a
    // sound server; kept open, each step only renews its stream.
    recorder_.keepInput(true);
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, &DeviceTestEngine::record);
    connect(&recorder_, &StretchRecorder::recorded, this, &DeviceTestEngine::onRecorded);
    connect(&recorder_, &StretchRecorder::failed, this, [this](int code) { fail(Failure::Input, code); });
    connect(&player_, &PlayPath::failed, this, [this](int code) { fail(Failure::Output, code); });
}

DeviceTestEngine::~DeviceTestEngine()
{
    if (running_)
        release();
}

bool DeviceTestEngine::Start(const DtPlan& plan, DtProcedure& procedure, const DtHeader& header)
{
    if (running_ || !devicesUsable())
        return false;
    GetSampleRates(inRate_, outRate_);
    if (plan.steps.empty() || DtFirstUnplayableStep(plan, inRate_, outRate_))
        return false;
    const WaveFormat outFormat = MakeWaveFormat(outRate_, OutSlot(GetOutDevice()).format.bitsPerSample);
    // What plays must be the test's own signal alone.
    OutputOwner::Instance().Take(this);
    if (player_.open(GetOutDevice(), outFormat) != 0) {
        OutputOwner::Instance().Release(this);
        return false;
    }
    plan_ = plan;
    procedure_ = &procedure;
    result_ = DeviceTestResult{};
    result_.header = header;
    gainDb_[0] = gainDb_[1] = -std::numeric_limits<double>::infinity();
    index_ = 0;
    // The figures are the card's own, not the card's after a correction.
    inputWasActive_ = inputCorrection_.active;
    outputWasActive_ = outputCorrection_.active;
    inputCorrection_.active = outputCorrection_.active = false;
    running_ = true;
    procedure_->Begin(plan_);
    emit started();
    QMetaObject::invokeMethod(this, &DeviceTestEngine::nextStep, Qt::QueuedConnection);
    return true;
}

void DeviceTestEngine::Stop()
{
    if (running_)
        end(Ending::Stopped, QString::fromLatin1(kStoppedText));
}

RunEstimate DeviceTestEngine::Estimate() const { return DtPlanEstimate(plan_, inRate_); }

void DeviceTestEngine::nextStep()
{
    if (!running_)
        return;
    if (index_ >= int(plan_.steps.size())) {
        end(Ending::Complete, {});
        return;
    }
    const DtStep& step = plan_.steps[size_t(index_)];
    const DtLoop loop = DtLoopFor(step.frequencies, outRate_);
    current_ = DtPlayedStep{index_, step, DtOutputPeaks(step, gainDb_), {}, 1};
    current_.step.frequencies = loop.frequencies;
    stepGainDb_[0] = gainDb_[0];
    stepGainDb_[1] = gainDb_[1];
    clippedBefore_ = lastClipped_ = false;
    take_ = 1;
    emit stepStarting(current_);
    if (running_) // not stopped by whoever heard of the step
        play();
}

// Plays the current take of the step at its peaks, then waits to settle.
void DeviceTestEngine::play()
{
    const int bits = OutSlot(GetOutDevice()).format.bitsPerSample;
    int rc = 0;
    if (current_.step.sweep) {
        // Silence through the settle wait and into the stretch, then the
        // sweep: nothing of the step before rings into its answer.
        sweep_ = std::make_unique<MarkedOneShot>(DtSweepBuffer(current_.step, current_.peaks, outRate_, bits),
                                                 SilentFrame(bits));
        rc = player_.playOnce(sweep_->Callback());
    } else {
        sweep_.reset();
        const DtLoop loop = DtLoopFor(current_.step.frequencies, outRate_);
        rc = player_.playLoop(DtLoopBuffer(current_.step, loop, current_.peaks, outRate_, bits));
    }
    if (rc != 0) {
        fail(Failure::Output, rc);
        return;
    }
    settle_.start(current_.step.settleMs);
}

// After the settle wait: the stretch begins now, so nothing of it was asked
// for before this step's signal replaced the last one.
void DeviceTestEngine::record()
{
    if (!running_)
        return;
    const WaveFormat inFormat = MakeWaveFormat(inRate_, InSlot(GetInDevice()).format.bitsPerSample);
    // The sweep is armed before the stretch can deliver: the output's
    // silence must not run through the stretch before the sweep may start.
    auto clock = std::make_shared<StretchClock>();
    if (sweep_)
        sweep_->Arm(clock);
    if (const int rc = recorder_.start(GetInDevice(), inFormat, current_.step.frames, 0, clock); rc != 0) {
        fail(Failure::Input, rc);
        return;
    }
}

void DeviceTestEngine::onRecorded()
{
    if (!running_)
        return;
    const DeviceSlot& slot = InSlot(GetInDevice());
    const int bits = slot.format.bitsPerSample;
    DtRecording rec = DtRecordingFromPcm(recorder_.data(), SlotConversion(slot, bits), inRate_);
    if (DtPcmFinerThan24Bits(recorder_.data(), bits))
        result_.header.inputFinerThanBits = true;
    // The whole stretch, a sweep's margin included: nothing of it may clip.
    current_.reached = DtLevelAtInput(current_.step, rec);
    current_.takes = take_;
    if (current_.step.sweep)
        rec = DtFromFirstPlayed(rec, recorder_.firstPlayedFrame(),
                                sweepPeriodFrames(current_.step, inRate_));
    if (current_.step.kind == DtStepKind::Level)
        takeLoopGain();
    if (retake())
        return;
    const QString refusal = procedure_->Take(current_, rec);
    if (!running_)
        return; // stopped from inside the procedure
    if (!refusal.isEmpty()) {
        end(Ending::Refused, refusal);
        return;
    }
    std::vector<DtStep> added = procedure_->Next();
    if (!playable(added, inRate_, outRate_)) {
        // Never played in part: the analysis asked for what the devices cannot do.
        devlog::Append(QStringLiteral("Device test: %1 added steps left out, not playable at %2/%3 Hz")
                           .arg(added.size())
                           .arg(inRate_)
                           .arg(outRate_));
        added.clear();
    }
    if (!added.empty()) {
        plan_.steps.insert(plan_.steps.begin() + index_ + 1, added.begin(), added.end());
        plan_.approximate = true;
    }
    ++index_;
    // Progress first: whoever stops the run on a step hears nothing more.
    emit progress(index_, int(plan_.steps.size()));
    emit stepDone(current_);
    QMetaObject::invokeMethod(this, &DeviceTestEngine::nextStep, Qt::QueuedConnection);
}

// Each channel's loop gain from a level step: its tone's fit after the
// lead-in, not the whole recording's power. The first stretch of a fresh
// input stream may begin before the tone has come through the device (a
// sound server hands on what its sink rendered before), and a gain read
// over that would play every later step too loud in that channel.
void DeviceTestEngine::takeLoopGain()
{
    const double played[2] = {current_.peaks.left, current_.peaks.right};
    for (int c = 0; c < 2; ++c)
        if (played[c] > 0.0)
            gainDb_[c] = current_.reached.dbfs[c] - DtPeakDbfs(played[c]);
}

// A take whose input clipped is played again lower, and the take after it
// at the level asked (DtNextTake): true while the step is taken again.
bool DeviceTestEngine::retake()
{
    const DtTakeNext next = DtNextTake(current_, current_.reached, stepGainDb_, take_, lastClipped_);
    if (next.verdict == DtTakeVerdict::GivesUp)
        devlog::Append(QStringLiteral("Device test: step %1 clipped at the input after %2 takes").arg(index_ + 1).arg(take_));
    if (next.verdict != DtTakeVerdict::Again) {
        // The level a step at the test tone found after it clipped is the
        // loop's from now on: the steps after it would clip as well.
        if (clippedBefore_ && DtGainCarriesOn(current_.step)) {
            gainDb_[0] = next.gainDb[0];
            gainDb_[1] = next.gainDb[1];
        }
        return false;
    }
    if (current_.reached.Clipped())
        devlog::Append(QStringLiteral("Device test: step %1 clipped at the input; taken again %2 dB lower")
                           .arg(index_ + 1)
                           .arg(kDtRetakeDropDb));
    else if (!next.replay)
        devlog::Append(QStringLiteral("Device test: step %1's tone did not hold still in level or phase; recorded again").arg(index_ + 1));
    ++take_;
    if (!next.replay) {
        // The same signal plays on: the take before stays the one it followed.
        current_.reached = {};
        settle_.start(current_.step.settleMs);
        return true;
    }
    clippedBefore_ = clippedBefore_ || current_.reached.Clipped();
    lastClipped_ = current_.reached.Clipped();
    current_.reached = {};
    stepGainDb_[0] = next.gainDb[0];
    stepGainDb_[1] = next.gainDb[1];
    current_.peaks = DtOutputPeaks(current_.step, stepGainDb_);
    play();
    return true;
}

// Tone off, recording given up, output and corrections given back.
void DeviceTestEngine::release()
{
    running_ = false;
    settle_.stop();
    recorder_.stop();
    player_.close();
    sweep_.reset();
    inputCorrection_.active = inputWasActive_;
    outputCorrection_.active = outputWasActive_;
    OutputOwner::Instance().Release(this);
}

void DeviceTestEngine::end(Ending how, const QString& error)
{
    release();
    procedure_->Finish(result_);
    // Set after the procedure's figures, which cannot make a run complete.
    result_.complete = how == Ending::Complete;
    result_.error = error;
    emit ended(result_);
    if (how == Ending::Refused)
        emit refused(error);
    emit stopped();
}

void DeviceTestEngine::fail(Failure kind, int code)
{
    if (!running_)
        return;
    release();
    procedure_->Finish(result_);
    result_.complete = false;
    result_.error = SoundErrorText(code);
    emit ended(result_);
    reportFailure(static_cast<int>(kind), code);
}

} // namespace korvanta
