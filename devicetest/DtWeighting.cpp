#include "devicetest/DtWeighting.h"

#include <cmath>

namespace korvanta {

namespace {
constexpr double kPole1 = 20.6;
constexpr double kPole2 = 107.7;
constexpr double kPole3 = 737.9;
constexpr double kPole4 = 12194.0;
constexpr double kNormalisationDb = 2.00; // brings 1 kHz to 0 dB
} // namespace

double AWeightingDb(double hz)
{
    const double f2 = hz * hz;
    const double p1 = kPole1 * kPole1, p2 = kPole2 * kPole2, p3 = kPole3 * kPole3, p4 = kPole4 * kPole4;
    const double ra = p4 * f2 * f2 / ((f2 + p1) * std::sqrt((f2 + p2) * (f2 + p3)) * (f2 + p4));
    return 20.0 * std::log10(ra) + kNormalisationDb;
}

double AWeightingPower(double hz) { return hz <= 0.0 ? 0.0 : std::pow(10.0, AWeightingDb(hz) / 10.0); }

} // namespace korvanta
