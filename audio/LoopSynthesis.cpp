#include "LoopSynthesis.h"

#include "PC_IIR_2.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {
constexpr double kFull16 = 32767.0;
constexpr double kFull32 = 2147483392.0;
constexpr long long kMaxPeriods = 10'000'000; // bounds the search for absurd frequencies

double amplitude(int32_t levelDb)
{
    return levelDb == GeneratorSettings::kLevelOff ? 0.0 : std::pow(10.0, levelDb / 20.0);
}

// Per-sample source of one channel's value for the given mode.
struct Source {
    int mode;
    std::mt19937& rng;
    PinkCascade pink;
    std::uniform_real_distribution<double> uniform{0.0, 1.0};

    double periodic(double t) const
    {
        const double s = std::sin(t);
        return mode == 0 ? s : (s > 0.0 ? 1.0 : -1.0);
    }
    double noise()
    {
        const double white = 2.0 * uniform(rng) - 1.0;
        return mode == 3 ? ProcessCascade(pink, white) : white;
    }
};
} // namespace

LoopLength SearchLoopLength(int sampleRate, int bytesPerSample, double frequency)
{
    const double fs = sampleRate;
    const double b = bytesPerSample;
    long long best = 1000000;
    long long bestK = 1;
    for (long long k = 1; k <= kMaxPeriods; ++k) {
        const double lk = std::nearbyint(2.0 * k * b * fs / frequency);
        const double periods = k * fs / frequency;
        const long long ek = std::llround((periods - std::floor(periods)) * 1000.0);
        if (ek <= best && lk <= kLoopSearchLimit) {
            best = ek;
            bestK = k;
        }
        if (lk >= kLoopBufferMax || (ek == 0 && lk >= kLoopMinBytes))
            break;
    }
    const double frame = 2.0 * b;
    double len = std::nearbyint(2.0 * bestK * b * fs / frequency);
    len = std::floor(len / frame) * frame;
    len = std::min(len, std::floor(kLoopBufferMax / frame) * frame);
    return {static_cast<uint32_t>(std::max(0.0, len)), static_cast<int>(best)};
}

void EncodeSample(double x, int bits, uint8_t* dst)
{
    if (bits == 8) {
        dst[0] = static_cast<uint8_t>(std::clamp(std::nearbyint(127.0 * x), -128.0, 127.0) + 128.0);
    } else if (bits == 16) {
        const auto v = static_cast<int16_t>(std::clamp(std::nearbyint(kFull16 * x), -32768.0, 32767.0));
        std::memcpy(dst, &v, 2);
    } else {
        const auto v = static_cast<int32_t>(std::clamp(std::nearbyint(kFull32 * x), -2147483648.0, 2147483647.0));
        std::memcpy(dst, &v, 4);
    }
}

SynthesisResult SynthesiseLoop(const GeneratorSettings& s, double frequency, int sampleRate, int bits,
                               std::mt19937& rng, uint8_t* out, double scale)
{
    const int b = bits / 8;
    SynthesisResult result;
    if (s.mode == 0 || s.mode == 1) {
        const LoopLength len = SearchLoopLength(sampleRate, b, frequency);
        result = {len.bytes, true, len.precision};
    } else {
        result.bytes = kLoopBufferMax;
    }
    result.bytes = std::min(result.bytes, kLoopBufferMax);

    const double ampL = scale * amplitude(s.levelLeft);
    const double ampR = scale * amplitude(s.levelRight);
    const double phL = s.phaseLeft * std::numbers::pi / 180.0;
    const double phR = s.phaseRight * std::numbers::pi / 180.0;
    const double w = std::numbers::pi * frequency / sampleRate;
    Source src{s.mode, rng, {}};
    if (s.mode == 3) {
        SetFilterSampleRate(sampleRate);
        DesignPinkCascade(src.pink);
        ResetCascade(src.pink);
    }
    const bool periodic = s.mode == 0 || s.mode == 1;
    const bool twoChannel = phL != phR || ampL != ampR;
    const int frames = static_cast<int>(result.bytes / (2 * b));
    uint8_t* p = out;
    for (int m = 1; m <= frames; ++m) {
        const double t = 2.0 * (m - 1) * w;
        const double l = periodic ? src.periodic(t + phL) : src.noise();
        double r = l;
        if (twoChannel)
            r = periodic ? src.periodic(t + phR) : (phL == phR ? l : -l);
        EncodeSample(ampL * l, bits, p);
        EncodeSample((twoChannel ? ampR : ampL) * r, bits, p + b);
        p += 2 * b;
    }
    return result;
}
