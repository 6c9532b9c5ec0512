// The checks that give a message instead of a curve, the curves for the
// diagram, and the output correction.

#include "ir/IrAnalysis.h"
#include "ir/IrCorrection.h"
#include "ir/IrCurves.h"
#include "ir/IrResponse.h"
#include "tests/ir/IrRecording.h"

#include <cmath>
#include <cstdio>

using namespace korvanta;
using namespace korvanta::irtest;

TEST(IrChecks, EachBadSetUpGetsItsOwnProblem)
{
    struct Case {
        const char* dut;
        double seconds, tail, levelDbfs;
        int count;
        IrProblem want;
    };
    const Case cases[] = {
        {"delay=30", 5.0, 0.5, -6.0, 1, IrProblem::None},               // a plain loop
        {"delay=30", 1.0, 0.5, -6.0, 4, IrProblem::None},               // averaged
        {"delay=30.37 noise=-60", 1.0, 0.5, -20.0, 4, IrProblem::None}, // the peaks wander in noise, a little
        {"delay=30 drift=100", 5.0, 0.5, -6.0, 1, IrProblem::ClockDrift},
        {"delay=30 drift=-100", 5.0, 0.5, -6.0, 1, IrProblem::ClockDrift},
        // A short sweep hides the drift in its impulse; several show it.
        {"delay=30 drift=100", 1.0, 0.5, -6.0, 2, IrProblem::SweepsDrift},
        {"delay=30 drift=-20", 1.0, 0.5, -6.0, 2, IrProblem::SweepsDrift},
        {"delay=30 lp=1000 hp=20", 5.0, 0.5, -6.0, 1, IrProblem::None}, // causal filters smear after the peak only
        {"gain=-200", 1.0, 0.5, -6.0, 1, IrProblem::NoSignal},
        {"gain=-200 noise=-60", 1.0, 0.5, -6.0, 2, IrProblem::NoSignal},
        {"gain=10", 1.0, 0.5, -6.0, 1, IrProblem::Clipping},
        {"delay=2000", 1.0, 0.03, -6.0, 1, IrProblem::LatencyBeyondTail},
        // So late that only the sweep's first milliseconds are recorded:
        // the response holds nothing, but the recording ends loud.
        {"delay=65536", 1.0, 0.37, -6.0, 1, IrProblem::LatencyBeyondTail},
        // A high-pass swings back higher than it first rises in a low band.
        {"delay=30.37 hp=200", 5.0, 0.5, -6.0, 1, IrProblem::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dut << " " << c.seconds << " s x" << c.count);
        IrSettings settings;
        settings.sweep = Sweep(c.seconds, 48000, c.levelDbfs);
        settings.sweep.tailSeconds = c.tail;
        settings.sweep.count = c.count;
        const dttest::Stereo s = Play(c.dut, settings.sweep, c.count);
        const IrMeasurement m = AnalyseSweep(s.left, {}, settings);
        if (c.count > 1)
            std::printf("%s x%d: last sweep's impulse %+.3f samples from the first\n", c.dut, c.count,
                        m.sweepShiftSamples);
        EXPECT_EQ(m.problem, c.want) << "shift " << m.sweepShiftSamples << " samples, drift " << m.driftDb << " dB";
        EXPECT_EQ(m.ok(), c.want == IrProblem::None);
    }
}

TEST(IrChecks, SweepsThatDoNotFitTheRateAreRefusedWithAReason)
{
    struct Case {
        int rate;
        double f1, f2, seconds;
        IrSweepFit want;
    };
    const Case cases[] = {
        {48000, 20, 20000, 1, IrSweepFit::Fits},   {44100, 20, 20000, 1, IrSweepFit::TooHigh},
        {48000, 20, 20000, 0.2, IrSweepFit::BadLength}, {48000, 20, 20000, 25, IrSweepFit::BadLength},
        {48000, 500, 600, 1, IrSweepFit::BadBand}, {384000, 20, 20000, 20, IrSweepFit::TooLong},
        {500, 20, 200, 1, IrSweepFit::BadRate},
    };
    for (const Case& c : cases) {
        IrSweep s = DefaultSweep(c.rate);
        s.f1 = c.f1;
        s.f2 = c.f2;
        s.seconds = c.seconds;
        EXPECT_EQ(CheckSweep(s), c.want) << c.rate << " Hz " << c.f2 << " Hz " << c.seconds << " s";
        EXPECT_EQ(SweepSamples(s).empty(), c.want != IrSweepFit::Fits);
        for (char letter : {'D', 'E'})
            EXPECT_EQ(SweepFitText(c.want, s, letter).isEmpty(), c.want == IrSweepFit::Fits);
    }
    EXPECT_NE(SweepFitText(IrSweepFit::TooHigh, DefaultSweep(44100), 'D'),
              SweepFitText(IrSweepFit::TooHigh, DefaultSweep(44100), 'E'));
}

