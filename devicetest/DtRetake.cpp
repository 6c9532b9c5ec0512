#include "devicetest/DtRetake.h"

#include <cmath>

namespace korvanta {

namespace {
bool LevelAtInput(const DtStep& s) { return s.reference == DtLevelRef::Input && !s.Silent(); }

double PlayedPeak(const DtPeaks& p, int channel) { return channel == 0 ? p.left : p.right; }

// The loop gain a take read in one channel: what came back over what played.
double ReadGainDb(const DtPlayedStep& played, const DtInputLevel& level, int channel)
{
    return level.dbfs[channel] - DtPeakDbfs(PlayedPeak(played.peaks, channel));
}
} // namespace

bool DtGainCarriesOn(const DtStep& step)
{
    return step.reference == DtLevelRef::Input && !step.sweep && step.frequencies.size() == 1
        && step.frequencies.front() == kDtToneHz;
}

namespace {
// A take whose input clipped: lower in each clipped channel, unless a lower
// output cannot help or the takes are used up.
DtTakeNext ClippedTake(const DtPlayedStep& played, const DtInputLevel& level, DtTakeNext next, int take)
{
    if (!LevelAtInput(played.step))
        return next; // the analysis judges it: a check refuses it, the search ends
    bool helps = take < kDtMaxTakes;
    for (int c = 0; c < 2; ++c) {
        // A channel that plays nothing cannot be turned down.
        helps = helps && !(level.clipped[c] && PlayedPeak(played.peaks, c) <= 0.0);
        if (level.clipped[c])
            next.gainDb[c] = (std::isfinite(next.gainDb[c]) ? next.gainDb[c] : 0.0) + kDtRetakeDropDb;
    }
    next.verdict = helps ? DtTakeVerdict::Again : DtTakeVerdict::GivesUp;
    return next;
}

// A take that did not clip carries the gain it read; one lowered after a
// clipped take goes back to the level asked with it, unless it is there
// already (or the takes are used up, and the report states its level).
DtTakeNext CleanTake(const DtPlayedStep& played, const DtInputLevel& level, DtTakeNext next, int take, bool lastClipped)
{
    if (!LevelAtInput(played.step))
        return next;
    bool off = false;
    for (int c = 0; c < 2; ++c) {
        if (PlayedPeak(played.peaks, c) <= 0.0 || !std::isfinite(level.dbfs[c]))
            continue;
        next.gainDb[c] = ReadGainDb(played, level, c);
        off = off || std::abs(level.dbfs[c] - played.step.levelDb) > kDtRetakeSlackDb;
    }
    if (lastClipped && off && take < kDtMaxTakes && !played.peaks.limited)
        next.verdict = DtTakeVerdict::Again;
    return next;
}
} // namespace

DtTakeNext DtNextTake(const DtPlayedStep& played, const DtInputLevel& level, const double gainDb[2], int take,
                      bool lastClipped)
{
    DtTakeNext next;
    next.gainDb[0] = gainDb[0];
    next.gainDb[1] = gainDb[1];
    if (level.Clipped())
        return ClippedTake(played, level, next, take);
    if (!level.steady && take < kDtMaxTakes) {
        next.verdict = DtTakeVerdict::Again;
        next.replay = false;
        return next;
    }
    return CleanTake(played, level, next, take, lastClipped);
}

} // namespace korvanta
