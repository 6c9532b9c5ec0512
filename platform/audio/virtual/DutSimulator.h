#pragma once
// The virtual card's analog path: what its input hears. The played signal
// and the external source are summed and sent through a simulated device
// under test, then quantised to the input format with real clipping.
// The simulator keeps its filter, delay and noise state between blocks, so
// consecutive blocks are one continuous signal.

#include "platform/audio/virtual/DutConfig.h"
#include "platform/audio/virtual/FractionalDelay.h"

#include <cstdint>
#include <random>
#include <vector>

namespace korvanta {

class DutSimulator {
public:
    DutSimulator(const DutConfig& config, int sampleRate);

    const DutConfig& config() const { return config_; }
    int sampleRate() const { return rate_; }

    // One stereo frame: `played` holds the output's (left, right) in
    // full-scale units; `out` receives the input's (left, right).
    void process(const double played[2], double out[2]);

    // While paused the external source adds nothing and stands still; it
    // goes on where it stopped.
    void setExternalPaused(bool paused) { externalPaused_ = paused; }

    // Lines describing settings that cannot work at this rate (a filter at
    // or above half the rate is left out).
    const QStringList& warnings() const { return warnings_; }

    // One filter section: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
    struct Biquad {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        double step(double x);
    };
    // The 2nd-order Butterworth section the card uses (tests compute its
    // exact response from these coefficients).
    static Biquad butterworth(bool highPass, double freq, int rate);

private:
    double external();
    double gaussian(double rms);

    DutConfig config_;
    int rate_;
    double gain_[2];
    double extAmp_;
    std::vector<double> harmonicAmp_;
    double noiseRms_;
    double xtalk_[2] = {0.0, 0.0};  // into the left from the right, into the right from the left
    double phase_ = 0.0;           // external source phase in cycles
    bool externalPaused_ = false;
    std::vector<Biquad> filters_[2];
    double delayed(int channel);

    DelayLine delay_[2];
    FractionalTaps taps_[2];       // each channel's delay while the clocks agree
    int echoSamples_ = 0;          // 0: no reflection
    double echoGain_ = 0.0;
    double drift_ = 0.0;           // extra delay per frame from the clocks' difference
    double driftOffset_ = 0.0;     // extra delay now, samples, within [0, driftSpan_)
    double driftSpan_ = 0.0;
    std::mt19937 rng_;
    std::normal_distribution<double> normal_{0.0, 1.0};
    std::uniform_real_distribution<double> uniform_{-1.0, 1.0};
    QStringList warnings_;
};

// Encodes full-scale values as the input format's samples (8-bit unsigned,
// 16-bit or 32-bit signed), scaled by `volume` and clipped to the format's
// limits the way a converter clips.
void QuantiseSamples(const double* values, int count, int bits, double volume, uint8_t* dst);

// Decodes one sample of the output format to full-scale units, the inverse of
// the playback encoding (127, 32767 and 2147483392 being full scale).
double DecodeOutputSample(const uint8_t* src, int bits);

} // namespace korvanta
