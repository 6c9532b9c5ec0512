#include "devicetest/DeviceTestProcedure.h"

#include "devicetest/DtFigureRows.h"
#include "devicetest/DtImd.h"
#include "devicetest/DtDistortion.h"
#include "devicetest/DtMaxLevel.h"
#include "devicetest/DtReference.h"
#include "devicetest/DtSineFit.h"
#include "devicetest/DtScreenRows.h"
#include "devicetest/DtSweepResponse.h"
#include "platform/LanguageTexts.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvanta {

namespace {
// The result lists its figures in this order whatever order the plan
// measures them in, so two reports read alike.
enum Group { GResponse, GNoise, GDynamicRange, GThd, GImd, GCrosstalk, GMatch, GMaxLevel, GLevels, kGroups };

constexpr Words kSweepNotFound{
    "Der Sweep lag nicht in seiner Aufnahme: der Ausgang begann zu spät oder die Aufnahme endete zu früh; "
    "den Test wiederholen",
    "The sweep did not lie in its recording: the output began too late or the recording ended too early; "
    "run the test again"};

constexpr Words kMaxLevelFloor{"überschreitet 1 % schon bei -60 dBFS", "passes 1 % already at -60 dBFS"};

constexpr Words kClipsAtStep{
    "Der Eingang übersteuert bei „%1“, auch nach %2 Versuchen mit niedrigerem Pegel: den Eingangspegel oder die "
    "Verstärkung des Prüflings senken",
    "The input clips at \"%1\", even after %2 takes at lower levels: lower the input level or the gain of the device "
    "under test"};
constexpr Words kClipsWithoutSignal{
    "Der Eingang übersteuert bei „%1“ in einem Kanal, dessen Ausgang nichts spielt: den Prüfling auf Schwingen oder "
    "Gleichspannung prüfen oder den Eingangspegel senken",
    "The input clips at \"%1\" in a channel whose output plays nothing: check the device under test for "
    "oscillation or DC, or lower the input level"};

// Below the input's full scale by this much, the maximum-level search stops
// climbing: the loop gain read at the step before may move a little.
constexpr double kCeilingMarginDb = 0.05;

const char* const kVoltsUnit = "dBFS";

DtRecording WithoutLeadIn(const DtRecording& r)
{
    DtRecording out;
    out.rate = r.rate;
    out.overRange = r.overRange;
    const size_t lead = r.left.size() / kDtLeadInDivisor;
    out.left.assign(r.left.begin() + long(lead), r.left.end());
    out.right.assign(r.right.begin() + long(std::min(lead, r.right.size())), r.right.end());
    return out;
}

struct ChannelOf {
    DtChannel channel;
    const std::vector<float>& x;
};

// The input channels that carry the step's signal.
std::vector<ChannelOf> PlayedChannels(const DtPlayedStep& p, const DtRecording& r)
{
    std::vector<ChannelOf> out;
    if (p.step.plays != DtPlays::RightOnly)
        out.push_back({DtChannel::Left, r.left});
    if (p.step.plays != DtPlays::LeftOnly)
        out.push_back({DtChannel::Right, r.right});
    return out;
}

double FirstHz(const DtPlayedStep& p) { return p.step.frequencies.empty() ? 0.0 : p.step.frequencies.front(); }

// The two loops' difference. A level asked at the input plays each output
// channel at its own loop's inverse gain, so the inputs come back alike;
// the outputs' difference is part of the loops' and is put back.
DtChannelMatch LoopMatch(const DtPlayedStep& p, const DtRecording& r, int rate, double hz)
{
    DtChannelMatch m = ChannelMatch(r.left, r.right, rate, hz);
    if (p.peaks.left > 0.0 && p.peaks.right > 0.0)
        m.gainDb -= 20.0 * std::log10(p.peaks.left / p.peaks.right);
    return m;
}

// The channel a crosstalk step drives and the one it leaks into.
struct Leak {
    DtChannel direction;
    double hz;
    DtRecording recording;
};
} // namespace

