#pragma once
// Turning a recorded PCM block into the program's float block: full scale
// +-1.0, DC offset and polarity applied, and the pair of each frame stored
// exchanged unless the device's flip flag is set, so that the first float of
// a pair is the right channel. Counts the samples that sat on a limit of the
// sample format.

#include <cstdint>

namespace korvanta {

struct ConversionParams {
    int bits = 16;          // 8, 16 or 32 (24-bit samples arrive in 32-bit containers)
    bool flip = false;      // keep the PCM order instead of exchanging the pair
    bool autoDC = false;    // remove each channel's mean instead of the manual offsets
    float dcOffsetL = 0.0f; // added to the PCM left channel (even positions)
    float dcOffsetR = 0.0f; // added to the PCM right channel (odd positions)
    int phaseL = 1;         // multiplier "L": acts on the PCM right channel
    int phaseR = 1;         // multiplier "R": acts on the PCM left channel
};

struct ConversionResult {
    int sampleCount = 0;    // floats written, both channels (always whole frames)
    int overRange = 0;      // samples at a limit of the format
};

// Converts `bytes` bytes of raw PCM. `out` must hold bytes / (bits / 8)
// floats.
ConversionResult ConvertBlock(const uint8_t* raw, uint32_t bytes, const ConversionParams& params, float* out);

// Bytes per sample of a slot's width: 8 -> 1, 16 -> 2, 24 or 32 -> 4.
int BytesPerSample(int bits);

} // namespace korvanta
