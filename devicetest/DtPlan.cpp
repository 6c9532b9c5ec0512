#include "devicetest/DtPlan.h"

#include "devicetest/DtImd.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
// Recorded lengths, in frames at 48 kHz; other rates keep the duration,
// rounded to a power of two for the transforms of the analysis.
constexpr int kReferenceRate = 48000;
constexpr int kShortFrames = 8192;    // one point of the response, a level check
constexpr int kMediumFrames = 16384;  // crosstalk, match, one maximum-level step
constexpr int kLongFrames = 65536;    // noise, dynamic range, THD, IMD: fine bins

// Below the reference level, so the response is not the device's distortion.
constexpr double kResponseLevelDb = -10.0;
// Where the search for the maximum level begins, at the output.
constexpr double kMaxLevelStartDb = -10.0;

constexpr double kCrosstalkHz[] = {100.0, 1000.0, 10000.0};
constexpr double kMatchHz[] = {1000.0, 10000.0};
constexpr double kGridCentreHz = 1000.0;

int framesAt(int frames48k, int rate)
{
    const double want = double(frames48k) * rate / kReferenceRate;
    return 1 << std::max(0, int(std::lround(std::log2(std::max(want, 1.0)))));
}

DtStep tone(DtStepKind kind, double hz, double levelDb, DtLevelRef ref, DtPlays plays, int settleMs, int frames)
{
    return DtToneStep(kind, {hz}, levelDb, ref, plays, settleMs, frames);
}

DtStep silence(DtStepKind kind, int settleMs, int frames)
{
    return DtToneStep(kind, {}, 0.0, DtLevelRef::Input, DtPlays::Both, settleMs, frames);
}
} // namespace

DtStep DtToneStep(DtStepKind kind, std::vector<double> frequencies, double levelDb, DtLevelRef reference,
                  DtPlays plays, int settleMs, int frames)
{
    DtStep s;
    s.kind = kind;
    s.frequencies = std::move(frequencies);
    s.plays = plays;
    s.levelDb = levelDb;
    s.reference = reference;
    s.settleMs = settleMs;
    s.frames = frames;
    return s;
}

std::vector<double> DtResponseFrequencies(int rate, int perOctave)
{
    const double high = DtBandHighHz(rate);
    const int n = std::max(perOctave, 1);
    // Grid points closer than half a step to an end would crowd it.
    const double halfStep = std::pow(2.0, 0.5 / n);
    std::vector<double> f{kDtBandLowHz};
    const int lowest = int(std::ceil(n * std::log2(kDtBandLowHz * halfStep / kGridCentreHz)));
    for (int k = lowest;; ++k) {
        const double x = kGridCentreHz * std::pow(2.0, double(k) / n);
        if (x > high / halfStep)
            break;
        f.push_back(x);
    }
    f.push_back(high);
    return f;
}

DtPlan DefaultDtPlan(const DtPlanSettings& s)
{
    const int shortN = framesAt(kShortFrames, s.rate);
    const int mediumN = framesAt(kMediumFrames, s.rate);
    const int longN = framesAt(kLongFrames, s.rate);
    const double ref = s.referenceLevelDb;
    DtPlan plan;
    auto add = [&plan](DtStep step) { plan.steps.push_back(std::move(step)); };

    // First what the checks before the run need: each channel's gain, then
    // the idle floor.
    add(tone(DtStepKind::Level, kDtToneHz, s.levelCheckDb, DtLevelRef::Output, DtPlays::LeftOnly, s.settleMs, shortN));
    add(tone(DtStepKind::Level, kDtToneHz, s.levelCheckDb, DtLevelRef::Output, DtPlays::RightOnly, s.settleMs, shortN));
    add(silence(DtStepKind::Noise, s.settleMs, longN));
    for (double f : DtResponseFrequencies(s.rate, s.responsePointsPerOctave))
        add(tone(DtStepKind::Response, f, kResponseLevelDb, DtLevelRef::Input, DtPlays::Both, s.settleMs, shortN));
    add(tone(DtStepKind::DynamicRange, kDtToneHz, kDtDynamicRangeDb, DtLevelRef::Input, DtPlays::Both, s.settleMs,
             longN));
    add(tone(DtStepKind::Thd, kDtToneHz, ref, DtLevelRef::Input, DtPlays::Both, s.settleMs, longN));

    DtStep smpte = tone(DtStepKind::ImdSmpte, kSmpteLowHz, ref, DtLevelRef::Input, DtPlays::Both, s.settleMs, longN);
    smpte.frequencies = {kSmpteLowHz, kSmpteHighHz};
    smpte.weights = {kSmpteRatio, 1.0};
    add(smpte);
    if (CcifFitsRate(s.rate)) {
        DtStep ccif = smpte;
        ccif.kind = DtStepKind::ImdCcif;
        ccif.frequencies = {kCcifLowHz, kCcifHighHz};
        ccif.weights = {1.0, 1.0};
        add(ccif);
    }

    for (DtPlays from : {DtPlays::LeftOnly, DtPlays::RightOnly})
        for (double f : kCrosstalkHz)
            add(tone(DtStepKind::Crosstalk, f, ref, DtLevelRef::Input, from, s.settleMs, mediumN));
    add(silence(DtStepKind::CrosstalkOff, s.settleMs, mediumN));
    for (double f : kMatchHz)
        add(tone(DtStepKind::Match, f, ref, DtLevelRef::Input, DtPlays::Both, s.settleMs, mediumN));
    // The search adds its steps while it runs: the plan's length is a guess.
    add(tone(DtStepKind::MaxLevel, kDtToneHz, kMaxLevelStartDb, DtLevelRef::Output, DtPlays::Both, s.settleMs,
             mediumN));
    plan.approximate = true;
    return plan;
}

RunEstimate DtPlanEstimate(const DtPlan& plan, int rate)
{
    RunEstimate e;
    for (const DtStep& s : plan.steps)
        e.stepMs.push_back(StepDurationMs(s.settleMs, s.frames, rate));
    e.approximate = plan.approximate;
    return e;
}

} // namespace korvanta
