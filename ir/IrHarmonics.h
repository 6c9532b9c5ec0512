#pragma once
// The distortion against frequency from the same sweep: harmonic k's own
// impulse response lies L·ln k before the fundamental's; each is gated out
// and its spectrum at k·f, over the fundamental's at f, is the level of
// that harmonic for a sine of the sweep's level at f.
//
// A harmonic is known only where k·f lies in the swept band at full level
// (between the fades), so Hk is given up to that band's top over k; THD sums the harmonics 2 … 5 that lie in the band (what
// a measuring band ending at f2 would see), from f1 to f2/2.

#include "ir/IrDeconvolve.h"
#include "ir/IrPeak.h"

#include <array>
#include <vector>

namespace korvanta {

inline constexpr int kIrHighestHarmonic = 5;

struct IrHarmonicCurves {
    std::vector<double> freq;                               // the fundamental's frequency, Hz
    std::array<std::vector<double>, kIrHighestHarmonic - 1> levelDb; // H2 … H5 re the fundamental, NaN where unknown
    std::vector<double> thdDb;                              // NaN where unknown
};

IrHarmonicCurves HarmonicsOf(const ImpulseResponse& ir, const IrPeak& peak);

} // namespace korvanta