TEST(IrChecks, EveryProblemHasATextInBothLanguages)
{
    for (IrProblem p : {IrProblem::SweepDoesNotFit, IrProblem::Clipping, IrProblem::NoSignal,
                        IrProblem::LatencyBeyondTail, IrProblem::ClockDrift, IrProblem::SweepsDrift}) {
        const QString de = IrProblemText(p, 'D'), en = IrProblemText(p, 'E');
        EXPECT_FALSE(de.isEmpty());
        EXPECT_FALSE(en.isEmpty());
        EXPECT_NE(de, en);
    }
    EXPECT_TRUE(IrProblemText(IrProblem::None, 'E').isEmpty());
}

// A 1/n-octave smoothing of a single spike spreads it over the bins of one
// 1/n octave; the reduction keeps at most 2000 points and a flat curve flat.
TEST(IrCurves, SmoothingAndReduction)
{
    const double binHz = 1.0;
    std::vector<double> power(20001, 1.0);
    power[10000] = 1.0 + 1000.0;
    for (int fraction : {3, 12, 48}) {
        const std::vector<double> s = SmoothOctave(power, binHz, fraction);
        const double width = 10000.0 * (std::exp2(0.5 / fraction) - std::exp2(-0.5 / fraction));
        EXPECT_NEAR(s[10000] - 1.0, 1000.0 / width, 1000.0 / width * 0.05) << "1/" << fraction;
        EXPECT_DOUBLE_EQ(s[5000], 1.0) << "1/" << fraction;
    }
    std::vector<double> freq(power.size()), db(power.size(), -3.0);
    for (size_t i = 0; i < freq.size(); ++i)
        freq[i] = static_cast<double>(i) * binHz;
    for (IrReduce mode : {IrReduce::PowerMean, IrReduce::Nearest}) {
        const IrCurve c = ReduceLogSpaced(freq, db, 2.0, 20000.0, mode);
        EXPECT_LE(c.freq.size(), static_cast<size_t>(kIrMaxDiagramPoints));
        EXPECT_GT(c.freq.size(), 1000u);
        for (double v : c.value)
            EXPECT_NEAR(v, -3.0, 1e-9);
    }
}

TEST(IrCorrection, TheResponseIsDividedByTheOutputCurve)
{
    const IrSweep sweep = Sweep(0.5);
    const Measured m = MeasureDut("delay=20", sweep);
    IrResponse r = ResponseOf(m.ir, FundamentalGate(m.ir, m.peak));
    const IrResponse plain = r;
    CorrectionTable table;
    const CorrectionPair points[] = {{20.0, 3.0}, {20000.0, 3.0}};
    SetCorrectionPoints(table, points);
    ASSERT_TRUE(ApplyOutputCorrection(r, table, 20.0, 20000.0)); // inactive: unchanged
    EXPECT_EQ(r.h, plain.h);
    table.active = true;
    ASSERT_TRUE(ApplyOutputCorrection(r, table, 20.0, 20000.0));
    const size_t k = static_cast<size_t>(1000.0 / r.binHz);
    EXPECT_NEAR(MagnitudeDb(r.h[k]) - MagnitudeDb(plain.h[k]), -3.0, 1e-9);
}

