#pragma once
// The transform size of a deconvolution: the smallest power of two that
// holds the recording, zero padded, so the response wraps nowhere but into
// the negative times where the harmonics lie.

namespace korvanta {

// 2^22 points: a 20 s sweep with its tail at 192 kHz; its work arrays stay
// near 200 MB.
inline constexpr int kIrMaxTransform = 1 << 22;

// 0 when `frames` is not positive or needs more than kIrMaxTransform.
inline int IrTransformSize(long long frames)
{
    if (frames <= 0 || frames > kIrMaxTransform)
        return 0;
    int n = 2;
    while (n < frames)
        n *= 2;
    return n;
}

} // namespace korvanta
