// The clocks of output and input in every band and at every rate, on the
// virtual card's analog path run offline: one test of its own, for its
// long sweeps.

#include "ir/IrAnalysis.h"
#include "tests/ir/IrRecording.h"

#include <cstdio>

using namespace korvanta;
using namespace korvanta::irtest;

// The clocks in every band and at every rate: a plain loop is never
// refused. One sweep of 5 s refuses 100 ppm either way where its band
// reaches 2 kHz and elsewhere says it did not check; two or more sweeps
// find the shift between the first and the last to a hundredth of a sample
// and refuse 100 ppm everywhere.
TEST(IrClocks, AcrossBandsAndRates)
{
    struct Row {
        double f1, f2;
        int rate;
        bool oneSweepChecks;
        double seconds; // of each of the sweeps played back to back
        int count;
    };
    const Row rows[] = {
        {20, 20000, 48000, true, 1.0, 2}, {20, 2000, 48000, true, 1.0, 2},   {20, 160, 48000, false, 1.0, 2},
        {20, 40, 48000, false, 1.0, 2},   {100, 1000, 48000, false, 1.0, 2}, {20, 200, 48000, false, 4.0, 4},
        {20, 900, 2000, false, 1.0, 2},   {20, 3600, 8000, true, 1.0, 2},    {20, 4961, 11025, true, 1.0, 2},
    };
    for (const Row& row : rows) {
        for (const double ppm : {0.0, 100.0, -100.0}) {
            SCOPED_TRACE(testing::Message()
                         << row.f1 << " .. " << row.f2 << " Hz at " << row.rate << " Hz, " << ppm << " ppm");
            const QString dut = QStringLiteral("delay=30.37 drift=%1").arg(ppm);
            IrSettings one;
            one.sweep = Sweep(5.0, row.rate);
            one.sweep.f1 = row.f1;
            one.sweep.f2 = row.f2;
            const dttest::Stereo a = Play(dut, one.sweep);
            const IrMeasurement single = AnalyseSweep(a.left, {}, one);
            const bool refused = ppm != 0.0 && row.oneSweepChecks;
            EXPECT_EQ(single.problem, refused ? IrProblem::ClockDrift : IrProblem::None) << single.driftDb << " dB";
            EXPECT_EQ(single.clockCheck, row.oneSweepChecks ? IrClockCheck::OneSweep : IrClockCheck::None);

            IrSettings several = one;
            several.sweep.seconds = row.seconds;
            several.sweep.count = row.count;
            const dttest::Stereo b = Play(dut, several.sweep, row.count);
            const IrMeasurement averaged = AnalyseSweep(b.left, {}, several);
            EXPECT_EQ(averaged.problem, ppm != 0.0 ? IrProblem::SweepsDrift : IrProblem::None);
            EXPECT_EQ(averaged.clockCheck, IrClockCheck::Sweeps);
            // The card's delay grows by the drift at every frame.
            const double shift = ppm * 1e-6 * (row.count - 1) * several.sweep.PeriodFrames();
            EXPECT_NEAR(averaged.sweepShiftSamples, shift, 0.01);
            std::printf(
                "%6.0f .. %5.0f Hz at %5d Hz, %+4.0f ppm: one sweep %s (%.1f dB), %d x %.0f s %s (%+.4f samples)\n",
                row.f1, row.f2, row.rate, ppm, IrProblemText(single.problem, 'E').isEmpty() ? "passes" : "refused",
                single.driftDb, row.count, row.seconds,
                IrProblemText(averaged.problem, 'E').isEmpty() ? "pass" : "refused", averaged.sweepShiftSamples);
        }
    }
}
