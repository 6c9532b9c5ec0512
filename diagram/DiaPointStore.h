#pragma once
// The diagram's points: for each index a frequency and three curves (left,
// right, and the derived peak or difference curve). The arrays are allocated
// once at their full size, so that no measurement ever allocates, and a curve
// of any length can be drawn without growing anything.
//
// Drawing needs the frequencies only to a pixel, so x is single precision
// like the curves. The text export prints them to 0.01 Hz, finer than a
// float resolves above a few kHz (a bin at 44.1 kHz could be written 0.01 Hz
// off), so each frequency is also kept as the caller computed it.

#include "diagram/DiagramOptions.h"

#include <memory>

namespace korvanta {

// Indices s ... e of the points of x[0 ... n - 1] to draw for the range
// xmin ... xmax: s is the last index whose frequency is <= xmin (0 when there
// is none or when every point is), e the last index at or below xmax,
// counting down from n - 1. e < s means nothing to draw.
void VisibleIndexRange(const float* x, int n, double xmin, double xmax, int& s, int& e);

class DiaPointStore {
public:
    static constexpr int Capacity = 16384;
    static constexpr int MaxPoints = Capacity - 1;   // largest point count
    static constexpr float PeakFloor = -10000000.0f; // curve 3 when nothing is held

    // Allocates and clears the arrays. Throws std::bad_alloc when the memory
    // is not there.
    DiaPointStore();

    // Point count n (valid indices 0 ... n - 1).
    int count() const { return n_; }
    void setCount(int n) { n_ = n; }

    // x, curve 1, curve 2 to 0 and curve 3 to the peak floor.
    void clearCurves();
    // Curve 3 back to the peak floor, over the whole store.
    void resetPeaks();

    // Stores a point. Mode 1 takes values[0] (routed by route1/route2),
    // mode 2 takes values[0] (curve 1) and values[1] (curve 2). Returns 0
    // when stored and 1 when refused (index outside the store, unknown mode).
    int addPoint(const float* values, int mode, int index, double freq, const DiagramOptions& opt);

    // Indices s ... e of the points to draw for the range xmin ... xmax: s is
    // the last index whose frequency is <= xmin (0 when there is none or when
    // every point is), e the
    // last index at or below xmax, counting down from n - 1. e < s means
    // nothing to draw.
    void visibleRange(double xmin, double xmax, int& s, int& e) const;

    const float* x() const { return x_.get(); }
    // The frequencies in the precision they were given in.
    const double* frequencies() const { return hz_.get(); }
    const float* curve1() const { return c1_.get(); }
    const float* curve2() const { return c2_.get(); }
    const float* curve3() const { return c3_.get(); }

private:
    void setX(int index, double freq);

    std::unique_ptr<float[]> x_;
    std::unique_ptr<double[]> hz_;
    std::unique_ptr<float[]> c1_, c2_, c3_;
    int n_ = 0;
};

} // namespace korvanta
