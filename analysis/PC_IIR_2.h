#pragma once
// Second-order IIR sections (biquads) designed from analog prototypes by the
// bilinear transform with frequency prewarping, a per-sample cascade, and an
// in-place filter for stereo blocks. Used for pink noise and for the
// band-pass of the sweep's phase measurement.
//
// The designer keeps the sample rate and the last design's analog
// coefficients as module state (GUI thread only), so SetFilterSampleRate()
// must precede every design.

#include <cstdint>

namespace korvanta {

// y = b0 x0 + b1 x1 + b2 x2 + a1 y1 + a2 y2; a1 and a2 carry their sign.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

struct BiquadState {
    double x0 = 0, x1 = 0, x2 = 0, y0 = 0, y1 = 0, y2 = 0;
};

enum class FilterKind : uint8_t {
    PassThrough = 0, LowShelf, HighShelf, Peaking, LowPass, HighPass, BandPass, Notch, AllPass
};

// Analog prototype H(s) = (nu2 s^2 + nu1 s + nu0) / (de2 s^2 + de1 s + de0)
// a section is designed from.
struct AnalogPrototype {
    double nu0 = 0, nu1 = 0, nu2 = 0, de0 = 0, de1 = 0, de2 = 0;
};

constexpr int kMaxPinkSections = 14;

struct PinkCascade {
    Biquad sections[kMaxPinkSections];
    BiquadState states[kMaxPinkSections];
    int count = 0;
};

// Fills `section` for kind 0..8 (see FilterKind) at sample rate `fs`; a kind
// above 8 leaves it unchanged. Always returns 0. The rate is an argument, not
// a setting: the sweep's filters run at the input's rate while the pink
// noise plays at the output's.
int DesignSection(int kind, Biquad& section, double gainDb, double q, double freqHz, int fs);

// Peaking sections at 20, 40, 80 ... Hz below fs/2 with a falling gain, then
// a high shelf near fs/2.4: a -3 dB/octave slope from white noise.
void DesignPinkCascade(PinkCascade& cascade, int fs);
void ResetCascade(PinkCascade& cascade);

// One sample through every section of the cascade in order.
double ProcessCascade(PinkCascade& cascade, double in);

// Runs `section` over each channel of an interleaved stereo block in place,
// each channel starting from a silent history.
void FilterStereoBlock(const Biquad& section, int frames, float* interleaved);

// Complex gain magnitude of a section at frequency f for sample rate fs
// (evaluated on the unit circle); for checking designs.
double SectionMagnitude(const Biquad& section, double freqHz, int fs);

} // namespace korvanta
