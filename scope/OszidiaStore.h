#pragma once
// What the oscilloscope window holds: one frame of points (channel 1 and 2
// in divisions, x in seconds or the X-Y marker), the ranges, the caption and
// the scalars of the last stored point. Set up anew for each timebase; the y
// range is taken only while it is unset, so a set-up with a new point count
// keeps the range the window already has.

#include "scope/ScopeScales.h"

#include <QString>
#include <vector>

namespace korvanta {

inline constexpr float kUnsetRange = 99.0f; // yMin = yMax = 99: no y range yet

class OszidiaStore {
public:
    // Reallocates the three arrays for n zero-filled points. Returns 0, or 1
    // when n is not positive (the arrays are then gone: nothing is drawn).
    int Setup(const QString& caption, int n, bool logX, float param, float xMin, float xMax, float yMin, float yMax);
    // Stores point j and keeps the scalars. Returns 0, or 1 when j is
    // outside the arrays (or there are none).
    int StorePoint(int j, bool triggerOnChannel1, float yPosition2, float yPosition1, float voltsPerDiv2,
                   float voltsPerDiv1, float x, float y2, float y1);

    bool HasArrays() const { return !curve1_.empty(); }
    // Points stored since the last set-up: the zero-filled rest is no trace.
    int Filled() const { return filled_; }
    // X-Y: the x range runs from 0 to -10 and a point's x is its column.
    bool IsXY() const { return xMax < xMin; }
    int Count() const { return int(curve1_.size()); }
    const std::vector<float>& Curve1() const { return curve1_; }
    const std::vector<float>& Curve2() const { return curve2_; }
    const std::vector<float>& XValues() const { return x_; }

    QString caption;
    float xMin = 0.0f, xMax = 10.0f;
    float yMin = kUnsetRange, yMax = kUnsetRange;
    bool logX = false;
    // Scalars of the last stored point.
    bool triggerOnChannel1 = true;
    float yPosition1 = 0.0f, yPosition2 = 0.0f;
    float voltsPerDiv1 = 0.0f, voltsPerDiv2 = 0.0f;
    // What the read-out under the graticule shows.
    ScopeScales scales;

private:
    int filled_ = 0;
    std::vector<float> curve1_, curve2_, x_;
};

// The text export of a frame: one line per point, time in ms, channel 1 and
// channel 2 in mV, each with three decimals, divided by the separator ("\t"
// typed as backslash-t is a tab, "\n" a line end, any other text is used as
// it stands), lines ended by CR LF. Returns 1000 without arrays, otherwise 0
// or the system's error number (101 when it gave none).
int WriteScopeExport(const QString& path, const OszidiaStore& store, const QString& separator);
QString ScopeSeparator(const QString& typed);

} // namespace korvanta
