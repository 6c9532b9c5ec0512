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

// Room in the stretch beyond the sweeps for where the sweep starts, once
// the input has delivered its first frames (a read of the recorder, a
// period of a server; under 0.05 s measured). The stretch ends as soon as
// the sweeps' periods from the marked frame on are in, so the room costs
// no time. The devices' latency needs nothing more: a latency longer than
// the tail is refused as such.
constexpr double kMarginSeconds = 0.5;
// What the guard allows beyond the recording's own length before it calls
// the device failed: more than the recorder's own stall margin, so a device
// that reports its fault is heard first.
constexpr int kGuardSlackMs = 3 * WaveIn::kStallMarginMs + 2000;

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

long long recordingFrames(const IrSweep& s)
{
    return static_cast<long long>(s.count) * s.PeriodFrames() + static_cast<long long>(kMarginSeconds * s.rate);
}

} // namespace

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
    if (frames > static_cast<long long>(StretchRecorder::kMaxSeconds) * inRate) {
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
    const long long needed = static_cast<long long>(s.sweep.count) * s.sweep.PeriodFrames();
    if (rc = recorder_.start(GetInDevice(), MakeWaveFormat(inRate, inBits), frames, needed); rc != 0) {
        shot.GiveUp();
        player_.close();
        OutputOwner::Instance().Release(this);
        startRefusal_ = Pick(letter, kInputOpen).arg(SoundErrorText(rc));
        return false;
    }
    shot.Arm(recorder_.clock());

    settings_ = s;
    letter_ = letter;
    rate_ = inRate;
    result_ = IrMeasurement{};
    running_ = true;
    guard_.start(static_cast<int>(1000 * frames / inRate) + kGuardSlackMs);
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
    const long long needed = static_cast<long long>(settings_.sweep.count) * settings_.sweep.PeriodFrames();
    const DeviceSlot& slot = InSlot(GetInDevice());
    const IrChannels rec = IrChannelsFromPcm(recorder_.data(), SlotConversion(slot, slot.format.bitsPerSample),
                                             first, needed);
    release();
    devlog::Append(QStringLiteral("Impulse response: sweep marked at frame %1 of %2, %3 needed").arg(first).arg(recorder_.frames()).arg(needed));
    QString refusal;
    if (first < 0) {
        refusal = Pick(letter_, kNotMarked);
    } else if (static_cast<long long>(rec.left.size()) < needed) {
        refusal = Pick(letter_, kCutShort);
    } else {
        const bool reference = settings_.referenceMode;
        const std::vector<float>& measured = settings_.measuredChannel == 1 ? rec.right : rec.left;
        const std::vector<float>& other = settings_.measuredChannel == 1 ? rec.left : rec.right;
        result_ = AnalyseSweep(measured, reference ? std::span<const float>(other) : std::span<const float>(),
                               settings_, &outputCorrection_);
        if (!result_.ok())
            refusal = IrProblemText(result_.problem, letter_);
    }
    if (!refusal.isEmpty()) {
        devlog::Append(QStringLiteral("Impulse response refused: %1").arg(refusal));
        result_.response = {};
        emit refused(refusal);
    } else {
        emit progress(1, 1);
        emit measured(result_);
    }
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

// Output silent, recording given up, output given back.
void IrEngine::release()
{
    running_ = false;
    guard_.stop();
    recorder_.stop();
    player_.close();
    OutputOwner::Instance().Release(this);
}

} // namespace korvanta
