#pragma once
// One channel's frequency response from a sweep step's recording, as the
// response figures take it: the impulse response's analysis (ir/IrAnalysis.h)
// with the fundamental's gate, its magnitude smoothed over 1/48 octave so no
// single bin's noise becomes an edge of the deviation band, and given as
// points over the measurement band, its ends included. A bad set-up the
// impulse response's checks find (no signal, clipping, drifting clocks, a
// latency beyond the tail) gives no points, only the problem. Plain
// function, no device, no widget.

#include "devicetest/DtConventions.h"
#include "devicetest/DtResponse.h"
#include "ir/IrChecks.h"
#include "ir/IrSweep.h"

#include <span>
#include <vector>

namespace korvanta {

// The fraction of an octave the fine curve is smoothed over: narrower than
// the bracket the stepped -3 dB points reached (0.2 %), wide enough at high
// frequencies to average a hundred bins.
inline constexpr int kDtSweepSmoothing = 48;

struct DtSweepResponse {
    IrProblem problem = IrProblem::None;
    std::vector<DtResponsePoint> points; // ascending, dB re the played sweep, within the band
};

// The highest frequency the response holds exactly: where the sweep's
// fade-out begins, less half the smoothing. At 48 kHz and above it lies
// above the band's 20 kHz; below about 45.7 kHz the band's top, 0.45·rate,
// lies beyond the highest sweep the rate allows, and the response ends here.
double SweepTopHz(const IrSweep& sweep);

// `recording` from the sweep's first played frame on; `sweep` as played
// (its level the channel's peak at the output). The points run from the
// band's low end to its high end or SweepTopHz, whichever is lower.
DtSweepResponse SweepResponse(std::span<const float> recording, const IrSweep& sweep, DtBand band);

// The fine curve at `hz`, linear in log f between its points; NaN outside.
double LevelOnCurve(std::span<const DtResponsePoint> sorted, double hz);

} // namespace korvanta
