#include "cli/IrLimits.h"

#include <cmath>
#include <optional>

namespace korvanta {

namespace {

// How far a value lies outside its limits, 0 inside.
double excess(double v, const ToleranceBand::Limits& l) { return v < l.min ? l.min - v : v > l.max ? v - l.max : 0.0; }

struct Run {
    double first = 0.0;
    double last = 0.0;
    double worstFreq = 0.0;
    double worstValue = 0.0;
    double worstExcess = -1.0;
    ToleranceBand::Limits limits{};
};

QString runLine(const Run& r)
{
    const QString where = r.first == r.last ? QStringLiteral("%1 Hz").arg(PointText(r.first))
                                            : QStringLiteral("%1 .. %2 Hz").arg(PointText(r.first), PointText(r.last));
    return QStringLiteral("%1: magnitude %2 dB at %3 Hz outside %4 .. %5 dB")
        .arg(where, PointText(r.worstValue), PointText(r.worstFreq), PointText(r.limits.min), PointText(r.limits.max));
}

} // namespace

Verdict CheckIrResponse(const std::vector<IrRow>& rows, const ToleranceBand& band, double fLow, double fHigh)
{
    Verdict v;
    v.checked = true;
    std::optional<Run> run;
    auto close = [&] {
        if (run)
            v.failures << runLine(*run);
        run.reset();
    };
    for (const IrRow& row : rows) {
        const std::optional<ToleranceBand::Limits> limits = band.at(row.freq);
        if (!limits || row.freq < fLow || row.freq > fHigh) {
            close();
            continue;
        }
        const double value = std::isnan(row.smoothedDb) ? row.magnitudeDb : row.smoothedDb;
        // A magnitude that is no number (a response of nothing) fails.
        const double off = std::isfinite(value) ? excess(value, *limits) : INFINITY;
        if (off <= 0.0) {
            close();
            continue;
        }
        if (!run)
            run = Run{row.freq, row.freq};
        run->last = row.freq;
        if (off > run->worstExcess)
            *run = Run{run->first, row.freq, row.freq, value, off, *limits};
    }
    close();
    return v;
}

} // namespace korvanta
