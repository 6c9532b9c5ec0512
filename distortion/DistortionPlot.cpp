#include "distortion/DistortionPlot.h"

#include "diagram/DiaScale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanta {

QString DistortionQuantityName(DistortionQuantity q, char language)
{
    switch (q) {
    case DistortionQuantity::ThdN: return QStringLiteral("THD+N");
    case DistortionQuantity::Thd: return QStringLiteral("THD");
    case DistortionQuantity::Gain:
        return language == 'E' ? QStringLiteral("Gain") : QStringLiteral("Verstärkung");
    default: return QStringLiteral("H%1").arg(int(q) - int(DistortionQuantity::H2) + 2);
    }
}

double DistortionPlotValue(const DistortionPoint& p, DistortionQuantity q)
{
    switch (q) {
    case DistortionQuantity::ThdN: return p.m.thdnDb;
    case DistortionQuantity::Thd: return HasThd(p.m) ? p.m.thdDb : std::numeric_limits<double>::quiet_NaN();
    case DistortionQuantity::Gain: return p.gainDb;
    default: {
        const auto h = size_t(int(q) - int(DistortionQuantity::H2));
        return p.m.present[h] ? p.m.harmonicDb[h] : std::numeric_limits<double>::quiet_NaN();
    }
    }
}

double DistortionPlotX(const DistortionPoint& p, DistortionSweep sweep)
{
    return sweep == DistortionSweep::Level ? p.watts * kMicrowattsPerWatt : p.frequency;
}

namespace {
int32_t ClampToRange(double v)
{
    return static_cast<int32_t>(std::clamp(std::round(v), 1.0, double(std::numeric_limits<int32_t>::max())));
}
} // namespace

DistortionAxis DistortionPlotAxis(const DistortionSettings& plan, const std::vector<DistortionPoint>& points)
{
    DistortionAxis axis;
    axis.inWatts = plan.sweep == DistortionSweep::Level;
    axis.labelFactor = axis.inWatts ? 1.0 / kMicrowattsPerWatt : 1.0;
    double lo = axis.inWatts ? 1e-3 * kMicrowattsPerWatt : plan.fromHz;
    double hi = axis.inWatts ? 100 * kMicrowattsPerWatt : plan.toHz;
    bool seen = false;
    for (const DistortionPoint& p : points) {
        const double x = DistortionPlotX(p, plan.sweep);
        if (!(x > 0.0) || !std::isfinite(x))
            continue;
        lo = seen ? std::min(lo, x) : x;
        hi = seen ? std::max(hi, x) : x;
        seen = true;
    }
    axis.xmin = ClampToRange(NiceBelow(std::max(lo, 1.0)));
    axis.xmax = ClampToRange(NiceAbove(std::max(hi, 1.0)));
    if (axis.xmax <= axis.xmin)
        axis.xmax = ClampToRange(NiceAbove(axis.xmin * 1.01));
    return axis;
}

} // namespace korvanta
