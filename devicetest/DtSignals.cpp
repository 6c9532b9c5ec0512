#include "devicetest/DtSignals.h"

#include "devicetest/DtImd.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvanta {

namespace {
constexpr double kCcifRatio = 1.0;

double Peak(double dbfs) { return std::pow(10.0, dbfs / 20.0); }

double Cosine(double hz, size_t n, int rate)
{
    return std::cos(2.0 * std::numbers::pi * std::fmod(hz * static_cast<double>(n) / rate, 1.0));
}
} // namespace

std::vector<float> TwoToneSignal(int rate, double hz1, double hz2, double ratio, double peakDbfs)
{
    const double a2 = Peak(peakDbfs) / (ratio + 1.0);
    const double a1 = ratio * a2;
    std::vector<float> out(static_cast<size_t>(std::max(rate, 0)));
    for (size_t n = 0; n < out.size(); ++n)
        out[n] = static_cast<float>(a1 * Cosine(hz1, n, rate) + a2 * Cosine(hz2, n, rate));
    return out;
}

std::vector<float> ToneSignal(int rate, double hz, double peakDbfs)
{
    std::vector<float> out(static_cast<size_t>(std::max(rate, 0)));
    const double a = Peak(peakDbfs);
    for (size_t n = 0; n < out.size(); ++n)
        out[n] = static_cast<float>(a * Cosine(hz, n, rate));
    return out;
}

std::vector<float> SmpteSignal(int rate, double peakDbfs)
{
    return TwoToneSignal(rate, kSmpteLowHz, kSmpteHighHz, kSmpteRatio, peakDbfs);
}

std::vector<float> CcifSignal(int rate, double peakDbfs)
{
    return TwoToneSignal(rate, kCcifLowHz, kCcifHighHz, kCcifRatio, peakDbfs);
}

} // namespace korvanta
