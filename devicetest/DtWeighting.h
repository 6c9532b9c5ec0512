#pragma once
// A-weighting by its closed form (poles at 20.6, 107.7, 737.9 and
// 12194 Hz, normalised to 0 dB at 1 kHz by +2.00 dB), for the device test's
// weighted noise figures. The analyzer's weighting table is an older,
// coarser curve and differs from this one by 2.5 dB at 10 kHz.

namespace korvanta {

// The A-weighting gain at `hz`, dB.
double AWeightingDb(double hz);

// The same as a power factor, 10^(dB/10).
double AWeightingPower(double hz);

} // namespace korvanta
