#include "audio/LoopSynthesis.h"

#include "analysis/PC_IIR_2.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace korvanta {

namespace {
constexpr double kFull16 = 32767.0;
constexpr double kFull32 = 2147483392.0;
constexpr long long kMaxPeriods = 10'000'000; // bounds the search for absurd frequencies
constexpr int kSine = 0;
constexpr int kSquare = 1;
constexpr int kPink = 3;
constexpr int kContinuousBits = 32;

double amplitude(int32_t levelDb)
{
    return levelDb == GeneratorSettings::kLevelOff ? 0.0 : std::pow(10.0, levelDb / 20.0);
}

double periodic(int mode, double t)
{
    const double s = std::sin(t);
    return mode == kSine ? s : (s > 0.0 ? 1.0 : -1.0);
}

// One value of white (uniform within +-1) or pink noise per frame.
std::vector<double> noiseValues(int mode, int frames, int sampleRate, std::mt19937& rng)
{
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    PinkCascade pink;
    if (mode == kPink) {
        DesignPinkCascade(pink, sampleRate);
        ResetCascade(pink);
    }
    std::vector<double> v(static_cast<size_t>(std::max(0, frames)));
    for (double& x : v) {
        const double white = 2.0 * uniform(rng) - 1.0;
        x = mode == kPink ? ProcessCascade(pink, white) : white;
    }
    if (mode == kPink) {
        double peak = 0.0;
        for (double x : v)
            peak = std::max(peak, std::abs(x));
        if (peak > 0.0)
            for (double& x : v)
                x /= peak;
    }
    return v;
}

uint8_t* encodeFrame(const FrameShape& shape, double l, double r, int bits, uint8_t* p)
{
    const int b = bits / 8;
    EncodeSample(shape.ampL * l, bits, p);
    EncodeSample((shape.twoChannel ? shape.ampR : shape.ampL) * r, bits, p + b);
    return p + 2 * b;
}
} // namespace

FrameShape MakeFrameShape(const GeneratorSettings& s, double scale)
{
    FrameShape f;
    f.mode = s.mode;
    f.ampL = scale * amplitude(s.levelLeft);
    f.ampR = scale * amplitude(s.levelRight);
    f.phL = s.phaseLeft * std::numbers::pi / 180.0;
    f.phR = s.phaseRight * std::numbers::pi / 180.0;
    f.twoChannel = f.phL != f.phR || f.ampL != f.ampR;
    return f;
}

void EncodeToneFrame(const FrameShape& shape, double t, int bits, uint8_t* dst)
{
    const double l = periodic(shape.mode, t + shape.phL);
    const double r = shape.twoChannel ? periodic(shape.mode, t + shape.phR) : l;
    encodeFrame(shape, l, r, bits, dst);
}

bool PlaysContinuously(int mode, int bits)
{
    return (mode == kSine || mode == kSquare) && bits == kContinuousBits;
}

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
    const bool tone = s.mode == kSine || s.mode == kSquare;
    SynthesisResult result;
    if (tone) {
        const LoopLength len = SearchLoopLength(sampleRate, b, frequency);
        result = {len.bytes, true, len.precision};
    } else {
        result.bytes = kLoopBufferMax;
    }
    result.bytes = std::min(result.bytes, kLoopBufferMax);

    const FrameShape shape = MakeFrameShape(s, scale);
    const int frames = static_cast<int>(result.bytes / (2 * b));
    uint8_t* p = out;
    if (tone) {
        const double w = std::numbers::pi * frequency / sampleRate;
        for (int m = 1; m <= frames; ++m) {
            EncodeToneFrame(shape, 2.0 * (m - 1) * w, bits, p);
            p += 2 * b;
        }
        return result;
    }
    // Opposite phases give the right channel the left one inverted.
    const bool inverted = shape.phL != shape.phR;
    for (double l : noiseValues(s.mode, frames, sampleRate, rng))
        p = encodeFrame(shape, l, inverted ? -l : l, bits, p);
    return result;
}

} // namespace korvanta
