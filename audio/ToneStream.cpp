#include "audio/ToneStream.h"

#include <cmath>
#include <numbers>

namespace korvanta {

ToneStream::ToneStream(const GeneratorSettings& settings, double frequency, int sampleRate, int bits, double scale)
    : shape_(MakeFrameShape(settings, scale)), frequency_(frequency), rate_(sampleRate), bits_(bits)
{
}

int ToneStream::read(uint8_t* dst, int frames)
{
    const int frameBytes = 2 * (bits_ / 8);
    for (int i = 0; i < frames; ++i) {
        EncodeToneFrame(shape_, 2.0 * std::numbers::pi * cycle_ / rate_, bits_, dst + i * frameBytes);
        cycle_ = std::fmod(cycle_ + frequency_, rate_);
    }
    return frames;
}

} // namespace korvanta
