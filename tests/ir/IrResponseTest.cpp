// The response, delay and polarity measured on the virtual card, against
// the card's own model: its bilinear Butterworth sections and its delay.

#include "ir/IrResponse.h"
#include "tests/ir/IrRecording.h"

#include <cmath>
#include <complex>
#include <numbers>

using namespace korvanta;
using namespace korvanta::irtest;

namespace {

using Complex = std::complex<double>;
constexpr int kRate = 48000;

// The card's section at frequency f, from its own coefficients.
Complex Section(const DutSimulator::Biquad& b, double f, int rate)
{
    const Complex z1 = std::polar(1.0, -2.0 * std::numbers::pi * f / rate);
    return (b.b0 + b.b1 * z1 + b.b2 * z1 * z1) / (1.0 + b.a1 * z1 + b.a2 * z1 * z1);
}

} // namespace

TEST(IrResponse, FiltersWithFractionalDelaysMatchTheCardsSections)
{
    struct Case {
        const char* dut;
        double lp, hp, delay;
    };
    const Case cases[] = {
        {"lp=1000 delay=40.37", 1000, 0, 40.37},
        {"hp=20 delay=100.5", 0, 20, 100.5},
        {"lp=12000 hp=200 delay=64.81", 12000, 200, 64.81},
        {"hp=50 lp=5000 delay=10.37", 5000, 50, 10.37},
    };
    const IrSweep sweep = Sweep(1.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dut);
        const Measured m = MeasureDut(c.dut, sweep);
        const IrResponse r = ResponseOf(m.ir, FundamentalGate(m.ir, m.peak));
        ASSERT_FALSE(r.h.empty());
        double worstDb = 0, worstDeg = 0, worstAt = 0;
        for (size_t k = 1; k < r.h.size(); ++k) {
            const double f = k * r.binHz;
            if (f < 30.0 || f > 0.4 * kRate)
                continue;
            Complex want = 1.0;
            if (c.hp > 0)
                want *= Section(DutSimulator::butterworth(true, c.hp, kRate), f, kRate);
            if (c.lp > 0)
                want *= Section(DutSimulator::butterworth(false, c.lp, kRate), f, kRate);
            if (MagnitudeDb(want) < -40.0)
                continue;
            const double db = MagnitudeDb(r.h[k]) - MagnitudeDb(want);
            const double deg = std::remainder(PhaseDeg(r.h[k], f, c.delay, kRate) - std::arg(want) * 180 / std::numbers::pi, 360.0);
            if (std::abs(db) > std::abs(worstDb))
                worstDb = db, worstAt = f;
            worstDeg = std::max(worstDeg, std::abs(deg));
        }
        EXPECT_LT(std::abs(worstDb), 0.05) << "at " << worstAt << " Hz";
        EXPECT_LT(worstDeg, 1.0);
    }
}

TEST(IrResponse, DelayToAFractionOfASampleAndPolarity)
{
    struct Case {
        const char* dut;
        double delay;
        bool inverted;
    };
    const Case cases[] = {
        {"delay=0", 0.0, false},      {"delay=12", 12.0, false},     {"delay=40.25", 40.25, false},
        {"delay=40.5", 40.5, false},  {"delay=100.75", 100.75, false}, {"delay=10.37", 10.37, false},
        {"delay=33.1 invl=1", 33.1, true}, {"delay=7 invl=1", 7.0, true},
    };
    const IrSweep sweep = Sweep(0.5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dut);
        const Measured m = MeasureDut(c.dut, sweep);
        EXPECT_NEAR(m.peak.samples, c.delay, 0.05);
        EXPECT_NEAR(m.peak.latencyMs(kRate), 1000.0 * c.delay / kRate, 0.05 * 1000.0 / kRate);
        EXPECT_EQ(m.peak.inverted(), c.inverted);
        EXPECT_EQ(CheckResponse(m.ir, m.peak), IrProblem::None);
    }
}

// One reflection 3 ms late at -6 dB: all of it shows the comb between
// 20·log10(1 - g) and 20·log10(1 + g); a gate that ends before the echo
// leaves the direct sound, flat. The sweep runs to 0.45 of the rate, so
// the band's upper edge rings beyond the asserted band.
TEST(IrResponse, GateBeforeTheEchoRemovesTheComb)
{
    IrSweep sweep = Sweep(1.0);
    sweep.f2 = kIrTopShare * kRate;
    const Measured m = MeasureDut("delay=50 echo=3:-6", sweep);
    const double g = std::pow(10.0, -6.0 / 20.0);
    const IrResponse all = ResponseOf(m.ir, FundamentalGate(m.ir, m.peak));
    IrGate direct;
    direct.startMs = m.peak.latencyMs(kRate) - 1.0;
    direct.lengthMs = 3.5; // ends 0.5 ms before the echo
    direct.fadeMs = 0.25;
    const IrResponse gated = ResponseOf(m.ir, direct);
    double lo = HUGE_VAL, hi = -HUGE_VAL, flat = 0.0;
    for (size_t k = 1; k < all.h.size(); ++k) {
        const double f = k * all.binHz;
        if (f < 200.0 || f > 0.4 * kRate)
            continue;
        lo = std::min(lo, MagnitudeDb(all.h[k]));
        hi = std::max(hi, MagnitudeDb(all.h[k]));
    }
    for (size_t k = 1; k < gated.h.size(); ++k) {
        const double f = k * gated.binHz;
        // From where the 3.5 ms gate resolves to where the band's edge at
        // 0.45 of the rate starts to ring through its fades.
        if (f >= 1000.0 && f <= 0.35 * kRate)
            flat = std::max(flat, std::abs(MagnitudeDb(gated.h[k])));
    }
    EXPECT_NEAR(hi, 20 * std::log10(1 + g), 0.05);
    EXPECT_NEAR(lo, 20 * std::log10(1 - g), 0.3); // the notches fall between bins
    EXPECT_LT(flat, 0.05);
}

// The reference-channel mode: the left channel filtered and later, the right
// straight; their ratio is the filter and the difference of the delays,
// whatever both share (here a common high-pass) drops out.
TEST(IrResponse, ReferenceChannelGivesTheRatioOfTheChannels)
{
    const IrSweep sweep = Sweep(1.0);
    const dttest::Stereo s = Play("hp=100 lpl=2000 delayl=52.37 delayr=40", sweep);
    const std::vector<double> played = SweepSamples(sweep);
    const ImpulseResponse ratio = ReferenceRatio(Deconvolve(s.left, played, sweep), Deconvolve(s.right, played, sweep));
    const IrPeak peak = FindPeak(ratio);
    const IrResponse r = ResponseOf(ratio, FundamentalGate(ratio, peak));
    ASSERT_FALSE(r.h.empty());
    const DutSimulator::Biquad lp = DutSimulator::butterworth(false, 2000, kRate);
    double worst = 0.0, worstAt = 0.0;
    for (size_t k = 1; k < r.h.size(); ++k) {
        const double f = k * r.binHz;
        const Complex want = Section(lp, f, kRate);
        if (f < 30.0 || f > 0.4 * kRate || MagnitudeDb(want) < -40.0)
            continue;
        const double e = std::abs(MagnitudeDb(r.h[k]) - MagnitudeDb(want));
        if (e > worst)
            worst = e, worstAt = f;
    }
    EXPECT_LT(worst, 0.05) << "at " << worstAt << " Hz";
    // The same filter and the difference of the delays, measured alone.
    const Measured alone = MeasureDut("lp=2000 delay=12.37", sweep);
    EXPECT_NEAR(peak.samples, alone.peak.samples, 0.05);
}
