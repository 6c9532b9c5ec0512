#pragma once
// Checking what the user typed into the analysis dialog, without the dialog:
// the checks run in a fixed order and the first failure names the field.

#include <QString>

namespace korvanta {

struct AnalysisInputText {
    QString bandLow;       // Hz, whole number
    QString bandHigh;      // Hz, whole number
    QString fundamental;   // Hz, whole number
    QString thresholdDb;   // dB, a number not above 0
};

struct AnalysisInput {
    int bandLow = 0;
    int bandHigh = 0;
    int fundamental = 0;
    double thresholdDb = 0.0;
};

enum class AnalysisInputError { None, BandLow, BandHigh, BandOrder, Fundamental, Threshold };

// Parses the four fields in the order low, high, low < high, fundamental,
// threshold and stops at the first failure. `input` is complete only when
// None is returned.
AnalysisInputError ParseAnalysisInput(const AnalysisInputText& text, AnalysisInput& input);

// The warning for an input error, in German ('D') or English ('E').
QString AnalysisInputMessage(AnalysisInputError error, char language);

} // namespace korvanta
