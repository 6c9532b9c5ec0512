#include "ir/IrPcm.h"

#include "audio/LoopSynthesis.h"

#include <algorithm>

namespace korvanta {

std::vector<uint8_t> SweepPcm(const IrSweep& sweep, int bits)
{
    const std::vector<double> period = SweepSamples(sweep);
    if (period.empty())
        return {};
    const size_t bytes = static_cast<size_t>(BytesPerSample(bits));
    const size_t frames = period.size() * static_cast<size_t>(sweep.count);
    std::vector<uint8_t> out(frames * 2 * bytes);
    for (size_t i = 0; i < frames; ++i) {
        uint8_t* frame = out.data() + i * 2 * bytes;
        const double x = period[i % period.size()];
        EncodeSample(x, bits, frame);
        EncodeSample(x, bits, frame + bytes);
    }
    return out;
}

IrChannels IrChannelsFromPcm(std::span<const uint8_t> pcm, const ConversionParams& params, long long first,
                             long long frames)
{
    IrChannels c;
    const long long frameBytes = 2LL * BytesPerSample(params.bits);
    const long long total = static_cast<long long>(pcm.size()) / frameBytes;
    if (first < 0 || first >= total || frames <= 0)
        return c;
    const long long n = std::min(frames, total - first);
    std::vector<float> pairs(static_cast<size_t>(2 * n));
    const ConversionResult r = ConvertBlock(pcm.data() + first * frameBytes, static_cast<uint32_t>(n * frameBytes),
                                            params, pairs.data());
    c.overRange = r.overRange;
    // The conversion puts the right channel first in each pair.
    const size_t got = static_cast<size_t>(r.sampleCount) / 2;
    c.left.resize(got);
    c.right.resize(got);
    for (size_t i = 0; i < got; ++i) {
        c.right[i] = pairs[2 * i];
        c.left[i] = pairs[2 * i + 1];
    }
    return c;
}

} // namespace korvanta
