#include "analysis/SpectrumAnalysis.h"

#include "platform/SharedRoutines.h"
#include "analysis/WeightingCurves.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

size_t binCount(const AnalysisSettings& s, std::span<const float> spectrum)
{
    const size_t half = s.fftPoints > 0 ? static_cast<size_t>(s.fftPoints / 2) : 0;
    return std::min(half, spectrum.size());
}

double updateBinWidth(AnalysisSettings& s)
{
    s.binWidth = s.sampleRate / s.fftPoints;
    return s.binWidth;
}

bool inBand(const AnalysisSettings& s, double f) { return s.bandLow <= f && f <= s.bandHigh; }

// dB of a power ratio or sum, with the caller's factor for natural logarithms.
double powerToDb(double power, double dbFactor) { return dbFactor * std::log(std::sqrt(power)); }

} // namespace

double WeightedPower(const CorrectionTable& weighting, double m, double f, double dbFactor)
{
    if (!weighting.active)
        return m * m;
    const double weighted =
        m == 0.0 ? Pow10(kNoSignalDb / 20.0) : Pow10(Correct(weighting, -1, f, dbFactor * std::log(m)) / 20.0);
    return weighted * weighted;
}

double FindFundamental(AnalysisSettings& s, std::span<const float> spectrum)
{
    const double binWidth = updateBinWidth(s);
    const size_t n = binCount(s, spectrum);
    double best = s.fundamentalThreshold;
    size_t bestBin = 0;
    for (size_t i = 0; i < n; ++i) {
        if (spectrum[i] > best) {
            best = spectrum[i];
            bestBin = i;
        }
    }
    return bestBin == 0 ? 0.0 : bestBin * binWidth;
}

double ThdPlusNoise(AnalysisSettings& s, const CorrectionTable& weighting, std::span<const float> spectrum,
                    double dbFactor)
{
    const double binWidth = updateBinWidth(s);
    if (s.fundamentalAuto)
        s.fundamental = std::nearbyint(FindFundamental(s, spectrum));
    const double gapLow = s.fundamental - kFundamentalGapBins * binWidth;
    const double gapHigh = s.fundamental + kFundamentalGapBins * binWidth;
    double total = 0.0;
    double residual = 0.0;
    const size_t n = binCount(s, spectrum);
    for (size_t i = 0; i < n; ++i) {
        const double f = i * binWidth;
        const double p = WeightedPower(weighting, spectrum[i], f, dbFactor);
        total += p;
        if (inBand(s, f) && (s.fundamental == 0.0 || f < gapLow || f > gapHigh))
            residual += p;
    }
    if (total == 0.0 || residual == 0.0)
        return kNoSignalDb;
    if (s.fundamental != 0.0)
        return powerToDb(residual / total, dbFactor);
    return powerToDb(residual, dbFactor);
}

double BandLevel(AnalysisSettings& s, const CorrectionTable& weighting, std::span<const float> spectrum,
                 double offset, double dbFactor)
{
    const double binWidth = updateBinWidth(s);
    double sum = 0.0;
    const size_t n = binCount(s, spectrum);
    for (size_t i = 0; i < n; ++i) {
        const double f = i * binWidth;
        if (inBand(s, f))
            sum += WeightedPower(weighting, spectrum[i], f, dbFactor);
    }
    if (sum == 0.0)
        return kNoSignalDb;
    return offset + powerToDb(sum, dbFactor) + kLevelCorrectionDb;
}

} // namespace korvanta
