#pragma once
// Harmonic distortion of one channel of a recorded block, measured the way
// an amplifier test needs it: the fundamental's amplitude and each harmonic
// H2 ... H9 as a true amplitude ratio (20 log10 of amplitudes), THD from the
// harmonics alone, and THD+N from the program's own analysis with its band
// and weighting. Plain functions, no device and no widget.
//
// Amplitudes come from the power of each tone's main lobe, not from its peak
// bin, so a frequency between two bins reads the same as one on a bin.

#include "analysis/AnalysisSettings.h"
#include "correction/CorrectionTable.h"

#include <array>
#include <span>
#include <vector>

namespace korvanta {

inline constexpr int kHarmonicCount = 8; // H2 ... H9

// A 4-term Blackman-Harris window of n points: its side lobes lie below
// -92 dB, so a harmonic 90 dB under the fundamental is not buried in the
// fundamental's leakage (the analyzer's windows are chosen for levels).
std::vector<float> HarmonicWindow(int n);

// Mean of the squared window values: turns a lobe's power into amplitude.
double WindowMeanSquare(std::span<const float> window);

// Magnitudes |X_k| / N, k = 0 .. N/2-1, of channel `channel` (0 or 1) of an
// interleaved stereo block of window.size() frames, windowed. `scratch`
// holds 2 N floats of work space.
void HarmonicSpectrum(const float* interleaved, int channel, std::span<const float> window,
                      std::vector<float>& scratch, std::vector<float>& magnitudes);

// Peak amplitude (full-scale units) of the tone nearest `hz`: the power of
// the bins within 5 of its strongest bin, the strongest searched within 2
// bins of where `hz` falls.
double ToneAmplitude(std::span<const float> magnitudes, double windowMeanSquare, double binHz, double hz);

struct HarmonicMeasurement {
    double fundamentalHz = 0.0;
    double fundamentalAmplitude = 0.0; // peak, full-scale units
    // H2 ... H9 in dB relative to the fundamental; a harmonic whose lobe
    // would reach half the sample rate is absent (present false, value 0).
    std::array<double, kHarmonicCount> harmonicDb{};
    std::array<bool, kHarmonicCount> present{};
    double thdDb = 0.0;     // all present harmonics together
    double thdPercent = 0.0;
    double thdnDb = 0.0;    // the analysis' THD+N, fundamental fixed at fundamentalHz
    double thdnPercent = 0.0;
};

// Whether the measurement has a THD: at least one harmonic lies below half
// the sample rate. Without one, thdDb is no measurement (it reads as no
// harmonic at all) and is shown as absent, as an absent harmonic is.
bool HasThd(const HarmonicMeasurement& m);

// Measures a spectrum from HarmonicSpectrum at `sampleRate` whose
// fundamental lies at `fundamentalHz`. `analysis` supplies the band and the
// threshold of the THD+N and is not changed; `weighting` is applied to it.
HarmonicMeasurement MeasureHarmonics(std::span<const float> magnitudes, double windowMeanSquare, double sampleRate,
                                     double fundamentalHz, const AnalysisSettings& analysis,
                                     const CorrectionTable& weighting);

// dB of an amplitude ratio and its percentage, the two ways the results are
// shown.
double RatioToPercent(double db);

} // namespace korvanta
