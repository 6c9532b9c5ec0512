#include "platform/KaiserWindow.h"

#include <cmath>

namespace korvanta {

double BesselI0(double x)
{
    const double q = x * x / 4.0;
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 60 && term > sum * 1e-17; ++k) {
        term *= q / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

double KaiserWindow(double r, double beta)
{
    if (std::abs(r) > 1.0)
        return 0.0;
    return BesselI0(beta * std::sqrt(1.0 - r * r)) / BesselI0(beta);
}

} // namespace korvanta
