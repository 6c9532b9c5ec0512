#include "scope/ScopeFrame.h"

#include <algorithm>

namespace korvanta {

int FindTrigger(const float* block, int points, const TriggerSetting& trigger, float k)
{
    const int channel = trigger.onChannel1 ? 0 : 1;
    const float level = trigger.level;
    for (int i = 0; i + 1 < points; ++i) {
        const float a = block[2 * i + channel] * k;
        const float b = block[2 * (i + 1) + channel] * k;
        if (trigger.rising ? (level < a && a < level + kTriggerWindow && b > a)
                           : (level - kTriggerWindow < a && a < level && b < a))
            return i;
    }
    return std::max(points - 1, 0);
}

int BuildFrame(const float* block, int floats, const TriggerSetting& trigger, float kTrigger,
               const FrameScaling& s, std::vector<ScopePoint>& out)
{
    const int frames = floats / 2;
    const int points = floats / 4;
    out.resize(std::max(points, 0));
    if (points <= 0)
        return 0;
    const int start = FindTrigger(block, points, trigger, kTrigger);
    int m = start;
    for (int j = 0; j < points; ++j) {
        const float v1 = s.ground1 ? 0.0f : block[2 * m] * s.k1;
        const float v2 = s.ground2 ? 0.0f : block[2 * m + 1] * s.k2;
        if (s.xy)
            out[j] = ScopePoint{-(kXYCentreX + s.xyOffset2 + v2), 0.0f, kXYCentreY + s.xyOffset1 + v1};
        else
            out[j] = ScopePoint{float(j) * s.sampleInterval, v2 + s.yPosition2, v1 + s.yPosition1};
        // The trigger lies in the first half, so the block always holds the
        // rest; the bound only guards a block shorter than announced.
        if (m < frames - 1)
            ++m;
    }
    return start;
}

} // namespace korvanta
