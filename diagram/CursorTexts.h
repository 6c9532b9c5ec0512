#pragma once
// Texts of the measuring cursor: the point read-out of a click, the level
// difference with its ratio, the frequency and the slope between two points.

#include "diagram/DiagramOptions.h"

#include <QChar>
#include <QString>

namespace korvanta {

// Words that depend on the language: the ratio word after a gain and the
// slope unit.
struct ReadoutWords {
    QString ratio = QStringLiteral("fach");
    QString slope = QStringLiteral("dB/Okt");
};
ReadoutWords ReadoutWordsFor(QChar language);   // 'D' or 'E'

inline constexpr int CursorTextMax = 40;
inline const QString FpErrorText = QStringLiteral("FP error");

// "1000.0Hz/-12.5dB": the scaled frequency with 1 decimal and its unit, then
// the level with 1 decimal.
QString PointText(double freq, const XScaling& scaling, double level);

// The scaled frequency with 2 decimals and its unit.
QString FrequencyText(double freq, const XScaling& scaling);

// "6.0dB / 2.0fach" for a gain, "-20.0dB / 10.0%" for a loss; a loss below
// 1 % shows 5 decimals ("0.10000%") so that it never reads as zero.
QString LevelText(double dB, const QString& ratioWord);

// Slope in dB per octave between two points d dB and the frequency ratio
// apart; "FP error" instead of the number when it cannot be computed (the
// same frequency twice).
QString SlopeText(double dB, double freqRatio, const QString& slopeUnit);

} // namespace korvanta
