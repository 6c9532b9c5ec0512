#include "ir/IrPeak.h"

#include "platform/KaiserWindow.h"

#include <cmath>
#include <numbers>

namespace korvanta {

namespace {

constexpr int kHalf = 32;
constexpr double kBeta = 8.0;

double Kernel(double x)
{
    if (std::abs(x) >= kHalf + 1)
        return 0.0;
    const double r = x / (kHalf + 1);
    const double sinc = x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
    return sinc * KaiserWindow(r, kBeta);
}

} // namespace

double InterpolateAt(const ImpulseResponse& ir, double t)
{
    const long long base = static_cast<long long>(std::floor(t));
    double y = 0.0;
    for (long long i = base - kHalf; i <= base + kHalf + 1; ++i)
        y += ir.at(i) * Kernel(t - static_cast<double>(i));
    return y;
}

IrPeak FindPeak(const ImpulseResponse& ir)
{
    IrPeak p;
    if (ir.h.empty())
        return p;
    const double fs = ir.rate;
    const long long before = static_cast<long long>(0.5 * ir.rateConstant * std::log(2.0) * fs);
    const long long harmonicZone = static_cast<long long>(ir.rateConstant * std::log(6.0) * fs) + before;
    const long long last = std::max<long long>(1, ir.size() - harmonicZone);
    long long best = 0;
    for (long long i = -before; i < last; ++i)
        if (std::abs(ir.at(i)) > std::abs(ir.at(best)))
            best = i;
    // Golden-section search for the largest |h| between the neighbours.
    double a = static_cast<double>(best) - 1.0, b = static_cast<double>(best) + 1.0;
    const double g = (std::sqrt(5.0) - 1.0) / 2.0;
    double c = b - g * (b - a), d = a + g * (b - a);
    double fc = std::abs(InterpolateAt(ir, c)), fd = std::abs(InterpolateAt(ir, d));
    for (int i = 0; i < 40; ++i) {
        if (fc > fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - g * (b - a);
            fc = std::abs(InterpolateAt(ir, c));
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + g * (b - a);
            fd = std::abs(InterpolateAt(ir, d));
        }
    }
    p.samples = 0.5 * (a + b);
    p.value = InterpolateAt(ir, p.samples);
    return p;
}

} // namespace korvanta
