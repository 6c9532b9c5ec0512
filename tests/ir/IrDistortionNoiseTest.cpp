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

// A loop without distortion reads no harmonic: at 24 bits none above
// -100 dB, at 16 bits none above the floor the measurement states, from
// 30 Hz with the default sweep of one second. A device with k2 = k3 = 0.001
// at -6 dBFS reads H2 = k2·A/2 and H3 = k3·A²/4 within 0.5 dB from 30 Hz
// (at 96 kHz: a device that distorts digitally folds H3 onto H2 from about
// a sixth of the rate on, and at 96 kHz that lies above the band). H2 and
// H3 are there at every frequency from 30 Hz on where k·f lies in the band
// at full level, and no harmonic is there beyond.
TEST(IrHarmonics, ACleanLoopLeavesNoneAboveTheFloorAndAPolynomialReadsItsLevels)
{
    const double a = 0.5; // -6 dBFS
    const struct {
        const char* dut;
        int rate, bits;
        double h2Db, h3Db; // what H2 and H3 read; NaN: the loop is clean
        double cleanDb;    // the highest any harmonic may read when clean; NaN: the stated floor
    } cases[] = {
        {"delay=10.37", kRate, 24, NAN, NAN, -100.0},
        {"delay=10.37", kRate, 16, NAN, NAN, NAN},
        {"delay=3", 44100, 16, NAN, NAN, NAN},
        {"k2=0.001 k3=0.001", 96000, 24, 20 * std::log10(0.001 * a / 2), 20 * std::log10(0.001 * a * a / 4), NAN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.dut << " at " << c.rate << " Hz, " << c.bits << " bits");
        const IrSweep sweep = Sweep(1.0, c.rate);
        const std::vector<double> x = SweepSamples(sweep);
        const dttest::Stereo s = dttest::Record(
            Dut(c.dut), c.rate, 32, c.bits, [&x](size_t n, int) { return n < x.size() ? x[n] : 0.0; }, x.size());
        const Measured m = Measure(s.left, sweep);
        const IrHarmonicCurves h = HarmonicsOf(m.ir, m.peak);
        ASSERT_TRUE(std::isfinite(h.floorDb));
        const double clean = std::isnan(c.cleanDb) ? h.floorDb : c.cleanDb;
        const double want[2] = {c.h2Db, c.h3Db};
        int read = 0;
        for (size_t i = 0; i < h.freq.size(); ++i) {
            const double f = h.freq[i];
            for (int k = 2; k <= kIrHighestHarmonic; ++k) {
                const double v = h.levelDb[size_t(k - 2)][i];
                if (k * f > FullLevelHighHz(sweep) || f < FullLevelLowHz(sweep)) {
                    EXPECT_TRUE(std::isnan(v)) << "H" << k << " at " << f << " Hz";
                    continue;
                }
                if (f < 30.0)
                    continue;
                ASSERT_FALSE(std::isnan(v)) << "H" << k << " at " << f << " Hz";
                if (std::isnan(c.h2Db)) {
                    EXPECT_LE(v, clean) << "H" << k << " at " << f << " Hz";
                } else if (k <= 3) {
                    EXPECT_NEAR(v, want[k - 2], 0.5) << "H" << k << " at " << f << " Hz";
                }
                ++read;
            }
        }
        EXPECT_GT(read, 10000);
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
