#include "scope/ScopeEngine.h"

#include "scope/OscilloscopeSettings.h"
#include "scope/ScopeDisplay.h"
#include "scope/ScopeTables.h"
#include "audio/Soundd3.h"
#include "platform/UserMessages.h"
#include "platform/audio/WaveTypes.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace korvanta {

namespace {
// Width of every rate test: the oscilloscope records 16-bit stereo.
constexpr int kTestBits = 16;
// The set-up parameter of the display that is not used for drawing.
constexpr float kUnusedParam = 1.0f;

void setCaptureRate(int rate) { SetSampleRates(rate, 0); }
} // namespace

ScopeEngine::ScopeEngine(OscilloscopeSettings& settings, QObject* parent) : MeasuringEngine(parent), settings_(settings)
{
}

void ScopeEngine::Enter(float voltageScale, bool inputUsable)
{
    voltageScale_ = voltageScale;
    inputUsable_ = inputUsable;
    setCaptureRate(settings_.sampleRate);
    sampleInterval_ = 1.0f / float(std::max(settings_.sampleRate, 1));
    // The first frame applies the timebase again: the rate the analyzer
    // restored meanwhile is not the oscilloscope's.
    appliedTimebase_ = 0;
    emptyBlocks_.reset();
    ++setup_;
    SetupDisplay();
    emit timebaseApplied(TimebaseLabel(settings_.timebaseIndex), settings_.sampleRate);
    // Without a usable input format the loop does not pretend to run.
    setRunning(inputUsable_);
    if (inputUsable_)
        postFrame();
}

void ScopeEngine::Leave() { setRunning(false); }

bool ScopeEngine::Start()
{
    if (!inputUsable_)
        return false;
    emptyBlocks_.reset();
    setRunning(true);
    postFrame();
    return true;
}

void ScopeEngine::Stop() { setRunning(false); }

bool ScopeEngine::Restart(float voltageScale)
{
    voltageScale_ = voltageScale;
    appliedTimebase_ = 0;
    return Start();
}

void ScopeEngine::setRunning(bool on)
{
    if (running_ == on)
        return;
    running_ = on;
    if (on)
        emit started();
    else
        emit stopped();
}

void ScopeEngine::postFrame() { QCoreApplication::postEvent(this, new QEvent(UM_OSZI_FRAME)); }

bool ScopeEngine::event(QEvent* e)
{
    if (e->type() == UM_OSZI_FRAME) {
        FrameMessage();
        return true;
    }
    return QObject::event(e);
}

void ScopeEngine::SetupDisplay()
{
    if (!display_)
        return;
    const float span = float(kDivisionsX * SecondsPerDiv(settings_.timebaseIndex));
    display_->SetupOszi(QString(), settings_.frameLength / 2, false, kUnusedParam, 0.0f, span, 0.0f,
                        float(kDivisionsY));
}

void ScopeEngine::SetXYOffsets(float channel1, float channel2)
{
    xyOffset1_ = channel1;
    xyOffset2_ = channel2;
}

ScopeScales ScopeEngine::Scales() const
{
    const OscilloscopeSettings& o = settings_;
    ScopeScales s;
    s.valid = true;
    s.voltsPerDiv1 = VoltsPerDiv(o.voltsIndex1);
    s.voltsPerDiv2 = VoltsPerDiv(o.voltsIndex2);
    s.secondsPerDiv = SecondsPerDiv(o.timebaseIndex);
    s.ground1 = o.ground1;
    s.ground2 = o.ground2;
    s.triggerLevel = triggerLevel_;
    s.triggerZero = o.triggerOnChannel1 ? o.yPosition1 : o.yPosition2;
    s.triggerOnChannel1 = o.triggerOnChannel1;
    s.triggerRising = o.triggerRising;
    return s;
}

void ScopeEngine::ShowScales()
{
    if (!display_)
        return;
    display_->SetScales(Scales());
    display_->RepaintOszi();
}

