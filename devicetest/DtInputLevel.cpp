#include "devicetest/DtInputLevel.h"

#include "devicetest/DtChecks.h"
#include "devicetest/DtSineFit.h"

#include <algorithm>
#include <limits>

namespace korvanta {

namespace {
bool Plays(const DtStep& step, int channel)
{
    if (step.Silent())
        return false;
    return step.plays == DtPlays::Both || (channel == 0) == (step.plays == DtPlays::LeftOnly);
}

double LargestSample(std::span<const float> x)
{
    double most = 0.0;
    for (float v : x)
        most = std::max(most, double(std::abs(v)));
    return most;
}

double SumOfAmplitudes(const DtSineFit& fit)
{
    double sum = 0.0;
    for (const DtSine& s : fit.sines)
        sum += std::isfinite(s.amplitude) ? s.amplitude : 0.0;
    return sum;
}

// How far a fitted amplitude moves by the noise alone, in dB: the
// residual's RMS over the tone's amplitude, times √(2/N), each tone alike.
double NoiseJitterDb(std::span<const float> x, int rate, const DtSineFit& fit, double amplitude)
{
    double sum = 0.0;
    for (float v : Residual(x, rate, fit))
        sum += double(v) * v;
    const double rms = std::sqrt(sum / double(std::max<std::size_t>(x.size(), 1)));
    return 20.0 / std::log(10.0) * rms * std::sqrt(2.0 / double(std::max<std::size_t>(x.size(), 1))) / amplitude;
}

// Whether the tones' level in each part of `settled` lies within
// kDtSteadyDb of the others, or within what the noise moves a fit by (read
// in the cleanest part: a part the tone has not reached yet leaves the
// tone itself in its residual); `dbfs` is their level over all of it.
bool Steady(const DtStep& step, std::span<const float> settled, int rate, double dbfs)
{
    // Too weak a tone reads its parts' noise, not its level; the checks
    // before the run refuse it for what it is.
    if (!(dbfs >= kDtToneMinimumDbfs))
        return true;
    constexpr double kJitters = 6.0; // a spread the noise leaves with no run in a million
    const std::size_t part = settled.size() / kDtSteadyParts;
    double lowest = HUGE_VAL, highest = -HUGE_VAL, jitter = HUGE_VAL;
    for (std::size_t k = 0; k < kDtSteadyParts && part > 0; ++k) {
        const std::span<const float> x = settled.subspan(k * part, part);
        const DtSineFit fit = FitSines(x, rate, step.frequencies);
        const double amplitude = SumOfAmplitudes(fit);
        const double db = DtPeakDbfs(amplitude);
        lowest = std::min(lowest, db);
        highest = std::max(highest, db);
        if (amplitude > 0.0)
            jitter = std::min(jitter, NoiseJitterDb(x, rate, fit, amplitude));
    }
    const double slack = std::isfinite(jitter) ? std::max(kDtSteadyDb, kJitters * jitter) : kDtSteadyDb;
    return !(highest - lowest > slack);
}
} // namespace

bool DtClips(std::span<const float> x)
{
    return std::any_of(x.begin(), x.end(), [](float v) { return !(std::abs(v) < kDtClipShare); });
}

double DtPeakDbfs(double peak)
{
    return peak > 0.0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
}

bool DtPcmFinerThan24Bits(const std::vector<uint8_t>& pcm, int bits)
{
    constexpr int kContainerBits = 32;
    if (bits != kContainerBits)
        return false;
    // Little-endian containers: the byte below the 24 bits comes first.
    for (size_t i = 0; i + 3 < pcm.size(); i += 4)
        if (pcm[i] != 0)
            return true;
    return false;
}

DtInputLevel DtLevelAtInput(const DtStep& step, const DtRecording& r)
{
    DtInputLevel level;
    const std::span<const float> channels[2] = {r.left, r.right};
    for (int c = 0; c < 2; ++c) {
        level.clipped[c] = DtClips(channels[c]);
        if (!Plays(step, c) || channels[c].empty())
            continue;
        if (step.sweep) {
            level.dbfs[c] = DtPeakDbfs(LargestSample(channels[c]));
            continue;
        }
        const std::span<const float> settled = channels[c].subspan(channels[c].size() / kDtLeadInDivisor);
        level.dbfs[c] = DtPeakDbfs(SumOfAmplitudes(FitSines(settled, r.rate, step.frequencies)));
        level.steady = level.steady && Steady(step, settled, r.rate, level.dbfs[c]);
    }
    if (r.overRange > 0 && !level.Clipped())
        level.clipped[0] = level.clipped[1] = true;
    return level;
}

} // namespace korvanta
