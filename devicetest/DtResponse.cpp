#include "devicetest/DtResponse.h"

#include <algorithm>

namespace korvanta {

namespace {

struct Bracket {
    DtResponsePoint inside;  // still above the corner level
    DtResponsePoint outside; // first point below it
};

void SortByFrequency(std::vector<DtResponsePoint>& points)
{
    std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.hz < b.hz; });
}

// The level at `hz`, linear in log f between the points around it.
std::optional<double> LevelAt(const std::vector<DtResponsePoint>& sorted, double hz)
{
    for (size_t i = 0; i < sorted.size(); ++i) {
        if (sorted[i].hz == hz)
            return sorted[i].db;
        if (sorted[i].hz > hz) {
            if (i == 0)
                return std::nullopt;
            const auto& a = sorted[i - 1];
            const auto& b = sorted[i];
            const double t = std::log(hz / a.hz) / std::log(b.hz / a.hz);
            return a.db + t * (b.db - a.db);
        }
    }
    return std::nullopt;
}

// Walking away from the reference (down or up in frequency), the first
// pair of neighbours across the corner level.
std::optional<Bracket> FindBracket(const std::vector<DtResponsePoint>& sorted, double corner, bool below)
{
    std::optional<DtResponsePoint> last;
    auto visit = [&](const DtResponsePoint& p) -> std::optional<Bracket> {
        if (p.db < corner && last)
            return Bracket{*last, p};
        last = p;
        return std::nullopt;
    };
    if (below) {
        for (auto it = sorted.rbegin(); it != sorted.rend(); ++it)
            if (it->hz <= kDtResponseReferenceHz)
                if (auto b = visit(*it))
                    return b;
    } else {
        for (const auto& p : sorted)
            if (p.hz >= kDtResponseReferenceHz)
                if (auto b = visit(p))
                    return b;
    }
    return std::nullopt;
}

double CornerIn(const Bracket& b, double corner)
{
    const double t = (corner - b.inside.db) / (b.outside.db - b.inside.db);
    return b.inside.hz * std::pow(b.outside.hz / b.inside.hz, t);
}

} // namespace

DtResponseFigures ResponseFigures(std::vector<DtResponsePoint> points, DtBand band)
{
    DtResponseFigures r;
    SortByFrequency(points);
    const auto ref = LevelAt(points, kDtResponseReferenceHz);
    if (!ref)
        return r;
    r.referenceDb = *ref;
    for (const auto& p : points) {
        if (p.hz < band.lowHz || p.hz > band.highHz)
            continue;
        const double d = p.db - *ref;
        r.lowDb = std::isnan(r.lowDb) ? d : std::min(r.lowDb, d);
        r.highDb = std::isnan(r.highDb) ? d : std::max(r.highDb, d);
    }
    const double corner = *ref + kDtCornerDb;
    if (const auto b = FindBracket(points, corner, true))
        r.minus3Low = CornerIn(*b, corner);
    if (const auto b = FindBracket(points, corner, false))
        r.minus3High = CornerIn(*b, corner);
    return r;
}

} // namespace korvanta
