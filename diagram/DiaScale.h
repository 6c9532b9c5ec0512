#pragma once
// Axis arithmetic of the diagram with no widget in sight: the 1-2-5 step
// list, the fixed table of logarithmic grid lines and the tick values and
// label texts of both axis kinds.

#include <QString>
#include <vector>

namespace korvanta {

// The smallest value of `list` (ascending) that is greater than v; v itself
// when there is none.
template <typename List, typename T>
T SmallestAbove(const List& list, T v)
{
    for (auto s : list)
        if (s > v)
            return static_cast<T>(s);
    return v;
}

// The smallest value of 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5 ... 100000 that is
// greater than v; v itself for v >= 100000.
double NiceStep(double v);

// The largest 1-2-5 value (1, 2, 5, 10, 20 ...) at or below v, and the
// smallest at or above it; v > 0.
double NiceBelow(double v);
double NiceAbove(double v);

// The logarithmic grid: 47 frequencies (0, 1 ... 9, 10, 20 ... 90, ...,
// 100000) and their labels; an empty label is a grid line without text.
inline constexpr int LogGridCount = 47;
double LogGridFreq(int index);
QString LogGridLabel(int index);

// Index of the first grid line at or above xmin that follows a smaller
// table entry, or LogGridCount when there is none (xmin <= 0 or above the
// table's end).
int FirstLogGridIndex(double xmin);

// Indices of the log grid lines drawn for the range xmin ... xmax.
std::vector<int> LogGridLines(double xmin, double xmax);

// v in at most `significant` digits with an SI prefix, point as decimal
// separator: "10m", "2.5", "1.5k", "100µ".
QString PrefixedText(double v, int significant);

// The logarithmic grid of an axis whose values are shown multiplied by
// `factor` (the distortion diagram holds microwatts and labels watts): the
// lines 1 ... 9 of every decade between xmin and xmax, labelled at 1, 2 and 5
// (at 1 only when more than five decades would crowd the labels).
struct ScaledGridLine {
    double x;
    QString label;   // empty: a line without text
};
std::vector<ScaledGridLine> ScaledLogGrid(double xmin, double xmax, double factor);

// The grid of a linear x axis whose owner labels it itself (a time axis
// counted from an origin of its own): its lines and labels for the range
// xmin ... xmax at the layout's step. A diagram without one draws its own.
using LinearGridMaker = std::vector<ScaledGridLine> (*)(int xmin, int xmax, int step);

// Tick values of a linear axis with integer step s: xmin itself, then the
// multiples of s up to xmax.
std::vector<int> LinearTicks(int xmin, int xmax, int step);

// "950" below 1000 Hz, "2.00k" from 1000 Hz on.
QString LinearTickLabel(int hz);

// v with a fixed number of decimals and a point as decimal separator,
// whatever the locale. A value that rounds to zero never shows as "-0.00".
QString FixedText(double v, int decimals);

// Left-axis label: decimals as given, right-aligned in at least 3
// characters, at most 20.
QString LeftAxisLabel(double v, int decimals);

// The values labelled on an axis from lo to hi (either order): the
// multiples of the smallest 1-2-5 step (... 0.5, 1, 2, 5, 10, 20 ...) that
// gives at most `maxIntervals` intervals, ascending. The right axis takes
// its labels from here, so they read 180, 160, 140 ... rather than the
// left grid's rows converted (180.0, 165.6, 151.2 ...).
std::vector<double> NiceTicks(double lo, double hi, int maxIntervals);

// Right-axis label: 1 decimal, right-aligned in 5 characters.
QString RightAxisLabel(double v);

// Decimals of the left labels for a y grid step.
int LabelDecimals(double yStep);

} // namespace korvanta
