#pragma once
// The virtual card's filters as the tests compute them from their
// coefficients: |H| of its bilinear sections at a frequency, and where it
// falls 3 dB below its 1 kHz value. Shared by the figure tests and the
// whole chain's, so both hold the response against the same H(z).

#include "platform/audio/virtual/DutSimulator.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace korvanta::dttest {

// |H| of the card's filter sections at `hz`, from their coefficients.
inline double SectionsDb(const std::vector<DutSimulator::Biquad>& sections, double hz, int rate)
{
    const std::complex<double> z = std::polar(1.0, -2.0 * std::numbers::pi * hz / rate); // z^-1
    std::complex<double> h = 1.0;
    for (const auto& b : sections)
        h *= (b.b0 + b.b1 * z + b.b2 * z * z) / (1.0 + b.a1 * z + b.a2 * z * z);
    return 20.0 * std::log10(std::abs(h));
}

// Where |H| falls 3 dB below its 1 kHz value, by bisection between lo and hi.
inline double CornerOf(const std::vector<DutSimulator::Biquad>& s, double lo, double hi, int rate)
{
    const double target = SectionsDb(s, 1000.0, rate) - 3.0;
    const bool risingFromLo = SectionsDb(s, lo, rate) < target;
    for (int i = 0; i < 100; ++i) {
        const double mid = std::sqrt(lo * hi);
        ((SectionsDb(s, mid, rate) < target) == risingFromLo ? lo : hi) = mid;
    }
    return std::sqrt(lo * hi);
}

} // namespace korvanta::dttest
