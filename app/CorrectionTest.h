#pragma once
// The correction test: both correction curves over 1000 logarithmic steps
// from just above 1 Hz to 28 kHz, and the diagram info line naming the
// active files. Plain functions; the main window draws the result.

#include <QString>

namespace korvanta {

struct CorrectionTable;

inline constexpr int kCorrectionTestPoints = 1000;

struct CorrectionTestPoint {
    double frequency = 0.0;  // Hz
    double input = 0.0;      // input correction at that frequency, 0 when inactive or empty
    double output = 0.0;     // output correction, likewise
};

// Point i of 1 .. kCorrectionTestPoints: f = 28000^(i/1000).
CorrectionTestPoint CorrectionTestValue(const CorrectionTable& input, const CorrectionTable& output, int i);

// heading + the input file name when the input correction is active, then
// " & " + the output file name when the output correction is active.
QString CorrectionTestInfoLine(const QString& heading, const CorrectionTable& input, const CorrectionTable& output);

} // namespace korvanta
