#include "ir/IrCorrection.h"

#include <cmath>

namespace korvanta {

bool ApplyOutputCorrection(IrResponse& response, const CorrectionTable& output, double fLow, double fHigh)
{
    if (!output.active || output.count == 0)
        return true;
    if (!SplineFiniteBetween(output, fLow, fHigh))
        return false;
    for (size_t k = 0; k < response.h.size(); ++k) {
        const double f = k * response.binHz;
        if (f >= fLow && f <= fHigh)
            response.h[k] *= std::pow(10.0, Correct(output, 1, f, 0.0) / 20.0);
    }
    return true;
}

} // namespace korvanta
