#include "generator/SweepPlan.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
constexpr float kNoPlanFrequency = 333.0f;
constexpr double kBufferMsBytes = 262144000.0;   // 262144 bytes, with ms per s folded in
constexpr double kPeriodsMs = 50000.0;           // 50 periods, in ms
constexpr int32_t kShortestCaptureMs = 10;
constexpr int32_t kMaxCaptureFrames = 32768;     // the conversion array holds 65536 floats
constexpr uint32_t kTagFrequencyBits = 23;
constexpr uint32_t kTagFrequencyMask = (1u << kTagFrequencyBits) - 1;

// Bytes per sample as the plan counts them: 32-bit samples as 24 bits.
int countedBytes(int bits) { return bits >= 24 ? 3 : std::max(1, bits / 8); }
} // namespace

int64_t RoundEven(double x) { return static_cast<int64_t>(std::nearbyint(x)); }

float StepFrequency(int32_t from, int32_t to, int32_t steps, int32_t k, bool linear)
{
    if (steps == 0 || (!linear && from == 0))
        return kNoPlanFrequency;
    if (linear)
        return static_cast<float>(double(to - from) / steps * k + from);
    const long double lnFrom = std::log(static_cast<long double>(from));
    const long double lnRatio = std::log(static_cast<long double>(to) / from);
    return static_cast<float>(std::exp(lnFrom + k * lnRatio / steps));
}

int32_t CaptureFrames(float freq, int inRate, int inBits)
{
    if (inRate <= 0)
        return 0;
    const auto fitMs = RoundEven(kBufferMsBytes / (double(countedBytes(inBits)) * 2 * inRate));
    const auto framesMs = RoundEven(kBufferMsBytes / (double(inRate) * 8));
    const auto periodsMs = freq > 0 ? RoundEven(kPeriodsMs / freq) : framesMs;
    int64_t d = std::min(framesMs, periodsMs);
    d = std::max<int64_t>(d, kShortestCaptureMs);
    d = std::min(d, fitMs);
    const int64_t frames = d * inRate / 1000;
    // The rounded milliseconds can exceed 32768 frames (at 48 kHz 683 ms are
    // 32784 frames): the capture engine would refuse such a block.
    return static_cast<int32_t>(std::min<int64_t>(frames, kMaxCaptureFrames));
}

uint32_t StepTag(float freq, int32_t stepIndex)
{
    const auto hundredths = static_cast<uint32_t>(RoundEven(double(freq) * 100.0)) & kTagFrequencyMask;
    return hundredths | (static_cast<uint32_t>(stepIndex) << kTagFrequencyBits);
}

float TagFrequency(uint32_t tag) { return static_cast<float>((tag & kTagFrequencyMask) / 100.0); }

int32_t TagIndex(uint32_t tag) { return static_cast<int32_t>(tag >> kTagFrequencyBits); }

int LongestMeasurementMs(int outRate, int outBits, int inRate)
{
    if (outRate <= 0 || inRate <= 0)
        return 0;
    const auto out = RoundEven(kBufferMsBytes / (double(outRate) * countedBytes(outBits) * 2));
    const auto in = RoundEven(kBufferMsBytes / (double(inRate) * 8));
    return static_cast<int>(std::min(out, in));
}

RunEstimate SweepEstimate(int32_t from, int32_t to, int32_t steps, bool linear, int settleMs, int inRate, int inBits)
{
    RunEstimate e;
    for (int32_t k = 0; k <= std::max(steps, 0); ++k) {
        const float f = StepFrequency(from, to, steps, k, linear);
        e.stepMs.push_back(StepDurationMs(settleMs, CaptureFrames(f, inRate, inBits), inRate));
    }
    return e;
}

} // namespace korvanta
