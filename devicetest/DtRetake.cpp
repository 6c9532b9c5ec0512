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

DtTakeNext DtNextTake(const DtPlayedStep& played, const DtInputLevel& level, const double gainDb[2], int take,
                      bool lastClipped)
{
    DtTakeNext next;
    next.gainDb[0] = gainDb[0];
    next.gainDb[1] = gainDb[1];
    const DtStep& s = played.step;
    if (!level.Clipped() && !level.steady && take < kDtMaxTakes) {
        next.verdict = DtTakeVerdict::Again;
        next.replay = false;
        return next;
    }
    if (level.Clipped()) {
        if (!LevelAtInput(s))
            return next; // the analysis judges it: a check refuses it, the search ends
        for (int c = 0; c < 2; ++c) {
            // A channel that plays nothing cannot be turned down.
            if (level.clipped[c] && PlayedPeak(played.peaks, c) <= 0.0)
                next.verdict = DtTakeVerdict::GivesUp;
        }
        if (next.verdict == DtTakeVerdict::GivesUp || take >= kDtMaxTakes) {
            next.verdict = DtTakeVerdict::GivesUp;
            return next;
        }
        for (int c = 0; c < 2; ++c)
            if (level.clipped[c])
                next.gainDb[c] = (std::isfinite(gainDb[c]) ? gainDb[c] : 0.0) + kDtRetakeDropDb;
        next.verdict = DtTakeVerdict::Again;
        return next;
    }
    if (!LevelAtInput(s))
        return next;
    // The gain this take read, which a step taken again carries on.
    bool off = false;
    for (int c = 0; c < 2; ++c) {
        if (PlayedPeak(played.peaks, c) <= 0.0 || !std::isfinite(level.dbfs[c]))
            continue;
        next.gainDb[c] = ReadGainDb(played, level, c);
        off = off || std::abs(level.dbfs[c] - s.levelDb) > kDtRetakeSlackDb;
    }
    // Lowered after it clipped: back to the level asked with that gain,
    // unless it is there already (or the takes are used up, and the report
    // states the level it reached).
    if (lastClipped && off && take < kDtMaxTakes && !played.peaks.limited)
        next.verdict = DtTakeVerdict::Again;
    return next;
}

} // namespace korvanta
