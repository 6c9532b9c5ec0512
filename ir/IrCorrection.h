#pragma once
// The output correction on a measured response: the sweep is played as it
// is, and the response is divided by the output's correction curve, so
// what is left is the device alone.

#include "correction/CorrectionTable.h"
#include "ir/IrResponse.h"

namespace korvanta {

// Divides every bin from `fLow` to `fHigh` by 10^(S(f)/20) of an active
// table; false, and the response untouched, when the curve is not a finite
// number over that band. An inactive or empty table changes nothing.
bool ApplyOutputCorrection(IrResponse& response, const CorrectionTable& output, double fLow, double fHigh);

} // namespace korvanta
