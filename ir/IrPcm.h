#pragma once
// The sweep as the output plays it and the answer as the input recorded
// it: PCM both ways, so the engine only moves buffers. Plain functions, no
// device, no widget.

#include "audio/BlockConversion.h"
#include "ir/IrSweep.h"

#include <cstdint>
#include <span>
#include <vector>

namespace korvanta {

// `sweep.count` periods of SweepSamples back to back, the same in both
// channels (the reference mode needs the sweep in each), as stereo frames
// of `bits` (8, 16 or 32). Empty when the sweep does not fit.
std::vector<uint8_t> SweepPcm(const IrSweep& sweep, int bits);

// One recording's two channels as floats, full scale ±1.
struct IrChannels {
    std::vector<float> left;
    std::vector<float> right;
    int overRange = 0; // samples at a limit of the format
};

// `frames` frames of the stereo PCM `pcm` from frame `first` on, converted
// as the input's slot asks (polarity, channel order, DC). Fewer when the
// recording ends before; none when `first` lies outside it.
IrChannels IrChannelsFromPcm(std::span<const uint8_t> pcm, const ConversionParams& params, long long first,
                             long long frames);

} // namespace korvanta