void ScopeEngine::applyTimebase()
{
    if (settings_.timebaseIndex == appliedTimebase_)
        return;
    appliedTimebase_ = settings_.timebaseIndex;
    const CapturePlan previous{settings_.sampleRate, settings_.frameLength};
    const CapturePlan plan = PlanCapture(SecondsPerDiv(settings_.timebaseIndex), previous,
                                         [](int rate) { return FormatSupported(rate, kTestBits, true); });
    settings_.sampleRate = plan.rate;
    settings_.frameLength = plan.frameLength;
    setCaptureRate(plan.rate);
    sampleInterval_ = 1.0f / float(plan.rate);
    // Blocks recorded for the previous rate or length are not this set-up's.
    ++setup_;
    emit timebaseApplied(TimebaseLabel(settings_.timebaseIndex), int(std::lround(1.0 / sampleInterval_)));
    SetupDisplay();
}

void ScopeEngine::FrameMessage()
{
    applyTimebase();
    if (!running_)
        return;
    const int rc = StartRecord(settings_.frameLength, setup_, [this] { OnBlock(); }, this);
    if (rc != 0)
        fail(Failure::StartRecording, rc);
}

void ScopeEngine::fail(Failure kind, int code)
{
    // Not through setRunning: the failure comes before the stop.
    running_ = false;
    reportFailure(static_cast<int>(kind), code);
}

bool ScopeEngine::ownBlock(int userValue) const { return RecordBlockOwner() == this && userValue == setup_; }

void ScopeEngine::OnBlock()
{
    int floats = 0, clipped = 0, userValue = 0;
    const float* block = GetRecordBlock(floats, clipped, userValue);
    const int error = LastSoundError();
    if (!running_)
        return;
    if (!ownBlock(userValue)) {
        // Another loop's block, or one recorded before the timebase changed.
        ++dropped_;
        postFrame();
        return;
    }
    if (!block) {
        if (error != 0)
            return fail(Failure::Block, error);
        // An empty block with no error may happen once; a device that
        // delivers nothing at all must not keep the loop turning.
        if (deliversNothing())
            return fail(Failure::Block, WAVERR_DEVICE_STALLED);
        postFrame();
        return;
    }
    emptyBlocks_.reset();
    emit overRange(clipped);
    showFrame(block, floats);
    if (running_)
        postFrame();
}

bool ScopeEngine::deliversNothing()
{
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    return emptyBlocks_.emptyBlock(now, EmptyBlockLimitMs(settings_.frameLength, settings_.sampleRate));
}

void ScopeEngine::showFrame(const float* block, int floats)
{
    const OscilloscopeSettings& o = settings_;
    const float v1 = float(VoltsPerDiv(o.voltsIndex1));
    const float v2 = float(VoltsPerDiv(o.voltsIndex2));
    FrameScaling s;
    s.k1 = voltageScale_ / v1;
    s.k2 = voltageScale_ / v2;
    s.yPosition1 = o.yPosition1;
    s.yPosition2 = o.yPosition2;
    s.ground1 = o.ground1;
    s.ground2 = o.ground2;
    s.xy = SecondsPerDiv(o.timebaseIndex) == kXYSeconds;
    s.sampleInterval = sampleInterval_;
    s.xyOffset1 = xyOffset1_;
    s.xyOffset2 = xyOffset2_;
    const TriggerSetting t{triggerLevel_, o.triggerRising, o.triggerOnChannel1};
    lastTrigger_ = BuildFrame(block, floats, t, o.triggerOnChannel1 ? s.k1 : s.k2, s, points_);
    if (display_) {
        for (int j = 0; j < int(points_.size()); ++j) {
            const ScopePoint& p = points_[size_t(j)];
            if (display_->StorePoint(j, o.triggerOnChannel1, o.yPosition2, o.yPosition1, v2, v1, p.x, p.y2, p.y1))
                break;
        }
        display_->SetScales(Scales());
        display_->RepaintOszi();
    }
    ++framesShown_;
    // Progress first: a stop on a frame leaves nothing to follow it.
    emit progress(framesShown_, 0);
    emit frameShown();
}

} // namespace korvanta
