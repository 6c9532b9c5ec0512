#pragma once
// One oscilloscope frame from a recorded block: the trigger search on the
// chosen channel and the conversion of both channels to screen divisions.
// Plain functions on the interleaved block (first float of a pair channel 1,
// second channel 2); no device, no window.

#include <vector>

namespace korvanta {

struct TriggerSetting {
    float level = 0.0f;   // divisions
    bool rising = true;
    bool onChannel1 = true;
};

struct FrameScaling {
    float k1 = 1.0f;      // divisions per full-scale unit, channel 1
    float k2 = 1.0f;
    float yPosition1 = 0.0f;
    float yPosition2 = 0.0f;
    bool ground1 = false;
    bool ground2 = false;
    bool xy = false;            // X-Y display instead of Y-t
    float sampleInterval = 0.0f; // seconds per frame (Y-t)
    // X-Y: both zeros meet at the screen's centre, moved by these offsets
    // (divisions); the Y-t positions above do not apply.
    float xyOffset1 = 0.0f;     // vertical, channel 1
    float xyOffset2 = 0.0f;     // horizontal, channel 2
};

// The screen's centre in divisions from the left and from the bottom.
inline constexpr float kXYCentreX = 5.0f;
inline constexpr float kXYCentreY = 4.0f;

// A point as the display stores it: x is seconds (Y-t) or minus the column
// in divisions from the left (X-Y, drawn on the display's x range 0 .. -10,
// where the y2 slot is then 0).
struct ScopePoint {
    float x = 0.0f;
    float y2 = 0.0f;
    float y1 = 0.0f;
};

// The window above the level (rising) or below it (falling) that a sample
// must fall in to start the frame, in divisions.
inline constexpr float kTriggerWindow = 0.1f;

// First frame index i < points - 1 where the trigger channel, scaled by k,
// lies inside the trigger window and moves on in the slope's direction to
// sample i + 1; points - 1 when there is none.
int FindTrigger(const float* block, int points, const TriggerSetting& trigger, float k);

// The points of one frame: `floats` interleaved values give frames =
// floats / 2 and points P = floats / 4, drawn from the trigger index on.
// Returns the trigger index.
int BuildFrame(const float* block, int floats, const TriggerSetting& trigger, float kTrigger,
               const FrameScaling& scaling, std::vector<ScopePoint>& out);

} // namespace korvanta
