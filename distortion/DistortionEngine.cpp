#include "distortion/DistortionEngine.h"

#include "audio/OutputOwner.h"

#include "correction/CorrectionTable.h"
#include "platform/LevelConventions.h"
#include "audio/Soundd3.h"
#include "analysis/WeightingCurves.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
// Tags of this engine's recordings: apart from the sweep's, which carry a
// frequency in their low bits.
constexpr int kTagBase = 0x5D000000;

bool devicesUsable()
{
    return SoundInitialised() && !DeviceName('I', GetInDevice()).isEmpty()
        && !DeviceName('O', GetOutDevice()).isEmpty();
}
} // namespace

double DistortionStepFrequency(const DistortionSettings& s, int k)
{
    const int steps = std::max(s.frequencySteps, 1);
    return s.fromHz * std::pow(s.toHz / s.fromHz, double(k) / steps);
}

DistortionPoint MeasureDistortionBlock(const float* interleaved, int frames, double sampleRate,
                                       const DistortionSettings& s, double levelDb, double frequency,
                                       const AnalysisSettings& analysis, const CorrectionTable& weighting)
{
    static thread_local std::vector<float> window, scratch, magnitudes;
    if (static_cast<int>(window.size()) != frames)
        window = HarmonicWindow(frames);
    // The first float of each recorded pair is the right channel.
    HarmonicSpectrum(interleaved, s.channel == 0 ? 1 : 0, window, scratch, magnitudes);
    DistortionPoint p;
    p.levelDb = levelDb;
    p.frequency = frequency;
    p.m = MeasureHarmonics(magnitudes, WindowMeanSquare(window), sampleRate, frequency, analysis, weighting);
    const double a = p.m.fundamentalAmplitude;
    p.gainDb = a > 0 ? 20.0 * std::log10(a) - levelDb : kNoSignalDb;
    p.peakVolts = PeakVolts(a, s.scale);
    p.rmsVolts = RmsVolts(a, s.scale);
    p.watts = Watts(a, s.scale);
    return p;
}

TDistortionEngine::TDistortionEngine(const AnalysisSettings& analysis, const CorrectionTable& weighting,
                                     const CorrectionTable& outputCorrection, QObject* parent)
    : MeasuringEngine(parent), analysis_(analysis), weighting_(weighting), outputCorrection_(outputCorrection),
      held_(2 * static_cast<size_t>(kFrames))
{
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, &TDistortionEngine::record);
}

TDistortionEngine::~TDistortionEngine()
{
    if (running_)
        StopPlay();
    OutputOwner::Instance().Release(this);
}

bool TDistortionEngine::Start(const DistortionSettings& settings)
{
    if (running_ || !devicesUsable())
        return false;
    settings_ = settings;
    stepper_ = settings.sweep == DistortionSweep::Level ? std::make_unique<LevelStepper>(settings.levels) : nullptr;
    // The run's harmonics must be of its own tone: whatever plays stops.
    OutputOwner::Instance().Take(this);
    running_ = true;
    stopRequested_ = false;
    index_ = 0;
    ++runSerial_;
    emit started();
    QMetaObject::invokeMethod(this, &TDistortionEngine::nextStep, Qt::QueuedConnection);
    return true;
}

void TDistortionEngine::Stop() { stopRequested_ = running_; }

void TDistortionEngine::Abort()
{
    if (!running_)
        return;
    end();
    emit finished(false);
    emit stopped();
}

RunEstimate DistortionEstimate(const DistortionSettings& s, int inRate)
{
    RunEstimate e;
    const bool overLevel = s.sweep == DistortionSweep::Level;
    const int steps = overLevel ? int(PlanLevels(s.levels).size()) : TDistortionEngine::PlannedSteps(s);
    e.stepMs.assign(size_t(steps), StepDurationMs(s.settleMs, TDistortionEngine::kFrames, inRate));
    e.approximate = overLevel;
    return e;
}

int TDistortionEngine::PlannedSteps(const DistortionSettings& settings)
{
    if (settings.sweep == DistortionSweep::Level)
        return 0;
    return std::max(settings.frequencySteps, 1) + 1;
}

