#pragma once
// The impulse response judged by a tolerance band: the magnitude of every
// bin (smoothed when the rows carry it) where the sweep played at full
// level and the band lists limits. A bin in the fades is left alone: the
// division there is regularised and its magnitude falls by design, so a
// band reaching into them would fail every good device.

#include "cli/IrRows.h"
#include "cli/MeasureReport.h"
#include "cli/ToleranceBand.h"

#include <vector>

namespace korvanta {

// One failure line per run of neighbouring bins outside the band, with the
// worst of them ("95.21 .. 130.37 Hz: magnitude -1.20 dB at 101.07 Hz
// outside -0.50 .. 0.50 dB").
Verdict CheckIrResponse(const std::vector<IrRow>& rows, const ToleranceBand& band, double fLow, double fHigh);

} // namespace korvanta
