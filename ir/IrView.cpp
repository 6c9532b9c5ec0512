#include "ir/IrView.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Levels below this are nothing to draw: a scale reaching down to -300 dB
// would squeeze the curve into a line.
constexpr double kFloorDb = -200.0;
constexpr double kMagnitudeSpanDb = 60.0;
constexpr double kHarmonicSpanDb = 100.0;

// The lowest and highest finite value, or nothing.
bool Span(const std::vector<double>& v, double& lo, double& hi)
{
    lo = HUGE_VAL;
    hi = -HUGE_VAL;
    for (const double y : v)
        if (std::isfinite(y)) {
            lo = std::min(lo, y);
            hi = std::max(hi, y);
        }
    return lo <= hi;
}

// A dB axis from the curve's top down by `span`, in whole tens.
void DbAxis(const std::vector<double>& a, const std::vector<double>& b, double span, double& ymin, double& ymax)
{
    double lo = 0.0, hi = 0.0, lo2 = 0.0, hi2 = 0.0;
    const bool hasA = Span(a, lo, hi), hasB = Span(b, lo2, hi2);
    if (hasB) {
        lo = hasA ? std::min(lo, lo2) : lo2;
        hi = hasA ? std::max(hi, hi2) : hi2;
    }
    if (!hasA && !hasB) {
        ymin = -span;
        ymax = 0.0;
        return;
    }
    ymax = std::ceil((hi + 1.0) / 10.0) * 10.0;
    ymin = std::max(std::floor((lo - 1.0) / 10.0) * 10.0, ymax - span);
}

std::vector<double> BinFrequencies(const IrResponse& r)
{
    std::vector<double> f(r.h.size());
    for (size_t k = 0; k < f.size(); ++k)
        f[k] = double(k) * r.binHz;
    return f;
}

IrPlot MagnitudePhase(const IrMeasurement& m, int smoothing)
{
    const IrResponse& r = m.response;
    const std::vector<double> f = BinFrequencies(r);
    std::vector<double> power(r.h.size()), phase(r.h.size());
    for (size_t k = 0; k < r.h.size(); ++k) {
        power[k] = std::norm(r.h[k]);
        phase[k] = PhaseDeg(r.h[k], f[k], m.peak.samples, r.rate);
    }
    if (smoothing > 0)
        power = SmoothOctave(power, r.binHz, smoothing);
    std::vector<double> db(power.size());
    for (size_t k = 0; k < power.size(); ++k)
        db[k] = std::max(10.0 * std::log10(power[k]), kFloorDb);
    const IrSweep& s = m.settings.sweep;
    IrPlot p;
    MergeCurves(ReduceLogSpaced(f, db, s.f1, s.f2, IrReduce::PowerMean),
                ReduceLogSpaced(f, phase, s.f1, s.f2, IrReduce::Nearest), p.x, p.y1, p.y2);
    DbAxis(p.y1, {}, kMagnitudeSpanDb, p.ymin, p.ymax);
    p.y2min = -180.0;
    p.y2max = 180.0;
    return p;
}

IrPlot GroupDelay(const IrMeasurement& m)
{
    const IrResponse& r = m.response;
    const IrSweep& s = m.settings.sweep;
    const IrCurve c = ReduceLogSpaced(BinFrequencies(r), r.groupDelayMs, s.f1, s.f2, IrReduce::Nearest);
    IrPlot p;
    p.x = c.freq;
    p.y1 = c.value;
    double lo = 0.0, hi = 0.0;
    if (Span(p.y1, lo, hi)) {
        // Whole milliseconds around the curve, at least one apart.
        p.ymin = std::floor(lo) - 1.0;
        p.ymax = std::max(std::ceil(hi) + 1.0, p.ymin + 2.0);
    } else {
        p.ymin = -1.0;
        p.ymax = 1.0;
    }
    return p;
}

IrPlot Harmonics(const IrMeasurement& m, IrView view)
{
    const IrHarmonicCurves& h = m.harmonics;
    const IrSweep& s = m.settings.sweep;
    const auto reduce = [&](const std::vector<double>& v) {
        return ReduceLogSpaced(h.freq, v, s.f1, s.f2 / 2.0, IrReduce::PowerMean);
    };
    IrPlot p;
    if (view == IrView::Thd) {
        const IrCurve c = reduce(h.thdDb);
        p.x = c.freq;
        p.y1 = c.value;
    } else {
        const int first = view == IrView::H2H3 ? 0 : 2; // H2 or H4
        MergeCurves(reduce(h.levelDb[size_t(first)]), reduce(h.levelDb[size_t(first + 1)]), p.x, p.y1, p.y2);
    }
    DbAxis(p.y1, p.y2, kHarmonicSpanDb, p.ymin, p.ymax);
    p.y2min = p.ymin;
    p.y2max = p.ymax;
    return p;
}