// The whole analysis as the engine and the command use it: the averaged
// sweeps, the reference mode, the output correction and a refused set-up
// each reach the result the way a user sees it.
TEST(IrAnalysis, FromRecordingToResult)
{
    struct Case {
        const char* dut;
        int count;
        bool reference;
        bool corrected;       // an active output curve of +3 dB
        IrProblem want;
        double delay;         // samples, of the response (the ratio's in reference mode)
        double levelAt1kDb;
    };
    const Case cases[] = {
        {"delayl=30.25 delayr=30.25", 1, false, false, IrProblem::None, 30.25, 0.0},
        {"delay=12 invl=1", 3, false, false, IrProblem::None, 12.0, 0.0},
        {"delayl=52.5 delayr=40 gainl=-6", 1, true, false, IrProblem::None, 12.5, -6.0},
        {"delay=20", 1, false, true, IrProblem::None, 20.0, -3.0},
        {"gain=-200", 2, false, false, IrProblem::NoSignal, 0, 0},
        {"gain=10", 1, true, false, IrProblem::Clipping, 0, 0},
    };
    CorrectionTable output;
    const CorrectionPair points[] = {{20.0, 3.0}, {20000.0, 3.0}};
    SetCorrectionPoints(output, points);
    output.active = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dut);
        IrSettings settings;
        settings.sweep = Sweep(0.5);
        settings.sweep.count = c.count;
        settings.referenceMode = c.reference;
        const dttest::Stereo s = Play(c.dut, settings.sweep, c.count);
        const IrMeasurement m = AnalyseSweep(s.left, s.right, settings, c.corrected ? &output : nullptr);
        EXPECT_EQ(m.problem, c.want);
        EXPECT_EQ(m.ok(), c.want == IrProblem::None);
        if (!m.ok())
            continue;
        EXPECT_NEAR(m.peak.samples, c.delay, 0.05);
        EXPECT_EQ(m.peak.inverted(), std::string(c.dut).find("invl") != std::string::npos);
        const size_t k = static_cast<size_t>(std::lround(1000.0 / m.response.binHz));
        EXPECT_NEAR(MagnitudeDb(m.response.h[k]), c.levelAt1kDb, 0.05);
        // A response without the fundamental's harmonics in the band has
        // them far below the fundamental.
        EXPECT_LT(m.harmonics.thdDb[m.harmonics.thdDb.size() / 4], -60.0);
        // Below the full-level band no harmonic is known, so neither is THD.
        EXPECT_TRUE(std::isnan(m.harmonics.thdDb.front()));
        EXPECT_GT(m.peakToNoiseDb, kIrMinPeakToNoiseDb);
    }
}

// A new gate on a stored measurement gives the gate's response alone.
TEST(IrAnalysis, RegateKeepsTheMeasurement)
{
    IrSettings settings;
    settings.sweep = Sweep(1.0);
    const dttest::Stereo s = Play("delay=50 echo=3:-6", settings.sweep);
    IrMeasurement m = AnalyseSweep(s.left, s.right, settings);
    ASSERT_TRUE(m.ok());
    const ImpulseResponse before = m.ir;
    IrGate direct{m.peak.latencyMs(48000) - 1.0, 3.5, 0.25};
    Regate(m, direct);
    EXPECT_EQ(m.gate, direct);
    EXPECT_EQ(m.ir.h, before.h);
    const size_t k = static_cast<size_t>(std::lround(2000.0 / m.response.binHz));
    EXPECT_NEAR(MagnitudeDb(m.response.h[k]), 0.0, 0.05);
    Regate(m, IrGate{});
    EXPECT_EQ(m.gate, FundamentalGate(m.ir, m.peak));
}

// A gate is taken only within the response's times: it ends by the tail's
// end and begins no earlier than the response reaches before the first
// played frame, else it would wrap around onto the other end. Outside, no
// response is left; before the run, the limits refuse what no latency the
// tail holds could make fit.
TEST(IrAnalysis, AGateOutsideTheResponseLeavesNoResponse)
{
    IrSettings settings;
    settings.sweep = Sweep(1.0);                                // 72000 frames a period: 2730.67 ms of response
    const dttest::Stereo s = Play("delay=480", settings.sweep); // 10 ms
    IrMeasurement m = AnalyseSweep(s.left, {}, settings);
    ASSERT_TRUE(m.ok());
    const IrGateLimits after = GateLimitsOf(m), before = GateLimitsBefore(settings.sweep);
    const struct {
        double start, length;
        bool inside, possible;
    } cases[] = {
        {-1, 3, true, true},     {-50, 540, true, true}, // to the tail's end
        {-50, 541, false, true}, {5000, 1, false, false}, {-60000, 3, false, false},
        {-2200, 3, true, true},  {-2300, 3, false, true}, // the negative times' own end
        {0, 3000, false, false},                          // longer than the response
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << ":" << c.length);
        EXPECT_EQ(after.Hold(c.start, c.length), c.inside);
        EXPECT_EQ(before.Hold(c.start, c.length), c.possible);
        Regate(m, GateFromPeak(m, c.start, c.length));
        EXPECT_EQ(m.response.h.empty(), !c.inside);
    }
    for (char letter : {'D', 'E'})
        EXPECT_TRUE(GateOutsideText(after, letter).contains(letter == 'E' ? "490.00" : "490,00"));
}
