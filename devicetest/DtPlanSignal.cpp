#include "devicetest/DtPlanSignal.h"

#include "audio/LoopSynthesis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>
#include <random>

namespace korvanta {

namespace {
constexpr int kMinLoopDivisor = 4;          // a quarter of a second
constexpr int kSilentLoopDivisor = 10;      // a tenth: nothing to fit
// Closer than this to whole periods, the search ends.
constexpr double kWholeEnough = 1e-12;
// Full scale of each width as EncodeSample writes it.
constexpr double kFull8 = 127.0;
constexpr double kFull16 = 32767.0;
constexpr unsigned kDitherSeed = 0x6b6f72u;

double LsbOf(int bits) { return 1.0 / (bits == 8 ? kFull8 : kFull16); }

// How far the tones lie from whole periods in `frames`, relative, worst of
// them; infinite when one would have no period at all.
double periodError(const std::vector<double>& f, int frames, int rate)
{
    double worst = 0.0;
    for (double x : f) {
        const double periods = std::round(x * frames / rate);
        if (periods < 1.0)
            return std::numeric_limits<double>::infinity();
        worst = std::max(worst, std::abs(periods * rate / frames - x) / x);
    }
    return worst;
}
} // namespace

DtLoop DtLoopFor(const std::vector<double>& frequencies, int rate)
{
    DtLoop loop;
    if (frequencies.empty() || rate <= 0) {
        loop.frames = std::max(rate / kSilentLoopDivisor, 1);
        return loop;
    }
    int best = rate;
    double bestError = periodError(frequencies, rate, rate);
    for (int n = rate / kMinLoopDivisor; n < rate && bestError > kWholeEnough; ++n) {
        const double e = periodError(frequencies, n, rate);
        if (e < bestError) {
            bestError = e;
            best = n;
        }
    }
    loop.frames = best;
    for (double x : frequencies)
        loop.frequencies.push_back(std::round(x * best / rate) * rate / best);
    return loop;
}

DtPeaks DtOutputPeaks(const DtStep& step, const double gainDb[2])
{
    DtPeaks p;
    if (step.Silent())
        return p;
    double peak[2];
    for (int c = 0; c < 2; ++c) {
        const double gain = step.reference == DtLevelRef::Input && std::isfinite(gainDb[c]) ? gainDb[c] : 0.0;
        peak[c] = std::pow(10.0, (step.levelDb - gain) / 20.0);
        if (peak[c] > 1.0) {
            peak[c] = 1.0;
            p.limited = true;
        }
    }
    p.left = step.plays == DtPlays::RightOnly ? 0.0 : peak[0];
    p.right = step.plays == DtPlays::LeftOnly ? 0.0 : peak[1];
    return p;
}

bool DtLoopDithered(const DtPeaks& peaks, int bits)
{
    const double peak = std::max(peaks.left, peaks.right);
    return bits < kDtDitherWidthBelow && peak > 0.0 && 20.0 * std::log10(peak) < kDtDitherBelowDbfs;
}

std::vector<uint8_t> DtLoopBuffer(const DtStep& step, const DtLoop& loop, const DtPeaks& peaks, int rate, int bits)
{
    const int bytes = BytesPerSample(bits);
    std::vector<uint8_t> out(size_t(loop.frames) * 2 * size_t(bytes));
    std::vector<double> weights = step.weights;
    weights.resize(loop.frequencies.size(), 1.0);
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    const bool dither = DtLoopDithered(peaks, bits);
    const double lsb = LsbOf(bits);
    std::mt19937 rng(kDitherSeed);
    std::uniform_real_distribution<double> half(-0.5 * lsb, 0.5 * lsb);
    // Two uniform values of one LSB each: triangular, so the rounding
    // error's power no longer depends on the signal.
    auto tpdf = [&](double peak) { return dither && peak > 0.0 ? half(rng) + half(rng) : 0.0; };
    for (int i = 0; i < loop.frames; ++i) {
        double x = 0.0;
        for (size_t k = 0; k < loop.frequencies.size(); ++k)
            x += weights[k] / total * std::sin(2.0 * std::numbers::pi * loop.frequencies[k] * i / rate);
        uint8_t* frame = out.data() + size_t(i) * 2 * size_t(bytes);
        EncodeSample(peaks.left * x + tpdf(peaks.left), bits, frame);
        EncodeSample(peaks.right * x + tpdf(peaks.right), bits, frame + bytes);
    }
    return out;
}

IrSweep DtIrSweep(const DtSweep& sweep, int rate, double peak)
{
    IrSweep s;
    s.rate = rate;
    s.f1 = sweep.f1Hz;
    s.f2 = sweep.f2Hz;
    s.seconds = sweep.seconds;
    s.tailSeconds = sweep.tailSeconds;
    s.levelDbfs = peak > 0.0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
    s.count = 1;
    return s;
}

int DtSweepStretchFrames(const DtSweep& sweep, int rate)
{
    return DtIrSweep(sweep, rate, 1.0).PeriodFrames() + int(std::lround(sweep.marginSeconds * rate));
}

std::vector<uint8_t> DtSweepBuffer(const DtStep& step, const DtPeaks& peaks, int rate, int bits)
{
    if (!step.sweep)
        return {};
    const std::vector<double> x = SweepSamples(DtIrSweep(*step.sweep, rate, 1.0));
    const int bytes = BytesPerSample(bits);
    std::vector<uint8_t> out(x.size() * 2 * size_t(bytes));
    for (size_t i = 0; i < x.size(); ++i) {
        uint8_t* frame = out.data() + i * 2 * size_t(bytes);
        EncodeSample(peaks.left * x[i], bits, frame);
        EncodeSample(peaks.right * x[i], bits, frame + bytes);
    }
    return out;
}

DtRecording DtFromFirstPlayed(const DtRecording& whole, long long firstPlayed, long long periodFrames)
{
    DtRecording cut;
    cut.rate = whole.rate;
    cut.overRange = whole.overRange;
    const auto frames = static_cast<long long>(std::min(whole.left.size(), whole.right.size()));
    if (firstPlayed < 0 || periodFrames <= 0 || frames - firstPlayed < periodFrames) {
        cut.aligned = false;
        return cut;
    }
    cut.left.assign(whole.left.begin() + firstPlayed, whole.left.begin() + frames);
    cut.right.assign(whole.right.begin() + firstPlayed, whole.right.begin() + frames);
    return cut;
}

DtRecording DtRecordingFromPcm(const std::vector<uint8_t>& pcm, const ConversionParams& params, int rate)
{
    DtRecording r;
    r.rate = rate;
    std::vector<float> pairs(pcm.size() / size_t(BytesPerSample(params.bits)));
    const ConversionResult c = ConvertBlock(pcm.data(), uint32_t(pcm.size()), params, pairs.data());
    r.overRange = c.overRange;
    // The conversion puts the right channel first in each pair.
    const size_t frames = size_t(c.sampleCount) / 2;
    r.left.resize(frames);
    r.right.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        r.right[i] = pairs[2 * i];
        r.left[i] = pairs[2 * i + 1];
    }
    return r;
}

double DtToneGainDb(const std::vector<float>& recorded, double playedPeak)
{
    if (recorded.empty() || playedPeak <= 0.0)
        return -std::numeric_limits<double>::infinity();
    double sum = 0.0;
    for (float x : recorded)
        sum += double(x) * x;
    const double peak = std::sqrt(2.0 * sum / double(recorded.size()));
    return peak > 0.0 ? 20.0 * std::log10(peak / playedPeak) : -std::numeric_limits<double>::infinity();
}

} // namespace korvanta
