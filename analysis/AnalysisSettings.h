#pragma once
// Settings of the THD+N and level analysis: a record shared with the
// spectrum analyzer that measures with it (which sets the sample rate and
// FFT size and reads the results' fundamental and the trigger threshold)
// and kept in the settings file's "ANALYSE" section.

#include "correction/CorrectionTable.h"

#include <QString>

namespace korvanta {

struct AnalysisSettings {
    bool thdOn = false;                   // THD+N shown; excludes levelOn
    bool levelOn = false;                 // band level shown; excludes thdOn
    bool fundamentalAuto = true;          // search the fundamental in each spectrum
    double sampleRate = 44100.0;          // Hz, of the analysed spectrum
    int fftPoints = 4096;                 // FFT length N of the analysed spectrum
    QString filterName = QStringLiteral("none");  // selected weighting curve
    int bandLow = 100;                    // Hz
    int bandHigh = 20000;                 // Hz
    double fundamentalThreshold = 0.001;  // linear; least bin magnitude of a fundamental (-60 dB)
    double binWidth = 0.0;                // sampleRate / fftPoints, set by each computation
    double fundamental = 1000.0;          // Hz: manual value, or the last one found (0 = none)

    // The menu toggles: invert one flag; switching one on switches the other off.
    void toggleThd();
    void toggleLevel();
};

// Reads the "ANALYSE" section of the settings file at `path` and selects the
// stored weighting into `weighting` (a "USER" curve is reloaded from the
// file it came from). Missing, zero or unreadable numbers take their
// defaults; negative ones are taken positive.
void ReadAnalysisSection(AnalysisSettings& settings, CorrectionTable& weighting, const QString& path);

// Writes the "ANALYSE" section in one atomic step. Returns false when the
// file could not be written (it then stays as it was).
bool WriteAnalysisSection(const AnalysisSettings& settings, const CorrectionTable& weighting,
                          const QString& path);

// Selects the weighting curve `name` into `weighting` and remembers the name.
// An unknown name selects "none".
void SelectFilter(AnalysisSettings& settings, CorrectionTable& weighting, const QString& name);

// The threshold as the settings file stores it: seven decimals, or exponent
// notation for values that seven decimals would visibly change.
QString FormatThreshold(double threshold);

} // namespace korvanta
