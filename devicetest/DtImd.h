#pragma once
// Intermodulation of the two standard two-tone signals. SMPTE: 60 Hz and
// 7 kHz at 4:1; the sidebands f2 ± f1 and f2 ± 2·f1 summed by power,
// relative to the 7 kHz tone. CCIF: 18 and 19 kHz at 1:1; the difference
// tone d2 at 1 kHz, and d3 at 17 and 20 kHz summed by power, each relative
// to the sum of the two tones' amplitudes. Every component is fitted
// together by least squares, so a sideband 80 dB down is read next to a
// tone without a window's leakage.

#include "devicetest/DtConventions.h"

#include <QString>
#include <cmath>
#include <span>

namespace korvanta {

inline constexpr double kSmpteLowHz = 60.0;
inline constexpr double kSmpteHighHz = 7000.0;
inline constexpr double kSmpteRatio = 4.0; // low tone's amplitude over the high tone's
inline constexpr double kCcifLowHz = 18000.0;
inline constexpr double kCcifHighHz = 19000.0;

struct DtImdSmpte {
    double db = NAN;
    double percent = NAN;
};

DtImdSmpte AnalyseSmpte(std::span<const float> x, int rate);

struct DtImdCcif {
    bool measured = false; // false: the rate cannot carry the tones
    double d2Db = NAN;
    double d2Percent = NAN;
    double d3Db = NAN;
    double d3Percent = NAN;
};

bool CcifFitsRate(int rate);

DtImdCcif AnalyseCcif(std::span<const float> x, int rate);

// Why CCIF was left out ('E' English, else German).
QString CcifLeftOutText(char letter);

} // namespace korvanta
