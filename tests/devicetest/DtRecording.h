#pragma once
// The virtual card's analog path run offline: what its input records while
// its output plays a given signal, through the same DUT simulator and
// quantiser as the device, so a figure's test needs no real-time device.

#include "platform/audio/virtual/DutSimulator.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace korvanta::dttest {

struct Stereo {
    std::vector<float> left, right;
};

// The played value of output channel `ch` at frame `n`, full-scale units.
using Source = std::function<double(size_t n, int ch)>;

inline double Silence(size_t, int) { return 0.0; }

// Rounds to the output's `bits` as a card's converter does (24: a 24-bit
// DAC; 32: as given).
inline double Played(double v, int bits)
{
    if (bits >= 32)
        return v;
    const double scale = std::ldexp(1.0, bits - 1);
    return std::nearbyint(v * scale) / scale;
}

// Runs `skip` frames to settle the filters, then records `frames`. The
// input's `bits` is 16 or 24; 24 is quantised as the virtual card does
// (a 32-bit container) and then rounded to 24 bits as a 24-bit converter
// delivers them.
inline Stereo Record(const DutConfig& dut, int rate, int playBits, int recordBits, const Source& source, size_t frames,
                     size_t skip = 0)
{
    DutSimulator sim(dut, rate);
    Stereo s;
    s.left.reserve(frames);
    s.right.reserve(frames);
    for (size_t n = 0; n < frames + skip; ++n) {
        const double played[2] = {Played(source(n, 0), playBits), Played(source(n, 1), playBits)};
        double out[2];
        sim.process(played, out);
        if (n < skip)
            continue;
        for (int c = 0; c < 2; ++c) {
            float v = 0.0f;
            if (recordBits == 16) {
                int16_t q;
                QuantiseSamples(&out[c], 1, 16, 1.0, reinterpret_cast<uint8_t*>(&q));
                v = static_cast<float>(q / 32768.0);
            } else {
                int32_t q;
                QuantiseSamples(&out[c], 1, 32, 1.0, reinterpret_cast<uint8_t*>(&q));
                v = static_cast<float>(std::nearbyint(q / 256.0) / 8388608.0);
            }
            (c == 0 ? s.left : s.right).push_back(v);
        }
    }
    return s;
}

// One channel playing a cosine (the other silent or the same).
inline Source Tone(double hz, double peakDbfs, int rate, bool left = true, bool right = false)
{
    const double a = std::pow(10.0, peakDbfs / 20.0);
    return [=](size_t n, int ch) {
        if ((ch == 0 && !left) || (ch == 1 && !right))
            return 0.0;
        return a * std::cos(2.0 * M_PI * std::fmod(hz * static_cast<double>(n) / rate, 1.0));
    };
}

// A looped buffer, the same in both channels.
inline Source Loop(std::vector<float> buffer)
{
    return [b = std::move(buffer)](size_t n, int) { return static_cast<double>(b[n % b.size()]); };
}

} // namespace korvanta::dttest
