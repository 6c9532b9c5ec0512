#include "devicetest/DtInputLevel.h"

#include "devicetest/DtChecks.h"
#include "devicetest/DtSineFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

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

constexpr double kJitters = 6.0; // a spread the noise leaves with no run in a million

double WrapRad(double a) { return std::remainder(a, 2.0 * std::numbers::pi); }

// The fits of each of kDtSteadyParts parts of `settled`, and the smallest
// jitter the noise leaves in a part (dB), read in the cleanest part: a part
// the tone has not reached yet leaves the tone itself in its residual.
struct PartFits {
    std::vector<DtSineFit> fits;
    std::size_t part = 0;
    double jitterDb = HUGE_VAL;
};

PartFits FitParts(const DtStep& step, std::span<const float> settled, int rate)
{
    PartFits out;
    out.part = settled.size() / kDtSteadyParts;
    for (std::size_t k = 0; k < kDtSteadyParts && out.part > 0; ++k) {
        const std::span<const float> x = settled.subspan(k * out.part, out.part);
        out.fits.push_back(FitSines(x, rate, step.frequencies));
        const double amplitude = SumOfAmplitudes(out.fits.back());
        if (amplitude > 0.0)
            out.jitterDb = std::min(out.jitterDb, NoiseJitterDb(x, rate, out.fits.back(), amplitude));
    }
    return out;
}

// Whether the tones' level in each part lies within kDtSteadyDb of the
// others, or within what the noise moves a fit by.
bool LevelHolds(const PartFits& p)
{
    double lowest = HUGE_VAL, highest = -HUGE_VAL;
    for (const DtSineFit& fit : p.fits) {
        const double db = DtPeakDbfs(SumOfAmplitudes(fit));
        lowest = std::min(lowest, db);
        highest = std::max(highest, db);
    }
    const double slack = std::isfinite(p.jitterDb) ? std::max(kDtSteadyDb, kJitters * p.jitterDb) : kDtSteadyDb;
    return !(highest - lowest > slack);
}

// The largest distance of `y` (at 0, 1, 2 …) from its least-squares line.
double LargestOffLine(const std::vector<double>& y)
{
    const double mid = 0.5 * double(y.size() - 1);
    double mean = 0.0, slope = 0.0, spread = 0.0;
    for (double v : y)
        mean += v / double(y.size());
    for (std::size_t k = 0; k < y.size(); ++k) {
        slope += (double(k) - mid) * (y[k] - mean);
        spread += (double(k) - mid) * (double(k) - mid);
    }
    slope = spread > 0.0 ? slope / spread : 0.0;
    double largest = 0.0;
    for (std::size_t k = 0; k < y.size(); ++k)
        largest = std::max(largest, std::abs(y[k] - (mean + slope * (double(k) - mid))));
    return largest;
}

// Whether each tone's phase runs on from part to part: a stream that lost
// or repeated a few frames shifts it at once, and a slip on a part's edge
// leaves every part's level whole while the fit over all of them reads
// low. A straight line through the parts' phases is allowed, as two clocks
// apart make; what a jump leaves off that line is not.
bool PhaseRunsOn(const PartFits& p, int rate)
{
    // The noise moves a phase (radians) as far as it moves an amplitude
    // (relative): dB back to a share.
    const double slack = std::max(kDtSteadyRad, kJitters * p.jitterDb * std::log(10.0) / 20.0);
    if (p.fits.size() < 3 || !(slack < 1.0))
        return true; // too few parts, or a tone too weak for its phase to mean much
    for (std::size_t i = 0; i < p.fits.front().sines.size(); ++i) {
        // Each part's phase at the first part's first frame, unwrapped.
        std::vector<double> phase(p.fits.size());
        for (std::size_t k = 0; k < phase.size(); ++k) {
            const DtSine& s = p.fits[k].sines[i];
            if (!(s.amplitude > 0.0))
                return true;
            const double shifted = s.phase - 2.0 * std::numbers::pi * std::fmod(s.freq * double(k * p.part) / rate, 1.0);
            phase[k] = k == 0 ? shifted : phase[k - 1] + WrapRad(shifted - phase[k - 1]);
        }
        if (LargestOffLine(phase) > slack)
            return false;
    }
    return true;
}

// Whether the step's tones held still over `settled`; `dbfs` is their level
// over all of it.
bool Steady(const DtStep& step, std::span<const float> settled, int rate, double dbfs)
{
    const PartFits parts = FitParts(step, settled, rate);
    // Too weak a tone reads its parts' noise, not its level (the checks
    // before the run refuse it for what it is); its phase still shows a slip.
    const bool levelHolds = !(dbfs >= kDtToneMinimumDbfs) || LevelHolds(parts);
    return levelHolds && PhaseRunsOn(parts, rate);
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
