#pragma once
// Signals for the tests of the play and record paths: stereo frames as
// doubles, encoded to and decoded from the device's integer PCM.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

namespace pathtest {

// Two tones at once on both channels, the second one on the right a little
// louder, so a swapped channel or a frame out of place shows.
inline std::vector<double> TwoTones(long long frames, int rate)
{
    std::vector<double> s(2 * frames);
    for (long long i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double a = std::sin(2 * std::numbers::pi * 997.0 * t);
        const double b = std::sin(2 * std::numbers::pi * 3001.0 * t);
        s[2 * i] = 0.3 * a + 0.3 * b;
        s[2 * i + 1] = 0.3 * a + 0.4 * b;
    }
    return s;
}

// A logarithmic sweep from f0 to f1 Hz at half scale on both channels.
inline std::vector<double> LogSweep(long long frames, int rate, double f0, double f1)
{
    std::vector<double> s(2 * frames);
    const double seconds = double(frames) / rate;
    const double k = std::log(f1 / f0);
    for (long long i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double phase = 2 * std::numbers::pi * f0 * seconds / k * (std::exp(t / seconds * k) - 1.0);
        s[2 * i] = s[2 * i + 1] = 0.5 * std::sin(phase);
    }
    return s;
}

inline double FullScale(int bits) { return bits == 16 ? 32767.0 : 2147483392.0; }

inline std::vector<uint8_t> Encode(const std::vector<double>& stereo, int bits)
{
    const size_t bytes = bits / 8;
    std::vector<uint8_t> out(stereo.size() * bytes);
    for (size_t i = 0; i < stereo.size(); ++i) {
        const double v = std::round(stereo[i] * FullScale(bits));
        if (bits == 16) {
            const auto x = static_cast<int16_t>(v);
            std::memcpy(out.data() + i * bytes, &x, bytes);
        } else {
            const auto x = static_cast<int32_t>(v);
            std::memcpy(out.data() + i * bytes, &x, bytes);
        }
    }
    return out;
}

// One channel (0: left) of 16-bit stereo PCM, in full scale units.
inline std::vector<double> Channel16(const std::vector<uint8_t>& pcm, int channel)
{
    std::vector<double> y(pcm.size() / 4);
    for (size_t i = 0; i < y.size(); ++i) {
        int16_t x = 0;
        std::memcpy(&x, pcm.data() + 4 * i + 2 * channel, 2);
        y[i] = x / 32767.0;
    }
    return y;
}

} // namespace pathtest
