#pragma once
// The frequency-response sweep's process-wide record. The sweep page, its
// settings dialog and the settings file share it; the dialog edits a copy of
// the same layout. GUI thread only.

#include <QString>
#include <cstdint>

namespace korvanta {

// Defaults of the settings file's sweep section.
inline constexpr int32_t kDefaultSweepFrom = 20;        // Hz
inline constexpr int32_t kDefaultSweepTo = 22000;       // Hz
inline constexpr int32_t kDefaultSweepSteps = 50;
inline constexpr int32_t kDefaultSettleMs = 100;
inline constexpr int32_t kInitialCaptureFrames = 8000;

struct SweepSettings {
    bool startRequested = false;   // set by START, consumed by the next step message
    bool stopRequested = false;    // set by STOP, consumed by the next step message
    bool running = false;
    bool linear = false;           // false: logarithmic frequency plan
    bool phaseOn = false;          // phase curve as the second curve
    int32_t mode = 0;              // 0 left is reference, 1 right is reference, 2 both absolute
    int32_t settleMs = kDefaultSettleMs;
    int32_t captureFrames = kInitialCaptureFrames;
    int32_t steps = kDefaultSweepSteps;  // intervals; steps + 1 points are measured
    int32_t stepIndex = 0;
    float currentFrequency = 0.0f;
    int32_t fromFrequency = kDefaultSweepFrom;
    int32_t toFrequency = kDefaultSweepTo;
    QString comment = QStringLiteral("remark:");  // at most 120 characters
    float phaseMin = -90.0f;
    float phaseMax = 90.0f;
    float digitalLevel = 0.0f;     // dB, 0 .. -200
    float levelMax = 5.0f;
    float levelMin = -45.0f;
};

} // namespace korvanta
