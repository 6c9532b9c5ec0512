#pragma once
// The noise figures of the device test: power summed over the fixed band
// 20 Hz … min(20 kHz, 0.45·rate), unweighted and A-weighted, as dBFS
// relative to a full-scale sine (a full-scale sine reads 0 dBFS, so noise
// of power P reads 10·log10(P/0.5)); and the largest spurious line (hum).
// The band does not follow the analyzer's band setting: figures of two
// runs must compare whatever the analyzer was set to.

#include "devicetest/DtConventions.h"
#include "devicetest/DtSpectrum.h"

#include <cmath>
#include <optional>
#include <span>

namespace korvanta {

// Power as dBFS relative to a full-scale sine (mean square 0.5).
double PowerDbfs(double power);

// The power in the band's bins, optionally A-weighted.
double BandPower(const DtSpectrum& spectrum, DtBand band, bool aWeighted);

struct DtLine {
    double dbfs = 0.0; // the line's level above the noise under it
    double hz = 0.0;
};

struct DtNoise {
    double dbfs = NAN;
    double dbfsA = NAN;
    std::optional<DtLine> hum; // none where no line stands 10 dB out of the noise
};

DtNoise BandNoise(std::span<const float> x, int rate);

// The strongest line in the band standing at least 10 dB above the noise
// in the bins it covers.
std::optional<DtLine> LargestLine(const DtSpectrum& spectrum, DtBand band);

} // namespace korvanta
