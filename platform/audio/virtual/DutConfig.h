#pragma once
// Configuration of the virtual card's simulated device under test and of its
// external signal source, parsed from the KORVANTA_DUT text (README.md,
// "Virtual sound card") or set from C++ by tests.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace korvanta {

enum class ExternalKind { Off, Sine, Square, Noise };

enum class VirtualFault {
    None,
    InitFails,        // the sound system cannot be initialised
    OpenFails,        // opening the input fails with a code
    OutputOpenFails,  // opening the output fails with a code
    CloseFails,       // closing the input fails
    NoData,           // the input returns an empty block
    ShortBlock,       // the input delivers half a block and ends
    Stall,            // the input stops delivering
    DeviceGone,       // the input disappears mid-block
    OutputStall,      // the output stops taking frames while playing
    OutputGone,       // the output disappears while playing
    OutputWriteFails, // the output refuses a write while playing
    Overrun,          // the input overruns halfway through a block (each try counts once)
};

inline constexpr double kOffDb = -1000.0; // a level at or below -300 dB is "none"

struct DutConfig {
    double gainDb[2] = {0.0, 0.0};   // PCM left, PCM right
    double lowPassHz = 0.0;          // 2nd-order Butterworth; 0: none
    double highPassHz = 0.0;
    int delaySamples = 0;
    // One channel's own low-pass, high-pass and delay (PCM left, PCM right),
    // so a reference channel can stay straight; negative: as both channels.
    double lowPassOne[2] = {-1.0, -1.0};
    double highPassOne[2] = {-1.0, -1.0};
    int delayOne[2] = {-1, -1};
    double k2 = 0.0;                 // y = x + k2 x^2 + k3 x^3
    double k3 = 0.0;
    double noiseDb = kOffDb;         // added Gaussian noise, dBFS RMS
    // Crosstalk, flat with frequency: how much of the left channel leaks into
    // the right (xtalkLeftToRightDb) and of the right into the left, dB;
    // kOffDb: none.
    double xtalkLeftToRightDb = kOffDb;
    double xtalkRightToLeftDb = kOffDb;
    double dc[2] = {0.0, 0.0};       // added DC, full-scale units
    bool swap = false;               // exchange the two channels
    bool invert[2] = {false, false}; // polarity of PCM left, PCM right
    ExternalKind ext = ExternalKind::Off;
    double extFreq = 1000.0;
    double extLevelDb = -10.0;       // sine/square: peak dBFS; noise: RMS dBFS
    std::vector<double> harmonicsDb; // [0] = 2nd harmonic ... dB relative to the fundamental

    bool operator==(const DutConfig&) const = default;

    double lowPassFor(int channel) const { return lowPassOne[channel] >= 0 ? lowPassOne[channel] : lowPassHz; }
    double highPassFor(int channel) const { return highPassOne[channel] >= 0 ? highPassOne[channel] : highPassHz; }
    int delayFor(int channel) const { return delayOne[channel] >= 0 ? delayOne[channel] : delaySamples; }
};

// Everything KORVANTA_DUT can say.
struct DutSpec {
    DutConfig dut;
    std::optional<bool> fast;
    VirtualFault fault = VirtualFault::None;
    int faultCode = 0;     // for "overrun": the overruns in a row each block meets (0: every try)
    std::optional<int> inputVolume;
    std::vector<int> rates; // the only sample rates the devices take (empty: 1 kHz ... 384 kHz)
    std::vector<int> bits;  // the only widths they take, 8, 16 or 32 (24 given as 32; empty: all)
    QStringList errors; // one readable line per rejected item
};

// What the card hears when KORVANTA_DUT is not set: a 1 kHz sine at -10 dBFS
// with harmonics near -70 dB and a low noise floor, straight through.
DutConfig DefaultDut();

// Parses "key=value" items separated by ';', ',' or blanks. Bad items are
// skipped and described in `errors`; the rest still applies.
DutSpec ParseDutSpec(const QString& text);

} // namespace korvanta