std::optional<double> TDistortionEngine::nextLevel() const
{
    if (stepper_)
        return stepper_->Next();
    if (index_ > std::max(settings_.frequencySteps, 1))
        return std::nullopt;
    return settings_.fixedLevelDb;
}

void TDistortionEngine::nextStep()
{
    if (!running_)
        return;
    const std::optional<double> level = nextLevel();
    if (stopRequested_ || !level) {
        finish();
        return;
    }
    levelDb_ = *level;
    frequency_ = stepper_ ? settings_.frequency : DistortionStepFrequency(settings_, index_);
    int inRate = 0, outRate = 0;
    GetSampleRates(inRate, outRate);
    // A tone above half a rate cannot be played or recorded: the run over
    // frequency ends there.
    if (2.0 * frequency_ >= std::min(inRate, outRate)) {
        finish();
        return;
    }
    emit stepStarting(index_, levelDb_, frequency_);
    const double amplitude = std::pow(10.0, Correct(outputCorrection_, 1, frequency_, levelDb_) / 20.0);
    StopPlay();
    QPointer<TDistortionEngine> self(this);
    const int rc = StartPlayTone(amplitude, static_cast<float>(frequency_), [self](int code) {
        if (self && self->running_)
            self->fail(Failure::FrequencyOutput, code);
    });
    if (rc != 0) {
        fail(Failure::FrequencyOutput, rc);
        return;
    }
    settle_.start(std::max(0, settings_.settleMs));
}

void TDistortionEngine::record()
{
    if (!running_)
        return;
    // The run's serial keeps a block of an aborted run from passing for
    // the same step of the next one.
    tag_ = kTagBase | ((runSerial_ & 0xFF) << 16) | (index_ & 0xFFFF);
    awaiting_ = true;
    QPointer<TDistortionEngine> self(this);
    const int rc = StartRecord(kFrames, tag_, [self] {
        if (self)
            self->onBlock();
    }, this);
    if (rc != 0)
        fail(Failure::FrequencyOutput, rc);
}

void TDistortionEngine::onBlock()
{
    int count = 0, overRange = 0, user = 0;
    const float* data = GetRecordBlock(count, overRange, user);
    const int error = LastSoundError();
    if (!running_ || !awaiting_)
        return;
    if (RecordBlockOwner() != this) {
        // Another loop's block: record this step's own from a fresh event.
        QMetaObject::invokeMethod(this, &TDistortionEngine::record, Qt::QueuedConnection);
        return;
    }
    awaiting_ = false;
    if (!data || count < 2 * kFrames) {
        fail(Failure::NextBlock, error != 0 ? error : WAVERR_DEVICE_SHORT_BLOCK);
        return;
    }
    // Kept: the tone may have to play on until its output has shown it
    // still takes frames.
    std::copy_n(data, held_.size(), held_.begin());
    heldOverRange_ = overRange;
    if (outputCheck_.Begin([this] { measureHeld(); }, [this](int code) { fail(Failure::FrequencyOutput, code); }))
        measureHeld();
}

void TDistortionEngine::measureHeld()
{
    int inRate = 0, outRate = 0;
    GetSampleRates(inRate, outRate);
    DistortionPoint p = MeasureDistortionBlock(held_.data(), kFrames, inRate, settings_, levelDb_, frequency_,
                                               analysis_, weighting_);
    p.index = index_;
    p.overRange = heldOverRange_;
    if (stepper_)
        stepper_->Record(levelDb_, p.m.thdnPercent);
    ++index_;
    // Progress first: whoever ends the run on a point hears nothing more.
    emit progress(index_, PlannedSteps(settings_));
    emit pointReady(p);
    QMetaObject::invokeMethod(this, &TDistortionEngine::nextStep, Qt::QueuedConnection);
}

// Tone off, nothing due, the output given back.
void TDistortionEngine::end()
{
    running_ = false;
    awaiting_ = false;
    settle_.stop();
    outputCheck_.Cancel();
    StopPlay();
    OutputOwner::Instance().Release(this);
}

void TDistortionEngine::fail(Failure kind, int code)
{
    end();
    reportFailure(static_cast<int>(kind), code);
}

void TDistortionEngine::finish()
{
    end();
    emit finished(stepper_ && stepper_->StoppedAtLimit());
    emit stopped();
}

} // namespace korvanta