struct DeviceTestProcedure::State {
    DtRunSettings settings;
    int rate = 0;
    std::array<DtRows, kGroups> rows;

    // The checks before the run.
    std::optional<DtRecording> leftOnly, rightOnly, idle;
    double levelHz = 0.0;
    bool checked = false;
    DtCheck failed = DtCheck::Passed;

    // Each channel's response: a sweep's fine points, or one point per
    // tone step; or why the sweep gave none.
    std::vector<DtResponsePoint> response[2];
    IrProblem responseProblem[2] = {IrProblem::None, IrProblem::None};

    std::vector<Leak> leaks; // crosstalk steps waiting for the tone-off reading
    bool smpteTaken = false;
    bool ccifTaken = false;

    bool toneClipped = false; // a loop-gain step's input clipped
    bool idleClipped = false;
    bool toneUnsteady = false;

    std::optional<DtMaxLevelStepper> stepper;
    DtStep maxLevelStep; // the plan's, as the search's template
    bool maxLevelTaken = false;

    DtPlayedStep last;

    QString RunChecks();
    QString TakeCheckStep(const DtPlayedStep& played, const DtRecording& r);
    QString TakeClipped(const DtPlayedStep& played);
    void AddInputLevel(const DtPlayedStep& played);
    void TakeFigures(const DtPlayedStep& played, const DtRecording& r);
    void TakeResponse(const DtPlayedStep& played, const DtRecording& r);
    QString TakeSweep(const DtPlayedStep& played, const DtRecording& r);
    void TakeCrosstalkOff(const DtRecording& r);
    void TakeMaxLevel(const DtPlayedStep& played, const DtRecording& r);
    void FinishResponse();
    void FinishMaxLevel();
};

DeviceTestProcedure::DeviceTestProcedure(DtRunSettings settings) : state_(std::make_unique<State>())
{
    state_->settings = std::move(settings);
    state_->rate = state_->settings.rate;
}

DeviceTestProcedure::~DeviceTestProcedure() = default;

DtCheck DeviceTestProcedure::FailedCheck() const { return state_->failed; }

void DeviceTestProcedure::Begin(const DtPlan& plan)
{
    DtRunSettings settings = std::move(state_->settings);
    state_ = std::make_unique<State>();
    state_->settings = std::move(settings);
    state_->rate = state_->settings.rate;
    State& s = *state_;
    for (const DtStep& step : plan.steps) {
        if (step.kind == DtStepKind::MaxLevel && !s.stepper) {
            s.stepper.emplace(step.levelDb);
            s.maxLevelStep = step;
        }
    }
}

QString DeviceTestProcedure::Take(const DtPlayedStep& played, const DtRecording& whole)
{
    State& s = *state_;
    s.last = played;
    if (whole.rate > 0)
        s.rate = whole.rate;
    const DtStepKind kind = played.step.kind;
    // The checks before the run judge their own steps' clipping.
    if (kind == DtStepKind::Level || (kind == DtStepKind::Noise && !s.idle))
        return s.TakeCheckStep(played, WithoutLeadIn(whole));
    if (played.reached.Clipped())
        return s.TakeClipped(played);
    s.AddInputLevel(played);
    // A sweep's recording begins where the sweep did: all of it is the answer.
    if (played.step.sweep)
        return s.TakeSweep(played, whole);
    const DtRecording recording = WithoutLeadIn(whole);
    if (kind == DtStepKind::Noise) {
        for (const ChannelOf& c :
             {ChannelOf{DtChannel::Left, recording.left}, ChannelOf{DtChannel::Right, recording.right}})
            AddNoiseRows(s.rows[GNoise], c.channel, c.x, s.rate, s.settings.letter);
        return {};
    }
    s.TakeFigures(played, recording);
    return {};
}

