#include "generator/GeneratorEngine.h"

#include "audio/LoopSynthesis.h"
#include "audio/OutputOwner.h"
#include "audio/Soundd3.h"
#include "correction/CorrectionTable.h"
#include "generator/GeneratorControls.h"

#include <QPointer>
#include <algorithm>

namespace korvanta {

namespace {
constexpr int kSine = 0;
constexpr int kSquare = 1;
constexpr int kUserFile = 4;
// What Start() gives for a setting that cannot be played at all.
constexpr int kRefused = -1;
// The file player says only "cannot" (its reason is in the device log).
constexpr int kFileRefused = 1;
constexpr int kReportedWideBits = 24;
constexpr int kStoredWideBits = 32;

int outputRate()
{
    int in = 0, out = 0;
    GetSampleRates(in, out);
    return out;
}

int outputBits()
{
    int in = 0, out = 0;
    GetBits(in, out);
    return out;
}

// The loop the playback engine built for this tone: its length follows from
// the same search; noise fills the whole buffer, a 24-bit tone has none.
int loopFramesOf(int mode, float frequency, int rate, int bits)
{
    // The output reports 24 bits for samples it stores in 32.
    const int stored = bits == kReportedWideBits ? kStoredWideBits : bits;
    const int bytesPerSample = stored / 8;
    if (bytesPerSample <= 0 || rate <= 0 || PlaysContinuously(mode, stored))
        return 0;
    const uint32_t bytes = mode == kSine || mode == kSquare
                               ? SearchLoopLength(rate, bytesPerSample, frequency).bytes
                               : kLoopBufferMax;
    return static_cast<int>(std::min(bytes, kLoopBufferMax) / (2 * bytesPerSample));
}
} // namespace

GeneratorEngine::GeneratorEngine(GeneratorSettings& settings, const CorrectionTable& outputCorrection,
                                 QObject* parent)
    : MeasuringEngine(parent), settings_(settings), outputCorrection_(outputCorrection)
{
    connect(&OutputOwner::Instance(), &OutputOwner::measurementChanged, this, &GeneratorEngine::outputTaken);
}

GeneratorEngine::~GeneratorEngine()
{
    // The file player runs on a thread of its own; it must not outlive its
    // starter.
    if (running_ && UserWavePlaying())
        StopUserWave();
}

int GeneratorEngine::Start()
{
    if (OutputTakenByMeasurement())
        return kNotStarted;
    return play();
}

int GeneratorEngine::Restart()
{
    if (OutputTakenByMeasurement())
        return kNotStarted;
    if (!IsPlaying() && !settings_.userWavePlaying)
        return kNotStarted;
    return play();
}

void GeneratorEngine::Stop()
{
    // What plays while a measurement owns the output is its tone; ours
    // ended when it took the output over.
    if (!OutputTakenByMeasurement())
        stopOutput();
    if (running_) {
        running_ = false;
        emit stopped();
    }
}

bool GeneratorEngine::Running() const { return running_ && (IsPlaying() || UserWavePlaying()); }

void GeneratorEngine::stopOutput()
{
    StopPlay();
    StopUserWave();
    settings_.userWavePlaying = false;
}

int GeneratorEngine::play()
{
    // With the loop flag cleared the old tone would keep playing and the
    // start below be ignored; the start sets the flag again.
    if (settings_.loopMode)
        StopPlay();
    StopUserWave();
    settings_.userWavePlaying = false;
    return settings_.mode == kUserFile ? playFile() : playTone();
}

int GeneratorEngine::playFile()
{
    if (settings_.userFileName.isEmpty())
        return fail(Failure::NoFile, 0, kRefused);
    const QPointer<GeneratorEngine> self(this);
    if (PlayUserWave(settings_.userFileName, [self](int code) {
            if (self)
                self->outputFailed(code);
        }) != 0)
        return fail(Failure::Open, kFileRefused, kFileRefused);
    settings_.userWavePlaying = true;
    GeneratorResult r;
    r.playing = true;
    r.userFile = true;
    r.mode = settings_.mode;
    r.sampleRate = outputRate();
    r.bits = outputBits();
    announce(r);
    return 0;
}

int GeneratorEngine::playTone()
{
    const int rate = outputRate();
    if (!PlayableFrequency(settings_.mode, settings_.frequency, rate))
        return fail(Failure::Format, 0, kRefused);
    if (settings_.mode == kSine) {
        settings_.levelLeft = CorrectedLevel(outputCorrection_, settings_.frequency, settings_.levelLeft);
        settings_.levelRight = CorrectedLevel(outputCorrection_, settings_.frequency, settings_.levelRight);
    }
    const QPointer<GeneratorEngine> self(this);
    const int rc = StartPlay(settings_, -1.0f, settings_.frequency, [self](int code) {
        if (self)
            self->outputFailed(code);
    });
    // Playback always loops. The flag the output dialog may have cleared is
    // set again in this record, or every later change would skip the stop
    // in play() and the playback engine would ignore the start.
    settings_.loopMode = true;
    if (rc != 0)
        return fail(Failure::Open, rc, rc);
    GeneratorResult r;
    r.playing = true;
    r.mode = settings_.mode;
    r.frequency = settings_.frequency;
    r.levelLeft = settings_.levelLeft;
    r.levelRight = settings_.levelRight;
    r.sampleRate = rate;
    r.bits = outputBits();
    r.loopPrecision = PlayPrecision();
    r.loopFrames = loopFramesOf(r.mode, r.frequency, rate, r.bits);
    announce(r);
    return 0;
}

void GeneratorEngine::announce(const GeneratorResult& result)
{
    result_ = result;
    const bool wasRunning = running_;
    running_ = true;
    if (!wasRunning)
        emit started();
    emit playing(result_);
}

int GeneratorEngine::fail(Failure kind, int code, int result)
{
    // Nothing of ours may go on playing after a failed (re)start: the next
    // Start begins afresh.
    stopOutput();
    running_ = false;
    reportFailure(static_cast<int>(kind), code);
    return result;
}

void GeneratorEngine::outputFailed(int code)
{
    // The playback engine has stopped the failed output already; whatever
    // else of ours might still run is stopped too.
    stopOutput();
    running_ = false;
    reportFailure(static_cast<int>(Failure::Play), code);
}

void GeneratorEngine::outputTaken(bool taken)
{
    // The measurement has stopped our tone or file as it took the output.
    if (!taken)
        return;
    settings_.userWavePlaying = false;
    if (running_) {
        running_ = false;
        emit stopped();
    }
}

} // namespace korvanta
