#pragma once
// The generator's settings, shared by the generator window, the sweep and the
// playback engine (which copies the whole record at every start). Fields in
// their historical order with their initial values.

#include <QString>
#include <cstdint>

namespace korvanta {

struct GeneratorSettings {
    static constexpr int kMaxFileName = 120;
    static constexpr int32_t kLevelOff = -100; // a level of -100 dB means silent

    float frequency = 1000.0f;      // Hz
    int32_t levelLeft = 0;          // dB relative to full scale, 0 .. -99, -100 off
    int32_t levelRight = 0;
    int32_t phaseLeft = 0;          // whole degrees
    int32_t phaseRight = 0;
    int32_t mode = 0;               // 0 sine, 1 square, 2 white noise, 3 pink noise, 4 user file
    QString userFileName;           // at most kMaxFileName characters
    bool userWavePlaying = false;   // a user wave file is being played
    int32_t analogLevel = 100;      // analog output level through the mixer, percent
    bool loopMode = true;           // playback always loops; stored in the settings file
};

} // namespace korvanta
