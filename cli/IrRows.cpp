#include "cli/IrRows.h"

#include "ir/IrCurves.h"

#include <cmath>
#include <limits>

namespace korvanta {

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// The smoothed magnitude of every bin in dB, or nothing without smoothing.
std::vector<double> smoothedDb(const IrResponse& r, int smoothing)
{
    if (smoothing < 3)
        return {};
    std::vector<double> power(r.h.size());
    for (size_t k = 0; k < r.h.size(); ++k)
        power[k] = std::norm(r.h[k]);
    std::vector<double> db = SmoothOctave(power, r.binHz, smoothing);
    for (double& v : db)
        v = 10.0 * std::log10(std::max(v, 1e-30));
    return db;
}

// The harmonics' values at `freq`, walking their ascending curve along with
// the ascending rows from `next` on.
void harmonicsAt(const IrHarmonicCurves& c, double freq, double tolerance, size_t& next, IrRow& row)
{
    row.harmonicDb.fill(kNan);
    row.thdDb = kNan;
    while (next < c.freq.size() && c.freq[next] < freq - tolerance)
        ++next;
    if (next >= c.freq.size() || std::abs(c.freq[next] - freq) > tolerance)
        return;
    bool known = false;
    for (size_t k = 0; k < row.harmonicDb.size(); ++k) {
        row.harmonicDb[k] = c.levelDb[k][next];
        known = known || !std::isnan(row.harmonicDb[k]);
    }
    // A THD of no harmonic at all is unknown, not a sum of nothing.
    row.thdDb = known ? c.thdDb[next] : kNan;
}

} // namespace

std::vector<IrRow> IrResultRows(const IrMeasurement& m, int smoothing)
{
    std::vector<IrRow> rows;
    const IrResponse& r = m.response;
    if (!m.ok() || r.binHz <= 0.0)
        return rows;
    const std::vector<double> smooth = smoothedDb(r, smoothing);
    const double f1 = m.settings.sweep.f1;
    const double f2 = m.settings.sweep.f2;
    size_t next = 0;
    for (size_t k = 0; k < r.h.size(); ++k) {
        const double f = static_cast<double>(k) * r.binHz;
        if (f < f1 || f > f2)
            continue;
        IrRow row;
        row.freq = f;
        row.magnitudeDb = MagnitudeDb(r.h[k]);
        row.phaseDeg = PhaseDeg(r.h[k], f, m.peak.samples, r.rate);
        row.groupDelayMs = k < r.groupDelayMs.size() ? r.groupDelayMs[k] : kNan;
        row.smoothedDb = smooth.empty() ? kNan : smooth[k];
        harmonicsAt(m.harmonics, f, r.binHz * 1e-6, next, row);
        rows.push_back(row);
    }
    return rows;
}

} // namespace korvanta
