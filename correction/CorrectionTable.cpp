#include "CorrectionTable.h"

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

CorrectionTable& InputCorrection()
{
    static CorrectionTable table;
    return table;
}

CorrectionTable& OutputCorrection()
{
    static CorrectionTable table;
    return table;
}
