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
// How far above the highest bin of one stretch of noise the floor lies: a
// bin of another stretch exceeds that highest one about half the time, but
// by more than this hardly ever.
inline constexpr double kIrHarmonicFloorMarginDb = 6.0;

struct IrHarmonicCurves {
    std::vector<double> freq;                               // the fundamental's frequency, Hz
    std::array<std::vector<double>, kIrHighestHarmonic - 1> levelDb; // H2 … H5 re the fundamental, NaN where unknown
    std::vector<double> thdDb;                              // NaN where unknown
    // The level (dB re the fundamental) below which a harmonic's bin may be
    // noise: what noise alone reads in the harmonics' gates, laid on a
    // stretch of the response that holds nothing else, plus the margin.
    // NaN where the response holds no such stretch.
    double floorDb = 0.0;
};

// The harmonics are gated out of the response whose band rings after the
// peak only (CausalBand): the band's ringing before the fundamental's peak
// would fill the second harmonic's gate, which ends well before it, with
// the fundamental.
IrHarmonicCurves HarmonicsOf(const ImpulseResponse& ir, const IrPeak& peak);
// The same with the band's phase (MinimumPhase of ir.band) and the causal
// response at hand.
IrHarmonicCurves HarmonicsOf(const ImpulseResponse& ir, const ImpulseResponse& causal, const std::vector<double>& phase,
                             const IrPeak& peak);

} // namespace korvanta
