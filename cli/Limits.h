#pragma once
// Pass/fail limits of a test bench, checked against the values as printed.

#include "cli/MeasureReport.h"
#include "cli/ToleranceBand.h"

#include <optional>

namespace korvanta {

// THD+N of every measured channel at or below maxDb; a channel without a
// fundamental fails (its value is a residual level, not a THD+N).
Verdict CheckThdn(const AnalyzerSpectrum& s, std::optional<double> maxDb);

// Level of every measured channel within minDb .. maxDb.
Verdict CheckLevel(const AnalyzerSpectrum& s, std::optional<double> minDb, std::optional<double> maxDb);

// Every point whose frequency the band covers lies within it: the gain in
// the reference modes, both channels' levels in stereo mode. A point with a
// silent channel fails, inside the band or not.
Verdict CheckSweep(const SweepRun& run, const ToleranceBand& band);

} // namespace korvanta
