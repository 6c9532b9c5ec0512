// Harmonics against frequency and the noise floor, measured on the virtual
// card and held against the card's polynomial and noise.

#include "ir/IrHarmonics.h"
#include "ir/IrResponse.h"
#include "tests/ir/IrRecording.h"

#include <cmath>

using namespace korvanta;
using namespace korvanta::irtest;

namespace {

constexpr int kRate = 48000;

// The RMS of h, dB re its peak, from 200 ms after the peak for 100 ms:
// clear of the fundamental's decay and of H2 … H5, which lie before the
// peak.
double FloorDb(const Measured& m)
{
    const long long from = std::llround(m.peak.samples) + kRate / 5, count = kRate / 10;
    double sum = 0.0;
    for (long long i = from; i < from + count; ++i)
        sum += m.ir.at(i) * m.ir.at(i);
    return 20.0 * std::log10(std::sqrt(sum / static_cast<double>(count)) / std::abs(m.peak.value));
}

} // namespace

// y = x + k2·x² + k3·x³ with x a sine of peak A: H2 = (k2·A/2) / F and
// H3 = (k3·A²/4) / F over the fundamental F = 1 + 3·k3·A²/4.
TEST(IrHarmonics, SecondAndThirdFollowThePolynomial)
{
    struct Case {
        double k2, k3, levelDbfs;
    };
    const Case cases[] = {{0.02, 0.0, -6.0}, {0.0, 0.05, -6.0}, {0.05, 0.02, -10.0}};
    for (const Case& c : cases) {
        IrSweep sweep = Sweep(5.0, kRate, c.levelDbfs);
        sweep.f2 = 0.15 * kRate;
        SCOPED_TRACE(::testing::Message() << "k2 " << c.k2 << " k3 " << c.k3);
        const Measured m = Measure(Play(QStringLiteral("k2=%1 k3=%2").arg(c.k2).arg(c.k3), sweep).left, sweep);
        const IrHarmonicCurves h = HarmonicsOf(m.ir, m.peak);
        ASSERT_FALSE(h.freq.empty());
        const double a = std::pow(10.0, c.levelDbfs / 20.0);
        const double fundamental = 1.0 + 0.75 * c.k3 * a * a;
        const double want[2] = {20 * std::log10(std::abs(c.k2 * a / 2) / fundamental),
                                20 * std::log10(std::abs(c.k3 * a * a / 4) / fundamental)};
        int checked = 0;
        for (size_t i = 0; i < h.freq.size(); ++i) {
            if (h.freq[i] < 100.0)
                continue;
            for (int k = 0; k < 2; ++k) {
                if (std::isnan(h.levelDb[k][i]) || !std::isfinite(want[k]))
                    continue;
                EXPECT_NEAR(h.levelDb[k][i], want[k], 0.5) << "H" << k + 2 << " at " << h.freq[i] << " Hz";
                ++checked;
            }
        }
        EXPECT_GT(checked, 100);
    }
}

// White noise in the recording deconvolves to a floor that falls by 3 dB
// for every doubling of the sweep's length, and by 10·log10(n) dB for n
// sweeps averaged.
TEST(IrNoise, FloorFallsWithLengthAndAveraging)
{
    const QString dut = QStringLiteral("noise=-60");
    double previous = 0.0;
    for (double seconds : {1.0, 2.0, 4.0, 8.0}) {
        const IrSweep sweep = Sweep(seconds, kRate, -20.0);
        const double floor = FloorDb(Measure(Play(dut, sweep).left, sweep));
        if (seconds > 1.0) {
            EXPECT_NEAR(previous - floor, 3.0, 0.5) << seconds << " s";
        }
        previous = floor;
    }
    const IrSweep sweep = Sweep(1.0, kRate, -20.0);
    const double one = FloorDb(Measure(Play(dut, sweep).left, sweep));
    for (int n : {2, 4}) {
        const dttest::Stereo s = Play(dut, sweep, n);
        const std::vector<float> mean = AverageSweeps(s.left, 0, static_cast<size_t>(sweep.PeriodFrames()), n);
        ASSERT_EQ(mean.size(), static_cast<size_t>(sweep.PeriodFrames()));
        EXPECT_NEAR(one - FloorDb(Measure(mean, sweep)), 10.0 * std::log10(n), 1.0) << n << " sweeps";
    }
}
