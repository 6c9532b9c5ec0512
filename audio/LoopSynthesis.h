#pragma once
// The playback engine's loop buffer: a whole number of signal periods (sine,
// square) or a long stretch of noise, encoded in the output format. Plain
// functions with no device in sight.

#include "audio/GeneratorSettings.h"

#include <cstdint>
#include <random>

namespace korvanta {

inline constexpr uint32_t kLoopBufferMax = 262128; // 0x3FFF0 bytes
inline constexpr uint32_t kLoopSearchLimit = 262144;
inline constexpr uint32_t kLoopMinBytes = 4096;

struct LoopLength {
    uint32_t bytes = 0;  // whole frames, at most kLoopBufferMax
    int precision = 0;   // fit residue in thousandths of a frame
};

// Finds the number of periods k whose length in frames is closest to whole
// (residue rounded to thousandths; on a tie the larger k), looking at least
// up to 4096 bytes and stopping at the buffer size.
LoopLength SearchLoopLength(int sampleRate, int bytesPerSample, double frequency);

// Stores x (full scale +-1) as one sample: 8-bit 127x + 128, 16-bit
// 32767x, 32-bit 2147483392x (a 24-bit full scale in the upper bits),
// rounded to nearest with ties to even. Values beyond full scale are clipped
// to the format's range rather than wrapped around.
void EncodeSample(double x, int bits, uint8_t* dst);

// How the frames of a signal are made from the settings: each channel's
// peak amplitude and phase, and whether the channels differ at all.
struct FrameShape {
    int mode = 0;
    double ampL = 0.0;
    double ampR = 0.0;
    double phL = 0.0; // radians
    double phR = 0.0;
    bool twoChannel = false;
};

// `scale` multiplies both channels' amplitudes, for levels between the
// record's whole dB.
FrameShape MakeFrameShape(const GeneratorSettings& settings, double scale = 1.0);

// Writes one stereo frame of a sine (mode 0) or square (mode 1) at phase t
// (radians): sin(t + phase) or its sign, left sample first.
void EncodeToneFrame(const FrameShape& shape, double t, int bits, uint8_t* dst);

// A sine or square at 24 bits (stored as 32) is computed as it plays rather
// than looped: the loop buffer holds at most 32766 such frames, too few for
// whole periods of most frequencies (997 Hz at 48 kHz needs 48000), and a
// loop that is not whole jumps in phase where it restarts.
bool PlaysContinuously(int mode, int bits);

struct SynthesisResult {
    uint32_t bytes = 0;
    bool hasPrecision = false; // noise has no periods to fit
    int precision = 0;
};

// Synthesises the loop buffer for settings mode 0..3 at `frequency` into
// `out` (kLoopBufferMax bytes), stereo, `bits` 8, 16 or 32. Noise takes its
// uniform values from `rng`; pink noise redesigns the pink cascade for the
// rate first. A level is the signal's peak for every mode: white noise is
// uniform within it, and pink noise, whose filter leaves it far below,
// is scaled so that the buffer's largest value reaches it. `scale`
// multiplies both channels' amplitudes, for levels between the record's
// whole dB.
SynthesisResult SynthesiseLoop(const GeneratorSettings& settings, double frequency, int sampleRate, int bits,
                               std::mt19937& rng, uint8_t* out, double scale = 1.0);

} // namespace korvanta
