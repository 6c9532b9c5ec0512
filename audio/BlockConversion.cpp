#include "audio/BlockConversion.h"

#include <cstring>

namespace korvanta {

namespace {
// One sample format: how to read a raw value, its full scale, and when it
// sits on a limit.
struct Pcm8 {
    static constexpr double scale = 128.0;
    static int64_t raw(const uint8_t* p, int i) { return static_cast<int64_t>(p[i]) - 128; }
    static bool atLimit(int64_t x) { return x == -128 || x == 127; }
};
struct Pcm16 {
    static constexpr double scale = 32768.0;
    static int64_t raw(const uint8_t* p, int i)
    {
        int16_t v;
        std::memcpy(&v, p + 2 * static_cast<size_t>(i), 2);
        return v;
    }
    static bool atLimit(int64_t x) { return x == -32768 || x == 32767; }
};
struct Pcm32 {
    static constexpr double scale = 2147483647.0;
    static int64_t raw(const uint8_t* p, int i)
    {
        int32_t v;
        std::memcpy(&v, p + 4 * static_cast<size_t>(i), 4);
        return v;
    }
    static bool atLimit(int64_t x) { return x <= -2147483647 || x == 2147483647; }
};

template <class F>
ConversionResult convert(const uint8_t* raw, int count, const ConversionParams& p, float* out)
{
    ConversionResult r;
    r.sampleCount = count;
    double dc[2] = {p.dcOffsetL, p.dcOffsetR};
    if (p.autoDC) {
        int64_t sum[2] = {0, 0};
        for (int i = 0; i < count; ++i)
            sum[i & 1] += F::raw(raw, i);
        // An empty block has no mean: no correction then.
        for (int c = 0; c < 2; ++c)
            dc[c] = count > 0 ? -(2.0 * static_cast<double>(sum[c]) / count) / F::scale : 0.0;
    }
    const double sign[2] = {static_cast<double>(p.phaseR), static_cast<double>(p.phaseL)};
    const int s = p.flip ? 0 : 1;
    for (int i = 0; i < count; ++i) {
        const int c = i & 1;
        const int64_t x = F::raw(raw, i);
        if (F::atLimit(x))
            ++r.overRange;
        out[i ^ s] = static_cast<float>((static_cast<double>(x) / F::scale + dc[c]) * sign[c]);
    }
    return r;
}
} // namespace

int BytesPerSample(int bits)
{
    return bits <= 8 ? 1 : bits <= 16 ? 2 : 4;
}

ConversionResult ConvertBlock(const uint8_t* raw, uint32_t bytes, const ConversionParams& params, float* out)
{
    // A partial frame at the end cannot be put in channel order: it is dropped.
    const int count = static_cast<int>(bytes / BytesPerSample(params.bits)) & ~1;
    switch (BytesPerSample(params.bits)) {
    case 1: return convert<Pcm8>(raw, count, params, out);
    case 2: return convert<Pcm16>(raw, count, params, out);
    default: return convert<Pcm32>(raw, count, params, out);
    }
}

} // namespace korvanta
