#include "correction/CorrectionTable.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
// Fills h, mu, lambda and the right-hand side of the tridiagonal system
// lambda_i M_(i-1) + 2 M_i + mu_i M_(i+1) = d_i for the inner points.
void setUpSystem(std::vector<CorrectionPoint>& p, int n)
{
    p[1].h = p[1].x - p[0].x;
    for (int i = 1; i <= n - 2; ++i) {
        p[i + 1].h = p[i + 1].x - p[i].x;
        const double span = p[i].h + p[i + 1].h;
        p[i].mu = p[i + 1].h / span;
        p[i].lambda = 1.0 - p[i].mu;
        p[i].rhs = 6.0 * ((p[i + 1].y - p[i].y) / p[i + 1].h - (p[i].y - p[i - 1].y) / p[i].h) / span;
    }
}

// Forward elimination and back substitution (Thomas algorithm). The
// operation order is kept fixed so that results are reproducible to the
// last bit.
void solveSystem(std::vector<CorrectionPoint>& p, int n)
{
    p[1].diag = 2.0;
    for (int i = 2; i <= n - 2; ++i) {
        p[i].diag = 2.0 - p[i - 1].mu * p[i].lambda / p[i - 1].diag;
        p[i].rhs = p[i].rhs - p[i - 1].rhs * p[i].lambda / p[i - 1].diag;
    }
    p[n - 2].M = p[n - 2].rhs / p[n - 2].diag;
    for (int i = n - 3; i >= 1; --i)
        p[i].M = (p[i].rhs - p[i].mu * p[i + 1].M) / p[i].diag;
}

// Index (0-based) of the right end of the interval that holds x; the left
// end is one below. Points outside the table fall into the end intervals.
int intervalEnd(const std::vector<CorrectionPoint>& p, int n, double x)
{
    int lo = 1;
    int hi = n;
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (x < p[mid - 1].x)
            hi = mid;
        else
            lo = mid;
    }
    return lo;
}
// The slope term of the piece from a to b, as SplineValue computes it.
double slopeTerm(const CorrectionPoint& a, const CorrectionPoint& b, double h)
{
    return (b.y - a.y) / h - h * (2.0 * a.M + b.M) / 6.0;
}

bool allFinite(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Whether SplineValue stays finite for every x with |x - a.x| <= reach on the
// piece from a to b. Every product in the formula grows with |t|, so the
// formula's steps taken with reach in place of t bound every step for a
// smaller |t|; when those bounds are finite, so is every value.
bool pieceFinite(const CorrectionPoint& a, const CorrectionPoint& b, double reach)
{
    const double h = b.x - a.x;
    const double slope = slopeTerm(a, b, h);
    const double r2 = reach * reach;
    const double r3 = r2 * reach;
    const double linear = reach * std::abs(slope);
    const double square = r2 * std::abs(a.M) / 2.0;
    const double cube = r3 * std::abs(b.M - a.M) / (6.0 * h);
    const double bound = std::abs(a.y) + linear + square + cube;
    return h > 0.0 && allFinite({h, 6.0 * h, a.y, b.y, a.M, b.M, 2.0 * a.M + b.M, slope, linear, r2, r3,
                                 r2 * std::abs(a.M), r3 * std::abs(b.M - a.M), square, cube, bound});
}
} // namespace

void SplineSetup(CorrectionTable& table)
{
    const int n = table.count;
    if (n <= 0)
        return;
    auto& p = table.points;
    for (int i = 0; i < n; ++i)
        p[i].M = 0.0;
    if (n < 2)
        return;
    p[1].h = p[1].x - p[0].x;
    if (n < 3)
        return;
    setUpSystem(p, n);
    solveSystem(p, n);
}

double SplineValue(const CorrectionTable& table, double x)
{
    const int n = table.count;
    if (n <= 0)
        return 0.0;
    if (n == 1)
        return table.points[0].y;
    const int b = intervalEnd(table.points, n, x);
    const CorrectionPoint& pa = table.points[b - 1];
    const CorrectionPoint& pb = table.points[b];
    const double h = pb.x - pa.x;
    const double t = x - pa.x;
    return pa.y + t * ((pb.y - pa.y) / h - h * (2.0 * pa.M + pb.M) / 6.0) + t * t * pa.M / 2.0
           + t * t * t * (pb.M - pa.M) / (6.0 * h);
}

bool SplineFiniteBetween(const CorrectionTable& table, double low, double high)
{
    const int n = table.count;
    if (n <= 0)
        return true;
    const auto& p = table.points;
    if (n == 1)
        return std::isfinite(p[0].y);
    // Piece b (1 ... n-1) serves [x(b-1), x(b)); the first one also
    // everything below, the last one everything above.
    for (int b = 1; b < n; ++b) {
        const double from = b == 1 ? low : std::max(low, p[b - 1].x);
        const double to = b == n - 1 ? high : std::min(high, p[b].x);
        if (from > to)
            continue;
        const double reach = std::max(std::abs(from - p[b - 1].x), std::abs(to - p[b - 1].x));
        if (!pieceFinite(p[b - 1], p[b], reach))
            return false;
    }
    return true;
}

double Correct(const CorrectionTable& table, int sign, double f, double value)
{
    if (!table.active || table.count == 0)
        return value;
    return value - sign * SplineValue(table, f);
}

void ClearCorrection(CorrectionTable& table)
{
    table.points.clear();
    table.points.shrink_to_fit();
    table.count = 0;
    table.fileName.clear();
    table.active = false;
}

void SetCorrectionPoints(CorrectionTable& table, std::span<const CorrectionPair> pairs)
{
    ClearCorrection(table);
    if (pairs.empty())
        return;
    table.points.assign(pairs.size() + 1, CorrectionPoint{});
    for (size_t i = 0; i < pairs.size(); ++i) {
        table.points[i].x = pairs[i].x;
        table.points[i].y = pairs[i].y;
    }
    table.count = static_cast<int>(pairs.size());
    SplineSetup(table);
}

} // namespace korvanta
