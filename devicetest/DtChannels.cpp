#include "devicetest/DtChannels.h"

#include "devicetest/DtDistortion.h"
#include "devicetest/DtSineFit.h"

#include <algorithm>
#include <numbers>

namespace korvanta {

namespace {
DtSine FitOne(std::span<const float> x, int rate, double hz)
{
    const double one[] = {hz};
    return FitSines(x, rate, one).sines[0];
}
} // namespace

DtCrosstalk Crosstalk(std::span<const float> driven, std::span<const float> other, std::span<const float> otherIdle,
                      int rate, double hz)
{
    DtCrosstalk r;
    // Both channels are read at the driven tone's own frequency, so a
    // clock drift between the cards does not spread the leak out of the
    // fit.
    r.onlyZeros = std::all_of(other.begin(), other.end(), [](float v) { return v == 0.0f; });
    const double f = RefineFrequency(driven, rate, hz);
    const double tone = FitOne(driven, rate, f).amplitude;
    if (!(tone > 0.0))
        return r;
    r.db = RatioDb(FitOne(other, rate, f).amplitude / tone);
    r.idleDb = RatioDb(FitOne(otherIdle, rate, f).amplitude / tone);
    // Nothing at all in either (digital silence) compares as near too.
    r.nearIdle = !(r.db - r.idleDb >= kDtNearIdleDb);
    return r;
}

DtChannelMatch ChannelMatch(std::span<const float> left, std::span<const float> right, int rate, double hz)
{
    DtChannelMatch r;
    const double f = RefineFrequency(left, rate, hz);
    const DtSine l = FitOne(left, rate, f), rt = FitOne(right, rate, f);
    if (!(l.amplitude > 0.0) || !(rt.amplitude > 0.0))
        return r;
    r.gainDb = RatioDb(l.amplitude / rt.amplitude);
    const double d = std::remainder(l.phase - rt.phase, 2.0 * std::numbers::pi);
    r.phaseDeg = d * 180.0 / std::numbers::pi;
    return r;
}

} // namespace korvanta
