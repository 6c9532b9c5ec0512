#pragma once
// THD+N and band level of one channel's magnitude spectrum. Both work on the
// FFT bins, not on time samples: the fundamental is removed by leaving out
// the bins around it, and weighting adds the weighting curve's dB value to
// each bin before the bins are summed.
//
// A spectrum holds the linear magnitudes of bins 0 .. N/2-1, bin i at
// i * sampleRate / N. At most fftPoints / 2 bins of the span are used.

#include "analysis/AnalysisSettings.h"
#include "correction/CorrectionTable.h"
#include "platform/LevelConventions.h"

#include <span>

namespace korvanta {

// 20 / ln 10: turns the natural logarithm of a magnitude into dB.
inline constexpr double kDbFactor = 8.685889638;

// Turns the band's bin power sum into the level of the measured signal; a
// calibration constant users compare against their voltmeters.
inline constexpr double kLevelCorrectionDb = 8.17;

// Half the width, in bins, of the gap left around the fundamental.
inline constexpr int kFundamentalGapBins = 12;

// Power of bin magnitude m at frequency f. With the weighting curve active the
// curve's dB value at f is added to the bin's level first; an empty bin then
// counts as -192 dB.
double WeightedPower(const CorrectionTable& weighting, double m, double f, double dbFactor);

// The first bin with the largest magnitude above the threshold (unweighted),
// as a frequency; 0 when none exceeds it or the DC bin is the largest.
// Sets settings.binWidth.
double FindFundamental(AnalysisSettings& settings, std::span<const float> spectrum);

// THD+N in dB: the band's power outside +/- 12 bins of the fundamental
// relative to the power of all bins. Without a fundamental, the band's
// residual level in dB full scale. -192 when either sum is 0. With automatic
// fundamental the fundamental found (rounded to whole Hz) is stored in the
// settings.
double ThdPlusNoise(AnalysisSettings& settings, const CorrectionTable& weighting,
                    std::span<const float> spectrum, double dbFactor = kDbFactor);

// Level of the band's (weighted) power in dB plus `offset` and the level
// correction; -192 for an empty band or no signal.
double BandLevel(AnalysisSettings& settings, const CorrectionTable& weighting,
                 std::span<const float> spectrum, double offset, double dbFactor = kDbFactor);

} // namespace korvanta
