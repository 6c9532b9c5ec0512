#include "devicetest/DtPlan.h"

#include "devicetest/DtImd.h"
#include "devicetest/DtPlanSignal.h"
#include "ir/IrSweep.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
// Recorded lengths, in frames at 48 kHz; other rates keep the duration,
// rounded to a power of two for the transforms of the analysis.
constexpr int kReferenceRate = 48000;
constexpr int kShortFrames = 8192;    // a level check
constexpr int kMediumFrames = 16384;  // crosstalk, match, one maximum-level step
constexpr int kLongFrames = 65536;    // noise, dynamic range, THD, IMD: fine bins

// Below the reference level, so the response is not the device's distortion.
constexpr double kResponseLevelDb = -10.0;
// The sweep: below its full level (its fade-in covers its first half
// octave) the deconvolution's band edge rings on both sides of the
// response's peak, and the fundamental's gate, begun 50 ms before the peak,
// cuts that ringing off. The cut comes back as ripple near the edge: from
// 10 Hz, 0.1 dB between 20 and 60 Hz on a flat device; from 2 Hz, three
// octaves below the band, under 0.002 dB. Its fade-out covers the last
// 1/24 octave, so a twelfth of an octave above the band's top keeps that
// out of the band too where the rate allows it. Two seconds give a
// response whose noise lies far below the figures' tolerance at the level of
// the response; the tail holds a sound server's latency, the margin the
// time from the stretch's start to the sweep's first frame.
constexpr double kSweepLowHz = 2.0;
constexpr double kSweepAboveBand = 1.0594630943592953; // 2^(1/12)
constexpr double kSweepSeconds = 2.0;
constexpr double kSweepTailSeconds = 0.5;
constexpr double kSweepMarginSeconds = 0.5;
// Where the search for the maximum level begins, at the output.
constexpr double kMaxLevelStartDb = -10.0;

constexpr double kCrosstalkHz[] = {100.0, 1000.0, 10000.0};
constexpr double kMatchHz[] = {1000.0, 10000.0};

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

DtSweep DtResponseSweep(int rate)
{
    DtSweep s;
    s.f1Hz = kSweepLowHz;
    s.f2Hz = std::min(kIrTopShare * rate, DtBandHighHz(rate) * kSweepAboveBand);
    s.seconds = kSweepSeconds;
    s.tailSeconds = kSweepTailSeconds;
    s.marginSeconds = kSweepMarginSeconds;
    return s;
}

DtStep DtSweepStep(const DtSweep& sweep, int rate, int settleMs)
{
    DtStep s = DtToneStep(DtStepKind::Response, {}, kResponseLevelDb, DtLevelRef::Input, DtPlays::Both, settleMs, 0);
    s.sweep = sweep;
    s.frames = DtSweepStretchFrames(sweep, rate);
    return s;
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
    add(DtSweepStep(DtResponseSweep(s.rate), s.rate, s.settleMs));
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