// The loop-gain tones and the idle floor, which the checks before the run read.
QString DeviceTestProcedure::State::TakeCheckStep(const DtPlayedStep& played, const DtRecording& r)
{
    if (played.step.kind == DtStepKind::Level) {
        toneClipped = toneClipped || played.reached.Clipped();
        toneUnsteady = toneUnsteady || !played.reached.steady;
        if (played.step.plays == DtPlays::LeftOnly)
            leftOnly = r;
        else if (played.step.plays == DtPlays::RightOnly)
            rightOnly = r;
        levelHz = FirstHz(played);
        if (!played.reached.Clipped())
            AddInputLevel(played);
        return RunChecks();
    }
    idleClipped = played.reached.Clipped();
    for (const ChannelOf& c : {ChannelOf{DtChannel::Left, r.left}, ChannelOf{DtChannel::Right, r.right}})
        AddNoiseRows(rows[GNoise], c.channel, c.x, rate, settings.letter);
    idle = r;
    return RunChecks();
}

// Once both level steps and the idle floor are in: the checks, once.
QString DeviceTestProcedure::State::RunChecks()
{
    if (checked || !leftOnly || !rightOnly || !idle)
        return {};
    checked = true;
    DtLevelSteps steps{{leftOnly->left, leftOnly->right}, {rightOnly->left, rightOnly->right}, levelHz};
    steps.toneClipped = toneClipped;
    steps.idleClipped = idleClipped;
    steps.toneUnsteady = toneUnsteady;
    failed = LevelStepsCheck(steps, {idle->left, idle->right}, rate);
    return CheckMessage(failed, settings.letter);
}

// A step that clipped however low the engine played it: no figure comes of
// it. The maximum-level search ends there; any other step ends the run.
QString DeviceTestProcedure::State::TakeClipped(const DtPlayedStep& played)
{
    if (played.step.kind == DtStepKind::MaxLevel) {
        if (!stepper) {
            stepper.emplace(played.step.levelDb);
            maxLevelStep = played.step;
        }
        maxLevelTaken = true;
        stepper->Clipped(played.step.levelDb);
        return {};
    }
    const QString step = DtStepText(played.step, settings.letter);
    const double peaks[2] = {played.peaks.left, played.peaks.right};
    for (int c = 0; c < 2; ++c)
        if (played.reached.clipped[c] && peaks[c] <= 0.0)
            return Pick(settings.letter, kClipsWithoutSignal).arg(step);
    return Pick(settings.letter, kClipsAtStep).arg(step).arg(played.takes);
}

// The level a step reached at the input, in each channel that played it:
// the loop-gain tones, and every step whose level is asked at the input.
void DeviceTestProcedure::State::AddInputLevel(const DtPlayedStep& played)
{
    const DtStep& step = played.step;
    if (step.Silent() || (step.reference != DtLevelRef::Input && step.kind != DtStepKind::Level))
        return;
    for (int c = 0; c < 2; ++c) {
        const double reached = played.reached.dbfs[c];
        if (!std::isfinite(reached))
            continue;
        const bool asked = step.reference == DtLevelRef::Input;
        AddInputLevelRow(rows[GLevels], step, c == 0 ? DtChannel::Left : DtChannel::Right, reached,
                         asked ? std::optional<double>(step.levelDb) : std::nullopt, played.takes,
                         played.peaks.limited, settings.letter);
    }
}

void DeviceTestProcedure::State::TakeFigures(const DtPlayedStep& played, const DtRecording& r)
{
    const double hz = FirstHz(played);
    switch (played.step.kind) {
    case DtStepKind::Response: return TakeResponse(played, r);
    case DtStepKind::DynamicRange:
        for (const ChannelOf& c : PlayedChannels(played, r))
            AddDynamicRangeRows(rows[GDynamicRange], c.channel, c.x, rate, hz);
        return;
    case DtStepKind::Thd:
        for (const ChannelOf& c : PlayedChannels(played, r))
            AddThdRows(rows[GThd], c.channel, c.x, rate, hz);
        return;
    case DtStepKind::ImdSmpte:
        smpteTaken = true;
        for (const ChannelOf& c : PlayedChannels(played, r))
            AddSmpteRows(rows[GImd], c.channel, c.x, rate);
        return;
    case DtStepKind::ImdCcif:
        ccifTaken = true;
        for (const ChannelOf& c : PlayedChannels(played, r))
            AddCcifRows(rows[GImd], c.channel, c.x, rate);
        return;
    case DtStepKind::Crosstalk:
        if (played.step.plays != DtPlays::Both)
            leaks.push_back(
                {played.step.plays == DtPlays::LeftOnly ? DtChannel::LeftToRight : DtChannel::RightToLeft, hz, r});
        return;
    case DtStepKind::CrosstalkOff: return TakeCrosstalkOff(r);
    case DtStepKind::Match: AddMatchRows(rows[GMatch], hz, LoopMatch(played, r, rate, hz)); return;
    case DtStepKind::MaxLevel: return TakeMaxLevel(played, r);
    case DtStepKind::Level:
    case DtStepKind::Noise: return;
    }
}

