#include "ir/IrEngine.h"

#include "audio/MarkedOneShot.h"
#include "audio/OutputOwner.h"
#include "audio/Soundd3.h"
#include "correction/CorrectionTable.h"
#include "ir/IrPcm.h"
#include "platform/DeviceLog.h"
#include "platform/LanguageTexts.h"
#include "platform/audio/WaveIn.h"
#include "platform/audio/WaveTypes.h"

#include <algorithm>
#include <memory>

namespace korvanta {

namespace {

// What the guard allows beyond the recording's own length before it calls
// the device failed: more than the recorder's own stall margin, so a device
// that reports its fault is heard first.
constexpr int kGuardSlackMs = 3 * WaveIn::kStallMarginMs + 2000;
// How often the recording's progress is looked at: often enough for the bar
// to move smoothly through a sweep of half a second.
constexpr int kProgressMs = 100;
constexpr int kPercent = 100;

const Words kNoDevices{"Kein Ein- und Ausgang verfügbar: die Audio-Geräte prüfen",
                       "No input and output available: check the audio devices"};
const Words kRatesDiffer{"Ein- und Ausgang laufen mit verschiedenen Abtastraten (%1 Hz und %2 Hz): für die "
                         "Impulsantwort dieselbe Rate einstellen",
                         "Input and output run at different sample rates (%1 Hz and %2 Hz): set the same rate "
                         "for the impulse response"};
const Words kTooLong{"%1 Sweeps von je %2 s mit Nachlauf passen nicht in eine Aufnahme von höchstens %3 s: "
                     "weniger oder kürzere Sweeps wählen",
                     "%1 sweeps of %2 s each with their tail do not fit one recording of at most %3 s: "
                     "choose fewer or shorter sweeps"};
const Words kOutputOpen{"Der Ausgang lässt sich nicht öffnen: %1", "The output cannot be opened: %1"};
const Words kInputOpen{"Der Eingang lässt sich nicht öffnen: %1", "The input cannot be opened: %1"};
const Words kNotMarked{"Der Sweep wurde nicht während der Aufnahme gespielt: der Ausgang hat nicht rechtzeitig "
                       "begonnen",
                       "The sweep was not played during the recording: the output did not start in time"};
const Words kCutShort{"Die Aufnahme endete vor dem Ende des Sweeps: der Ausgang hat zu spät begonnen",
                      "The recording ended before the end of the sweep: the output started too late"};

// Silence in small reads, and the output waits for the recorder's start:
// far longer than the start takes, far shorter than the output's stall
// limit (OneShotPacing says why).
constexpr OneShotPacing kPacing{256, 500};

bool devicesUsable()
{
    return SoundInitialised() && !DeviceName('I', GetInDevice()).isEmpty()
        && !DeviceName('O', GetOutDevice()).isEmpty();
}

// The sweeps' periods back to back: what the analysis takes from the
// marked frame on.
long long sweepsFrames(const IrSweep& s) { return static_cast<long long>(s.count) * s.PeriodFrames(); }

// The devices' latency needs no room beyond the margin: the tail holds it,
// and a latency longer than the tail is refused as such.
long long recordingFrames(const IrSweep& s)
{
    return sweepsFrames(s) + static_cast<long long>(IrEngine::kMarginSeconds * s.rate);
}

} // namespace

bool IrEngine::FitsOneRecording(const IrSweep& sweep)
{
    return recordingFrames(sweep) <= static_cast<long long>(StretchRecorder::kMaxSeconds) * sweep.rate;
}

IrEngine::IrEngine(CorrectionTable& inputCorrection, CorrectionTable& outputCorrection, QObject* parent)
    : MeasuringEngine(parent), inputCorrection_(inputCorrection), outputCorrection_(outputCorrection)
{
    guard_.setSingleShot(true);
    // A device that neither delivers nor reports a fault is a failed device,
    // not a run that hangs.
    connect(&guard_, &QTimer::timeout, this, [this] { fail(Failure::Input, WAVERR_DEVICE_STALLED); });
    connect(&recorder_, &StretchRecorder::recorded, this, &IrEngine::onRecorded);
    connect(&recorder_, &StretchRecorder::failed, this, [this](int code) { fail(Failure::Input, code); });
    connect(&player_, &PlayPath::failed, this, [this](int code) { fail(Failure::Output, code); });
    connect(&player_, &PlayPath::finished, this, &IrEngine::played);
    progress_.setInterval(kProgressMs);
    connect(&progress_, &QTimer::timeout, this, &IrEngine::showProgress);
}

IrEngine::~IrEngine()
{
    if (running_)
        release();
}

bool IrEngine::Start(const IrSettings& settings, char letter)
{
    startRefusal_.clear();
    if (running_)
        return false;
    if (!devicesUsable()) {
        startRefusal_ = Pick(letter, kNoDevices);
        return false;
    }
    int inRate = 0, outRate = 0;
    GetSampleRates(inRate, outRate);
    if (inRate != outRate) {
        startRefusal_ = Pick(letter, kRatesDiffer).arg(inRate).arg(outRate);
        return false;
    }
    IrSettings s = settings;
    s.sweep.rate = inRate; // the sweep is made for the rate the devices run at
    if (const IrSweepFit fit = CheckSweep(s.sweep); fit != IrSweepFit::Fits) {
        startRefusal_ = SweepFitText(fit, s.sweep, letter);
        return false;
    }
    const long long frames = recordingFrames(s.sweep);
    if (!FitsOneRecording(s.sweep)) {
        startRefusal_ = Pick(letter, kTooLong)
                            .arg(s.sweep.count)
                            .arg(s.sweep.seconds + s.sweep.tailSeconds)
                            .arg(StretchRecorder::kMaxSeconds - kMarginSeconds);
        return false;
    }
    const int outBits = OutSlot(GetOutDevice()).format.bitsPerSample;
    // Silence until the input has delivered (so the whole sweep lies inside
    // the recording and a server's new stream has settled), then the sweeps.
    // The callback holds what it plays; `shot` only arms it.
    MarkedOneShot shot(SweepPcm(s.sweep, outBits), SilentFrame(outBits), kPacing);

    // What plays must be the sweep alone.
    OutputOwner::Instance().Take(this);
    int rc = player_.open(GetOutDevice(), MakeWaveFormat(outRate, outBits));
    if (rc == 0)
        rc = player_.playOnce(shot.Callback());
    if (rc != 0) {
        player_.close();
        OutputOwner::Instance().Release(this);
        startRefusal_ = Pick(letter, kOutputOpen).arg(SoundErrorText(rc));
        return false;
    }
    // The output plays silence already, so a card that runs as fast as its
    // input asks has something to pace the recording by.
    const int inBits = InSlot(GetInDevice()).format.bitsPerSample;
    // Armed before the stretch can deliver, so the sweep always begins inside it.
    auto clock = std::make_shared<StretchClock>();
    shot.Arm(clock);
    if (rc = recorder_.start(GetInDevice(), MakeWaveFormat(inRate, inBits), frames, sweepsFrames(s.sweep), clock);
        rc != 0) {
        shot.GiveUp();
        player_.close();
        OutputOwner::Instance().Release(this);
        startRefusal_ = Pick(letter, kInputOpen).arg(SoundErrorText(rc));
        return false;
    }

    settings_ = s;
    letter_ = letter;
    rate_ = inRate;
    result_ = IrMeasurement{};
    running_ = true;
    shownPercent_ = -1;
    guard_.start(static_cast<int>(1000 * frames / inRate) + kGuardSlackMs);
    progress_.start();
    emit started();
    return true;
}

void IrEngine::Stop()
{
    if (!running_)
        return;
    release();
    result_ = IrMeasurement{};
    emit stopped();
}

// The sweep and its silence have left the output: nothing more to play.
void IrEngine::played()
{
    if (running_)
        player_.close();
}

void IrEngine::onRecorded()
{
    if (!running_)
        return;
    const long long first = recorder_.firstPlayedFrame();
    const long long needed = sweepsFrames(settings_.sweep);
    const DeviceSlot& slot = InSlot(GetInDevice());
    IrChannels rec = IrChannelsFromPcm(recorder_.data(), SlotConversion(slot, slot.format.bitsPerSample), first,
                                       needed);
    releaseDevices();
    devlog::Append(QStringLiteral("Impulse response: sweep marked at frame %1 of %2, %3 needed").arg(first).arg(recorder_.frames()).arg(needed));
    if (first < 0) {
        refuse(Pick(letter_, kNotMarked));
        return;
    }
    if (static_cast<long long>(rec.left.size()) < needed) {
        refuse(Pick(letter_, kCutShort));
        return;
    }
    const bool right = settings_.measuredChannel == 1;
    std::vector<float> measured = std::move(right ? rec.right : rec.left);
    std::vector<float> other;
    if (settings_.referenceMode)
        other = std::move(right ? rec.left : rec.right);
    analysis_.Start(std::move(measured), std::move(other), settings_, outputCorrection_, this,
                    [this](const IrMeasurement& result) { analysed(result); });
    // All is recorded; the analysis is the last hundredth.
    shownPercent_ = kPercent - 1;
    emit progress(shownPercent_, kPercent);
}

// While the recording runs: the share of the sweeps' periods in, from the
// marked frame on (the analysis, which follows, is short against them).
void IrEngine::showProgress()
{
    if (!running_ || !recorder_.recording())
        return;
    const long long first = recorder_.firstPlayedFrame();
    const long long needed = sweepsFrames(settings_.sweep);
    const long long in = first < 0 ? 0 : recorder_.capturedFrames() - first;
    // 99 says all is in (onRecorded), 100 that the result is there.
    const int percent = static_cast<int>(std::clamp<long long>(kPercent * in / needed, 0, kPercent - 2));
    if (percent <= shownPercent_)
        return;
    shownPercent_ = percent;
    emit progress(percent, kPercent);
}

void IrEngine::analysed(const IrMeasurement& result)
{
    if (!running_)
        return;
    result_ = result;
    if (!result_.ok()) {
        refuse(IrProblemText(result_.problem, letter_));
        return;
    }
    running_ = false;
    emit progress(kPercent, kPercent);
    emit measured(result_);
    emit stopped();
}

// A bad set-up found in the recording: its text and no curve.
void IrEngine::refuse(const QString& refusal)
{
    devlog::Append(QStringLiteral("Impulse response refused: %1").arg(refusal));
    running_ = false;
    result_.response = {};
    emit refused(refusal);
    emit stopped();
}

void IrEngine::fail(Failure kind, int code)
{
    if (!running_)
        return;
    release();
    result_ = IrMeasurement{};
    reportFailure(static_cast<int>(kind), code);
}

// Output silent, recording given up, output given back, analysis dropped.
void IrEngine::release()
{
    running_ = false;
    analysis_.Cancel();
    releaseDevices();
}

void IrEngine::releaseDevices()
{
    guard_.stop();
    progress_.stop();
    recorder_.stop();
    player_.close();
    OutputOwner::Instance().Release(this);
}

} // namespace korvanta
