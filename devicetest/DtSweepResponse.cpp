#include "devicetest/DtSweepResponse.h"

#include "ir/IrAnalysis.h"
#include "ir/IrCurves.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

// The smoothed level of every bin, dB.
std::vector<DtResponsePoint> SmoothedBins(const IrResponse& r)
{
    std::vector<double> power(r.h.size());
    for (size_t k = 0; k < r.h.size(); ++k)
        power[k] = std::norm(r.h[k]);
    const std::vector<double> smooth = SmoothOctave(power, r.binHz, kDtSweepSmoothing);
    std::vector<DtResponsePoint> bins(smooth.size());
    for (size_t k = 0; k < smooth.size(); ++k)
        bins[k] = {double(k) * r.binHz, 10.0 * std::log10(std::max(smooth[k], 1e-300))};
    return bins;
}

} // namespace

double SweepTopHz(const IrSweep& sweep)
{
    return FullLevelHighHz(sweep) / std::exp2(0.5 / kDtSweepSmoothing);
}

double LevelOnCurve(std::span<const DtResponsePoint> sorted, double hz)
{
    const auto above = std::lower_bound(sorted.begin(), sorted.end(), hz,
                                        [](const DtResponsePoint& p, double f) { return p.hz < f; });
    if (above == sorted.end())
        return NAN;
    if (above->hz == hz)
        return above->db;
    if (above == sorted.begin() || !(std::prev(above)->hz > 0.0))
        return NAN;
    const DtResponsePoint& a = *std::prev(above);
    const double t = std::log(hz / a.hz) / std::log(above->hz / a.hz);
    return a.db + t * (above->db - a.db);
}

DtSweepResponse SweepResponse(std::span<const float> recording, const IrSweep& sweep, DtBand band)
{
    DtSweepResponse out;
    IrSettings settings;
    settings.sweep = sweep;
    const IrMeasurement m = AnalyseSweep(recording, {}, settings);
    out.problem = m.problem;
    if (!m.ok()) {
        if (out.problem == IrProblem::None)
            out.problem = IrProblem::NoSignal; // no response at all: nothing came back to measure
        return out;
    }
    const std::vector<DtResponsePoint> bins = SmoothedBins(m.response);
    const double top = std::min(band.highHz, SweepTopHz(sweep));
    // The band's ends as the stepped points had them, then every bin between.
    const double low = LevelOnCurve(bins, band.lowHz), high = LevelOnCurve(bins, top);
    if (std::isfinite(low))
        out.points.push_back({band.lowHz, low});
    for (const DtResponsePoint& p : bins)
        if (p.hz > band.lowHz && p.hz < top)
            out.points.push_back(p);
    if (std::isfinite(high))
        out.points.push_back({top, high});
    return out;
}

} // namespace korvanta