IrPlot Impulse(const IrMeasurement& m)
{
    IrPlot p;
    p.timeAxis = true;
    p.gateStartMs = m.gate.startMs;
    const int rate = m.ir.rate;
    const long long first = std::llround(m.gate.startMs * rate / 1000.0);
    const long long count = std::max<long long>(std::llround(m.gate.lengthMs * rate / 1000.0), 1);
    EnvelopeOf(m.ir, first, count, kIrMaxDiagramPoints, p.x, p.y1);
    // Relative to the peak, so a reflection reads as its share of it and
    // the sign shows the polarity.
    const double scale = std::abs(m.peak.value) > 0.0 ? 1.0 / std::abs(m.peak.value) : 1.0;
    for (double& y : p.y1)
        y *= scale;
    p.ymin = -1.1;
    p.ymax = 1.1;
    return p;
}

} // namespace

std::vector<ScaledGridLine> IrTimeGrid(int xmin, int xmax, int step)
{
    std::vector<ScaledGridLine> lines;
    if (step <= 0 || xmax < xmin)
        return lines;
    // As many decimals as the step has below the millisecond.
    int decimals = 0;
    for (int s = step; s % 1000 != 0 && decimals < 3; s *= 10)
        ++decimals;
    const long long first = std::max<long long>(0, (static_cast<long long>(xmin) - 1 + step - 1) / step);
    for (long long k = first; 1 + k * step <= xmax; ++k)
        lines.push_back({1.0 + double(k * step), FixedText(double(k * step) / 1000.0, decimals)});
    return lines;
}

void MergeCurves(const IrCurve& a, const IrCurve& b, std::vector<double>& x, std::vector<double>& ya,
                 std::vector<double>& yb)
{
    x.clear();
    ya.clear();
    yb.clear();
    size_t i = 0, j = 0;
    while (i < a.freq.size() || j < b.freq.size()) {
        const bool takeA = i < a.freq.size() && (j >= b.freq.size() || a.freq[i] <= b.freq[j]);
        const bool takeB = j < b.freq.size() && (i >= a.freq.size() || b.freq[j] <= a.freq[i]);
        x.push_back(takeA ? a.freq[i] : b.freq[j]);
        ya.push_back(takeA ? a.value[i++] : kNaN);
        yb.push_back(takeB ? b.value[j++] : kNaN);
    }
}

void EnvelopeOf(const ImpulseResponse& ir, long long first, long long count, int points, std::vector<double>& x,
                std::vector<double>& y)
{
    x.clear();
    y.clear();
    if (ir.rate <= 0 || ir.h.empty() || count <= 0 || points < 2)
        return;
    const double usPerSample = 1e6 / ir.rate;
    if (count <= points) {
        for (long long i = 0; i < count; ++i) {
            x.push_back(1.0 + double(i) * usPerSample);
            y.push_back(ir.at(first + i));
        }
        return;
    }
    const long long cells = points / 2;
    for (long long c = 0; c < cells; ++c) {
        const long long a = c * count / cells, b = (c + 1) * count / cells;
        long long lo = a, hi = a;
        for (long long i = a; i < b; ++i) {
            if (ir.at(first + i) < ir.at(first + lo))
                lo = i;
            if (ir.at(first + i) > ir.at(first + hi))
                hi = i;
        }
        for (const long long i : {std::min(lo, hi), std::max(lo, hi)}) {
            if (i == hi && lo == hi && !x.empty() && x.back() == 1.0 + double(i) * usPerSample)
                continue; // a flat cell is one point
            x.push_back(1.0 + double(i) * usPerSample);
            y.push_back(ir.at(first + i));
        }
    }
}

IrPlot IrPlotOf(const IrMeasurement& m, IrView view, int smoothing)
{
    if (!m.ok())
        return {};
    switch (view) {
    case IrView::MagnitudePhase:
        return MagnitudePhase(m, smoothing);
    case IrView::GroupDelay:
        return GroupDelay(m);
    case IrView::Thd:
    case IrView::H2H3:
    case IrView::H4H5:
        return Harmonics(m, view);
    case IrView::Impulse:
        return Impulse(m);
    }
    return {};
}

} // namespace korvanta