void DeviceTestProcedure::State::TakeResponse(const DtPlayedStep& played, const DtRecording& r)
{
    const double hz = FirstHz(played);
    for (const ChannelOf& c : PlayedChannels(played, r)) {
        const double db = SineLevelDbfs(c.x, rate, hz);
        if (std::isfinite(db))
            response[c.channel == DtChannel::Left ? 0 : 1].push_back({hz, db});
    }
}

// Each played channel's own response, deconvolved with the sweep at that
// channel's peak. A sweep that did not lie in its recording refuses the
// run: no response could be measured from what was recorded.
QString DeviceTestProcedure::State::TakeSweep(const DtPlayedStep& played, const DtRecording& r)
{
    if (!r.aligned)
        return Pick(settings.letter, kSweepNotFound);
    const DtBand band = MeasurementBand(rate);
    for (const ChannelOf& c : PlayedChannels(played, r)) {
        const int i = c.channel == DtChannel::Left ? 0 : 1;
        const double peak = i == 0 ? played.peaks.left : played.peaks.right;
        DtSweepResponse measured = SweepResponse(c.x, DtIrSweep(*played.step.sweep, rate, peak), band);
        responseProblem[i] = measured.problem;
        response[i] = std::move(measured.points);
    }
    return {};
}

// The reading with the tone off gives every waiting crosstalk step its
// idle bin, read in the channel that leak went into.
void DeviceTestProcedure::State::TakeCrosstalkOff(const DtRecording& off)
{
    for (const Leak& l : leaks) {
        const bool fromLeft = l.direction == DtChannel::LeftToRight;
        const std::vector<float>& driven = fromLeft ? l.recording.left : l.recording.right;
        const std::vector<float>& other = fromLeft ? l.recording.right : l.recording.left;
        const std::vector<float>& idleOther = fromLeft ? off.right : off.left;
        AddCrosstalkRow(rows[GCrosstalk], l.direction, l.hz, Crosstalk(driven, other, idleOther, rate, l.hz),
                        settings.letter);
    }
    leaks.clear();
}

// The search steps on the level the step asked for, output-referenced in
// the default plan, and judges it by the worse channel: the maximum level
// is where the first of them passes 1 %.
void DeviceTestProcedure::State::TakeMaxLevel(const DtPlayedStep& played, const DtRecording& r)
{
    if (!stepper) {
        stepper.emplace(played.step.levelDb);
        maxLevelStep = played.step;
    }
    double worst = 0.0;
    double worstInput = NAN; // the input's level in the channel that passes 1 % first
    double gainDb = -HUGE_VAL;
    for (const ChannelOf& c : PlayedChannels(played, r)) {
        const int i = c.channel == DtChannel::Left ? 0 : 1;
        gainDb = std::max(gainDb, played.reached.dbfs[i] - played.step.levelDb);
        const double thdn = AnalyseThd(c.x, rate, FirstHz(played)).thdnPercent;
        if (std::isnan(thdn)) {
            worst = NAN; // the stepper takes an unknown as passing
            worstInput = NAN;
            break;
        }
        if (thdn >= worst) {
            worst = thdn;
            worstInput = played.reached.dbfs[i];
        }
    }
    maxLevelTaken = true;
    stepper->Record(played.step.levelDb, worst, worstInput);
    // No step of the search plays so loud that the input reaches its full
    // scale: what clips there is the input, not the device.
    if (std::isfinite(gainDb))
        stepper->SetCeiling(DtPeakDbfs(kDtClipShare) - kCeilingMarginDb - gainDb);
}

