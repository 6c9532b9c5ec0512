#include "diagram/DiaPointStore.h"

#include <algorithm>

namespace korvanta {

DiaPointStore::DiaPointStore()
    : x_(new float[Capacity]), hz_(new double[Capacity]), c1_(new float[Capacity]), c2_(new float[Capacity]),
      c3_(new float[Capacity])
{
    clearCurves();
}

void DiaPointStore::clearCurves()
{
    std::fill_n(x_.get(), Capacity, 0.0f);
    std::fill_n(hz_.get(), Capacity, 0.0);
    std::fill_n(c1_.get(), Capacity, 0.0f);
    std::fill_n(c2_.get(), Capacity, 0.0f);
    resetPeaks();
}

void DiaPointStore::resetPeaks() { std::fill_n(c3_.get(), Capacity, PeakFloor); }

int DiaPointStore::addPoint(const float* values, int mode, int i, double f, const DiagramOptions& opt)
{
    if (i < 0 || i >= Capacity || values == nullptr)
        return 1;
    float r = PeakFloor;
    if (mode == 1) {
        const float v = values[0];
        if (opt.route1) {
            c1_[i] = v;
            setX(i, f);
            r = v;
        }
        if (opt.route2) {
            c2_[i] = v;
            setX(i, f);
            r = v;
        }
        if (opt.peak1 || opt.peak2)
            c3_[i] = std::max(c3_[i], v);
    } else if (mode == 2) {
        const float a = values[0], b = values[1];
        c1_[i] = a;
        c2_[i] = b;
        if (opt.peak1)
            r = a;
        if (opt.peak2)
            r = b;
        setX(i, f);
        switch (opt.diffMode) {
        case DiffK1MinusK2: r = a - b; break;
        case DiffK2MinusK1: r = b - a; break;
        case DiffK1PlusK2: r = a + b; break;
        default: break;
        }
        if (opt.diffMode != DiffNone)
            c3_[i] = r;
    } else {
        return 1;
    }
    if (opt.peak1 || opt.peak2)
        c3_[i] = std::max(c3_[i], r);
    return 0;
}

void DiaPointStore::setX(int i, double f)
{
    x_[i] = static_cast<float>(f);
    hz_[i] = f;
}

void VisibleIndexRange(const float* x, int n, double xmin, double xmax, int& s, int& e)
{
    int i = 0;
    while (i < n && xmin >= x[i])
        ++i;
    s = (i == 0 || i == n) ? 0 : i - 1;
    e = n - 1;
    while (e > 1 && xmax < x[e])
        --e;
}

void DiaPointStore::visibleRange(double xmin, double xmax, int& s, int& e) const
{
    VisibleIndexRange(x_.get(), n_, xmin, xmax, s, e);
}

} // namespace korvanta
