#pragma once
// The oscilloscope's process-wide record: capture rate and length, the
// display window's placement, the per-channel scale and position, trigger
// and ground switches. The oscilloscope page and the settings file share it.
// GUI thread only.

#include <cstdint>

namespace korvanta {

inline constexpr int32_t kUnsetPlacement = -1;  // window placement not yet set

struct OscilloscopeSettings {
    int32_t sampleRate = 44100;
    int32_t windowHeight = kUnsetPlacement;
    int32_t windowWidth = 260;
    int32_t windowLeft = kUnsetPlacement;
    int32_t windowTop = kUnsetPlacement;
    int32_t frameLength = 1024;      // frames per block
    int32_t voltsIndex1 = 10;        // volts/div index 1 .. 14
    int32_t voltsIndex2 = 10;
    int32_t timebaseIndex = 5;       // 1 .. 17
    float yPosition1 = 6.02f;        // zero line of channel 1, divisions
    float yPosition2 = 2.0f;
    bool triggerRising = true;
    bool triggerOnChannel1 = true;
    bool ground1 = false;
    bool ground2 = false;
};

} // namespace korvanta
