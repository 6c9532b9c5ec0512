#pragma once
// What the oscilloscope's frame loop needs of its display: set-up for a
// timebase, one stored point at a time, and a repaint once the frame is
// complete. The display window implements it; tests may record instead.

#include "scope/ScopeScales.h"

#include <QString>

namespace korvanta {

class ScopeDisplay {
public:
    virtual ~ScopeDisplay() = default;
    // Returns 0, or 1 when the arrays could not be made.
    virtual int SetupOszi(const QString& caption, int n, bool logX, float param, float xMin, float xMax, float yMin,
                          float yMax) = 0;
    // Returns 0, or 1 when the point could not be stored.
    virtual int StorePoint(int j, bool triggerOnChannel1, float yPosition2, float yPosition1, float voltsPerDiv2,
                           float voltsPerDiv1, float x, float y2, float y1) = 0;
    virtual void RepaintOszi() = 0;
    // The scales the read-out shows (volts/div, time/div, trigger).
    virtual void SetScales(const ScopeScales& /*scales*/) {}
};

} // namespace korvanta