std::vector<DtStep> DeviceTestProcedure::Next()
{
    State& s = *state_;
    if (s.failed != DtCheck::Passed)
        return {};
    if (s.last.step.kind == DtStepKind::MaxLevel && s.stepper) {
        if (const auto level = s.stepper->Next()) {
            DtStep step = s.maxLevelStep;
            step.levelDb = *level;
            return {step};
        }
    }
    return {};
}

// A channel whose sweep the checks refused has its figures, not measured,
// with the reason; the run's other figures stand.
void DeviceTestProcedure::State::FinishResponse()
{
    for (int c = 0; c < 2; ++c) {
        const DtChannel channel = c == 0 ? DtChannel::Left : DtChannel::Right;
        if (responseProblem[c] != IrProblem::None)
            AddResponseNotMeasuredRows(rows[GResponse], channel, responseProblem[c], settings.letter);
        else if (!response[c].empty())
            AddResponseRows(rows[GResponse], channel, response[c], rate, settings.letter);
    }
}

// The output's level where THD+N passes 1 %, and the input's there; or,
// for both, why there is none.
void DeviceTestProcedure::State::FinishMaxLevel()
{
    if (!stepper || !maxLevelTaken)
        return;
    DtRows& r = rows[GMaxLevel];
    const QString output = QString::fromLatin1(dtid::MaxLevel);
    const QString input = QString::fromLatin1(dtid::MaxLevelInput);
    DtNote why;
    if (const auto level = stepper->MaxLevelDbfs()) {
        r.Add(output, DtChannel::Both, *level, "dBFS");
        r.Add(input, DtChannel::Both, stepper->MaxLevelInputDbfs().value_or(NAN), "dBFS");
        return;
    }
    if (const auto clipped = stepper->ClippedAt())
        why = {QStringLiteral("input_clipped"), InputClippedText(*clipped, settings.letter)};
    else if (stepper->ReachedFullScale() && stepper->Ceiling() < 0.0)
        why = {QStringLiteral("input_full_scale"), InputFullScaleText(stepper->TopDbfs(), settings.letter)};
    else if (stepper->ReachedFullScale())
        why = {QStringLiteral("no_clipping_to_full_scale"), NoClippingText(settings.letter)};
    else if (stepper->Done())
        why = {QStringLiteral("passes_at_floor"), Pick(settings.letter, kMaxLevelFloor)};
    else
        return;
    r.Add(output, DtChannel::Both, NAN, "dBFS", why);
    r.Add(input, DtChannel::Both, NAN, "dBFS", why);
}

void DeviceTestProcedure::Finish(DeviceTestResult& result)
{
    State& s = *state_;
    // A set-up the checks refused gives no figure at all.
    if (s.failed != DtCheck::Passed)
        return;
    s.FinishResponse();
    if (s.smpteTaken && !s.ccifTaken && !CcifFitsRate(s.rate))
        for (DtChannel c : {DtChannel::Left, DtChannel::Right})
            AddCcifLeftOutRows(s.rows[GImd], c, s.settings.letter);
    s.FinishMaxLevel();

    const double fullScale = s.settings.inputFullScaleVolts;
    for (DtRows& group : s.rows) {
        for (DtFigure& f : group.figures) {
            // The maximum level is the output's; the input's calibration
            // says nothing about it (its input level has volts).
            if (fullScale > 0.0 && f.Measured() && f.unit == QLatin1String(kVoltsUnit) &&
                f.id != QLatin1String(dtid::MaxLevel))
                f.volts = fullScale * std::pow(10.0, f.value / 20.0);
            result.figures.push_back(std::move(f));
        }
        for (DtCurve& c : group.curves)
            result.curves.push_back(std::move(c));
        group = DtRows{};
    }
    if (s.settings.reference)
        DtApplyReference(result, *s.settings.reference);
}

} // namespace korvanta
