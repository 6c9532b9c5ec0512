#pragma once
// Two device tests side by side, figure by figure: the window shows the
// rows, the command prints them, and the HTML page holds them as a table.

#include "devicetest/DeviceTestResult.h"

#include <QString>
#include <vector>

namespace korvanta {

struct DtComparedFigure {
    QString id;
    DtChannel channel = DtChannel::Left;
    QString unit;                   // A's unit, else B's
    QString unitB;                  // B's unit, empty when B lacks the row
    double a = NAN;                 // NaN: absent from A or not measured there
    double b = NAN;
    double difference = NAN;        // b − a in the unit; NaN unless both are measured in one unit
    bool inA = false, inB = false;  // the row exists in that result
    bool unitsDiffer = false;
};

struct DtComparison {
    DtHeader a, b;
    bool complete = true;           // both results are complete
    std::vector<DtComparedFigure> rows;
};

// Pairs the figures by id and channel: A's order first, then what only B
// has, in B's order.
DtComparison DtCompareResults(const DeviceTestResult& a, const DeviceTestResult& b);

// The comparison as one page that stands alone (see DtReportHtml.h);
// false with `error` when either result is incomplete.
bool DtComparisonHtml(const DtComparison& comparison, char letter, QByteArray& html, QString& error);

} // namespace korvanta
