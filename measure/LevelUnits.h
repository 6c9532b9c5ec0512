#pragma once
// Level units of the spectrum: dBFS, and dBV, dBu, dBm from the input
// calibration (the RMS voltage at which the input just reaches full scale).
// A magnitude bin m > 0 reads F * ln(m) + O, with F the level factor and O
// the level offset plus the unit's offset.

#include "platform/LevelConventions.h"

#include <QString>
#include <cstdint>

namespace korvanta {

struct AnalyzerState;

enum LevelUnitIndex : uint8_t { kUnitDbFs = 0, kUnitDbV = 1, kUnitDbu = 2, kUnitDbm = 3 };

// dBu and dBm share the 775 mV reference (1 mW into 600 ohms).
constexpr double kDbVReferenceMv = 1000.0;
constexpr double kDbuReferenceMv = 775.0;


struct LevelParameters {
    float factor = 0;     // F: dB per natural-log unit
    float offset = 0;     // O: level offset plus the unit offset
    float unitOffset = 0; // U alone, for the analysis read-outs
    QString label;        // at most 5 characters
};

float UnitOffset(uint8_t unit, float calInMv);
QString UnitLabel(uint8_t unit);
LevelParameters GetLevelParameters(const AnalyzerState& s);

// The y-axis caption of the spectrum diagram for a unit.
QString LevelAxisCaption(uint8_t unit);

// F * ln(m) + O, or exactly -192 for m == 0.
float BinLevel(float magnitude, const LevelParameters& p);

// The calibration status line: 18 blanks for dBFS, else the calibrated or
// uncalibrated text depending on whether the input volume is still the one
// of the calibration.
QString CalibrationStatus(uint8_t unit, int inputVolume, int inLev4Cal, const QString& calibratedText,
                          const QString& uncalibratedText);

} // namespace korvanta
