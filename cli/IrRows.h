#pragma once
// The impulse response's figures as the result files hold them: one row per
// bin of the measured response across the swept band, every bin there, with
// the smoothed magnitude when asked for and the harmonics where their own
// curve has a point at the same frequency. Plain numbers, no text.

#include "ir/IrAnalysis.h"

#include <array>
#include <vector>

namespace korvanta {

struct IrRow {
    double freq = 0.0;         // Hz
    double magnitudeDb = 0.0;  // unsmoothed
    double phaseDeg = 0.0;     // with the measured latency taken out
    double groupDelayMs = 0.0; // absolute, the latency included
    double smoothedDb = 0.0;   // NaN without smoothing
    std::array<double, kIrHighestHarmonic - 1> harmonicDb{}; // H2 … H5, NaN where unknown
    double thdDb = 0.0;        // NaN where unknown
};

// The bins from f1 to f2 of the sweep. `smoothing` 0 for none, else 3 … 48.
// The harmonics' bins are those of the fundamental's own gate: both grids
// are the rate over a power of two, so the coarser one's frequencies are
// all on the finer one, and a row takes a harmonic value only where the two
// meet (every row with the default gate).
std::vector<IrRow> IrResultRows(const IrMeasurement& m, int smoothing);

} // namespace korvanta
