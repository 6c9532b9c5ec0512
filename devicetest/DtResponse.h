#pragma once
// Frequency-response figures from measured (frequency, level) points: the
// deviation band relative to the level at 1 kHz inside the measurement
// band, and the -3 dB points on either side of 1 kHz, each interpolated
// linearly in log f between the two points around it. A sweep's fine curve
// brackets them to a fraction of a per cent.

#include "devicetest/DtBandNoise.h"

#include <cmath>
#include <optional>
#include <vector>

namespace korvanta {

inline constexpr double kDtResponseReferenceHz = 1000.0;
inline constexpr double kDtCornerDb = -3.0;

struct DtResponsePoint {
    double hz = 0.0;
    double db = 0.0; // the step's level, dBFS or dB
};

struct DtResponseFigures {
    double referenceDb = NAN;         // the level at 1 kHz
    double lowDb = NAN;               // the deviation band, dB to the reference
    double highDb = NAN;
    std::optional<double> minus3Low;  // Hz; none: not below the reference within the points
    std::optional<double> minus3High;
};

// Points in any order; the deviation band counts only points inside `band`.
DtResponseFigures ResponseFigures(std::vector<DtResponsePoint> points, DtBand band);

} // namespace korvanta
