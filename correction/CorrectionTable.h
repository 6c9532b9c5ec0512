#pragma once
// A correction curve: a short table of (frequency in Hz, deviation in dB)
// points, interpolated with a natural cubic spline. The input and the output
// correction of the measuring chain are two such tables that live for the
// whole run; the analysis keeps a third one for its weighting curves.
//
// Tables of one point yield that point's value everywhere and tables of two
// points the straight line through both; the spline needs three points and
// the lookup never reads outside the table.

#include <QString>
#include <span>
#include <vector>

namespace korvanta {

// One table point. x, y and M describe the curve; the remaining fields are
// the working values of the last spline set-up, kept with the point.
struct CorrectionPoint {
    double x = 0.0;       // frequency, Hz
    double y = 0.0;       // correction, dB
    double M = 0.0;       // second derivative of the spline at x
    double h = 0.0;       // x minus the previous point's x
    double mu = 0.0;      // weight of the next point's M in the set-up
    double rhs = 0.0;     // right-hand side of the set-up
    double diag = 0.0;    // diagonal after elimination
    double lambda = 0.0;  // weight of the previous point's M in the set-up
};

struct CorrectionPair {
    double x = 0.0;
    double y = 0.0;
};

struct CorrectionTable {
    int count = 0;                        // number of points; 0 = no table
    QString fileName;                     // file the table came from; empty when built from an array
    bool active = false;                  // applied only when set and count != 0
    std::vector<CorrectionPoint> points;  // count + 1 records (the last one spare), or none
};

// Computes the second derivatives M of a natural cubic spline (M = 0 at both
// ends) through the table's points. Fewer than three points need no set-up:
// all M are zero, which makes two points a straight line.
void SplineSetup(CorrectionTable& table);

// The spline at x. Below the first point the first cubic piece and at or
// above the last point the last piece is extrapolated. An empty table gives 0.
double SplineValue(const CorrectionTable& table, double x);

// For a table whose frequencies strictly ascend: true when the spline is a
// finite number at every frequency from `low` to `high` (both finite,
// low <= high), every step of SplineValue included. A table of huge frequencies can give NaN although each of its
// numbers is finite; such a table would wipe a whole spectrum. An empty
// table is finite everywhere.
bool SplineFiniteBetween(const CorrectionTable& table, double low, double high);

// value - sign * S(f) when the table is active and not empty, else value.
double Correct(const CorrectionTable& table, int sign, double f, double value);

// Frees the points: count 0, no file name, inactive.
void ClearCorrection(CorrectionTable& table);

// Replaces the table by the given points in their order: no file name,
// inactive, spline set up. An empty span leaves an empty table.
void SetCorrectionPoints(CorrectionTable& table, std::span<const CorrectionPair> pairs);

} // namespace korvanta
