// The device test's plan without a device: the default plan's steps and
// duration, loop buffers without a seam, the levels each output channel
// plays, the recording split into its channels the right way round, and
// the header.
#include "devicetest/DtDistortion.h"
#include "devicetest/DtHeaderSource.h"
#include "devicetest/DtPlan.h"
#include "devicetest/DtPlanSignal.h"
#include "devicetest/DtSineFit.h"
#include "devicetest/DtSweepResponse.h"

#include <QTimeZone>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

using namespace korvanta;

namespace {

int count(const DtPlan& plan, DtStepKind kind)
{
    int n = 0;
    for (const DtStep& s : plan.steps)
        n += s.kind == kind;
    return n;
}

// The default plan at 48 kHz, worked by hand: the response is one sweep
// step of 0.5 + 2 + 0.5 s = 144000 frames; besides it 2 short steps of 8192
// frames, 5 long ones of 65536, 10 medium ones of 16384, and 18 settle
// waits of 200 ms: 3.6 s + 651904 frames / 48 kHz = 17.181 s. (Stepped, the
// response took 31 tone steps and some 30 added ones around its corners.)
TEST(DtPlan, DefaultPlanAt48kHzIsKnownInAdvance)
{
    const DtPlan plan = DefaultDtPlan(DtPlanSettings{});
    const std::map<DtStepKind, int> expected{
        {DtStepKind::Level, 2},        {DtStepKind::Noise, 1},     {DtStepKind::Response, 1},
        {DtStepKind::DynamicRange, 1}, {DtStepKind::Thd, 1},       {DtStepKind::ImdSmpte, 1},
        {DtStepKind::ImdCcif, 1},      {DtStepKind::Crosstalk, 6}, {DtStepKind::CrosstalkOff, 1},
        {DtStepKind::Match, 2},        {DtStepKind::MaxLevel, 1},
    };
    for (const auto& [kind, n] : expected)
        EXPECT_EQ(count(plan, kind), n) << int(kind);
    ASSERT_EQ(plan.steps.size(), 18u);
    EXPECT_TRUE(plan.approximate) << "the maximum-level search adds its steps";

    const RunEstimate e = DtPlanEstimate(plan, 48000);
    ASSERT_EQ(e.Steps(), 18);
    EXPECT_TRUE(e.approximate);
    constexpr int kWorkedMs = 17181;
    EXPECT_NEAR(TimeLeftMs(e, 0), kWorkedMs, e.Steps()) << "one ms of rounding per step";
    EXPECT_EQ(TimeLeftMs(e, 3), TimeLeftMs(e, 0) - e.stepMs[0] - e.stepMs[1] - e.stepMs[2]);

    // The checks come first: each channel's tone alone, then the idle floor.
    EXPECT_EQ(plan.steps[0].plays, DtPlays::LeftOnly);
    EXPECT_EQ(plan.steps[1].plays, DtPlays::RightOnly);
    EXPECT_TRUE(plan.steps[2].Silent());
    const DtStep& sweep = plan.steps[3];
    ASSERT_TRUE(sweep.sweep.has_value());
    EXPECT_FALSE(sweep.Silent());
    EXPECT_TRUE(sweep.frequencies.empty());
    EXPECT_EQ(sweep.plays, DtPlays::Both);
    EXPECT_EQ(sweep.reference, DtLevelRef::Input);
    EXPECT_DOUBLE_EQ(sweep.levelDb, -10.0) << "the stepped response's level at the input";
    EXPECT_EQ(sweep.frames, 144000);
    EXPECT_EQ(e.stepMs[3], 200 + 3000) << "the estimate counts the sweep's whole stretch";
    const DtStep& thd = plan.steps[5];
    EXPECT_EQ(thd.kind, DtStepKind::Thd);
    EXPECT_EQ(thd.reference, DtLevelRef::Input);
    EXPECT_DOUBLE_EQ(thd.levelDb, -1.0);
}

// The sweep at each rate: it fits the rate, plays at full level from below
// the band's 20 Hz, and reaches the band's top at full level wherever the
// rate leaves room above it; below about 45.7 kHz the response ends where
// the highest sweep the rate allows begins its fade.
TEST(DtPlan, BandAndImdFollowTheRate)
{
    struct Case {
        int rate;
        double high;
        bool ccif;
        bool wholeBand; // the sweep holds the band's top at full level
    };
    const Case cases[] = {{32000, 14400.0, false, false},
                          {44100, 19845.0, true, false},
                          {48000, 20000.0, true, true},
                          {96000, 20000.0, true, true},
                          {192000, 20000.0, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        DtPlanSettings s;
        s.rate = c.rate;
        const DtPlan plan = DefaultDtPlan(s);
        EXPECT_EQ(count(plan, DtStepKind::ImdCcif), c.ccif ? 1 : 0);
        EXPECT_DOUBLE_EQ(DtBandHighHz(c.rate), c.high);
        const DtSweep sweep = DtResponseSweep(c.rate);
        const IrSweep played = DtIrSweep(sweep, c.rate, 1.0);
        EXPECT_EQ(CheckSweep(played), IrSweepFit::Fits);
        EXPECT_LE(FullLevelLowHz(played), kDtBandLowHz);
        EXPECT_LE(sweep.f2Hz, 0.45 * c.rate);
        EXPECT_EQ(SweepTopHz(played) >= c.high, c.wholeBand);
        EXPECT_GT(SweepTopHz(played), 0.96 * c.high) << "never more than 0.06 octave short of the band";
        for (const DtStep& step : plan.steps) {
            for (double hz : step.frequencies)
                EXPECT_LE(hz, 0.4535 * c.rate);
            if (step.sweep) {
                EXPECT_EQ(*step.sweep, sweep);
                EXPECT_EQ(step.frames, played.PeriodFrames() + int(std::lround(sweep.marginSeconds * c.rate)));
            }
        }
    }
}

// A sweep step's stretch is cut where the sweep's first frame was marked;
// without a mark, or with too little after it for the sweep and its tail,
// nothing is handed on as if it were the sweep.
TEST(DtPlanSignal, SweepRecordingIsCutAtItsFirstPlayedFrame)
{
    DtRecording whole;
    whole.rate = 48000;
    for (int i = 0; i < 100; ++i) {
        whole.left.push_back(float(i));
        whole.right.push_back(float(-i));
    }
    struct Case {
        long long mark;
        long long period;
        bool aligned;
    };
    const Case cases[] = {{0, 100, true}, {30, 70, true}, {30, 60, true}, {31, 70, false}, {-1, 10, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mark " << c.mark << " period " << c.period);
        const DtRecording cut = DtFromFirstPlayed(whole, c.mark, c.period);
        EXPECT_EQ(cut.aligned, c.aligned);
        EXPECT_EQ(cut.rate, whole.rate);
        if (!c.aligned) {
            EXPECT_TRUE(cut.left.empty() && cut.right.empty());
            continue;
        }
        ASSERT_EQ(cut.left.size(), size_t(100 - c.mark));
        EXPECT_EQ(cut.left.front(), float(c.mark));
        EXPECT_EQ(cut.right.front(), float(-c.mark));
    }
}

// The sweep's buffer: the ir library's sweep and its tail, each channel at
// its own peak, in the output's format.
TEST(DtPlanSignal, SweepBufferPlaysEachChannelAtItsPeak)
{
    constexpr int kRate = 48000;
    DtStep step = DtSweepStep(DtResponseSweep(kRate), kRate, 0);
    const DtPeaks peaks{0.5, 0.25, false};
    const std::vector<double> x = SweepSamples(DtIrSweep(*step.sweep, kRate, 1.0));
    ConversionParams params;
    params.bits = 32;
    const DtRecording r = DtRecordingFromPcm(DtSweepBuffer(step, peaks, kRate, 32), params, kRate);
    ASSERT_EQ(r.left.size(), x.size());
    double worst = 0.0;
    for (size_t i = 0; i < x.size(); ++i)
        worst = std::max({worst, std::abs(r.left[i] - 0.5 * x[i]), std::abs(r.right[i] - 0.25 * x[i])});
    EXPECT_LT(worst, 1e-6);
    step.sweep.reset();
    EXPECT_TRUE(DtSweepBuffer(step, peaks, kRate, 32).empty()) << "no sweep, nothing to play";
}

// A loop that is not whole periods jumps in phase where it restarts: the
// frame after its last must be its first.
TEST(DtPlanSignal, LoopsHoldWholePeriods)
{
    const std::vector<std::vector<double>> tones{{997.0}, {20.0}, {19.7}, {12345.6}, {60.0, 7000.0},
                                                 {18000.0, 19000.0}, {1234.5678}};
    for (const int rate : {44100, 48000, 96000})
        for (const auto& f : tones) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << f.front());
            const DtLoop loop = DtLoopFor(f, rate);
            ASSERT_EQ(loop.frequencies.size(), f.size());
            EXPECT_GE(loop.frames, rate / 4);
            EXPECT_LE(loop.frames, rate);
            for (size_t k = 0; k < f.size(); ++k) {
                const double periods = loop.frequencies[k] * loop.frames / rate;
                EXPECT_NEAR(periods, std::round(periods), 1e-9);
                // 0.2 % brackets a -3 dB point; the loop moves far less.
                EXPECT_NEAR(loop.frequencies[k] / f[k], 1.0, 1e-4);
                if (f[k] == std::round(f[k])) {
                    EXPECT_DOUBLE_EQ(loop.frequencies[k], f[k]) << "whole Hz stay exact";
                }
            }
        }
}

TEST(DtPlanSignal, EachChannelPlaysItsLevel)
{
    const double gain[2] = {-6.0, 3.0};
    const double unknown[2] = {-INFINITY, NAN};
    struct Case {
        const char* name;
        DtPlays plays;
        DtLevelRef ref;
        double levelDb;
        const double* gainDb;
        double leftDb, rightDb; // -inf: digital zero
        bool limited;
    };
    const Case cases[] = {
        {"at the output", DtPlays::Both, DtLevelRef::Output, -10.0, gain, -10.0, -10.0, false},
        {"at the input, after each gain", DtPlays::Both, DtLevelRef::Input, -10.0, gain, -4.0, -13.0, false},
        {"left only", DtPlays::LeftOnly, DtLevelRef::Input, -10.0, gain, -4.0, -INFINITY, false},
        {"right only", DtPlays::RightOnly, DtLevelRef::Output, -1.0, gain, -INFINITY, -1.0, false},
        {"beyond full scale", DtPlays::Both, DtLevelRef::Input, -1.0, gain, 0.0, -4.0, true},
        {"gain unknown", DtPlays::Both, DtLevelRef::Input, -20.0, unknown, -20.0, -20.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DtStep s;
        s.frequencies = {1000.0};
        s.plays = c.plays;
        s.reference = c.ref;
        s.levelDb = c.levelDb;
        const DtPeaks p = DtOutputPeaks(s, c.gainDb);
        EXPECT_NEAR(p.left, std::pow(10.0, c.leftDb / 20), 1e-12);
        EXPECT_NEAR(p.right, std::pow(10.0, c.rightDb / 20), 1e-12);
        EXPECT_EQ(p.limited, c.limited);
    }
    DtStep zero;
    const DtPeaks p = DtOutputPeaks(zero, gain);
    EXPECT_EQ(p.left, 0.0);
    EXPECT_EQ(p.right, 0.0);
}

// Played and split again: the left tone comes back in `left`, at its peak,
// for each order setting of the input; two tones sum to the step's peak.
TEST(DtPlanSignal, RecordingComesBackInItsOwnChannels)
{
    constexpr int kRate = 48000;
    for (const int bits : {16, 32})
        for (const bool flip : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, flip " << flip);
            DtStep s;
            s.frequencies = {60.0, 7000.0};
            s.weights = {4.0, 1.0};
            s.plays = DtPlays::LeftOnly;
            const DtLoop loop = DtLoopFor(s.frequencies, kRate);
            const DtPeaks peaks{0.5, 0.0, false};
            const std::vector<uint8_t> pcm = DtLoopBuffer(s, loop, peaks, kRate, bits);
            ConversionParams params;
            params.bits = bits;
            params.flip = flip;
            const DtRecording r = DtRecordingFromPcm(pcm, params, kRate);
            ASSERT_EQ(int(r.left.size()), loop.frames);
            const std::vector<float>& tone = flip ? r.right : r.left;
            const std::vector<float>& quiet = flip ? r.left : r.right;
            float peak = 0, other = 0;
            for (size_t i = 0; i < tone.size(); ++i) {
                peak = std::max(peak, std::abs(tone[i]));
                other = std::max(other, std::abs(quiet[i]));
            }
            EXPECT_NEAR(peak, 0.5, 0.005) << "the sum's peak is the step's";
            EXPECT_EQ(other, 0.0f);
            // 60 Hz at 0.4 and 7 kHz at 0.1: RMS^2 = (0.16 + 0.01) / 2.
            EXPECT_NEAR(DtToneGainDb(tone, 1.0), 10 * std::log10(0.17), 0.01);
        }
}

// Which steps get dither: quiet tones at widths under 24 bits, never a
// loud tone, a wide output or digital zero.
TEST(DtPlanSignal, OnlyQuietTonesAtNarrowWidthsAreDithered)
{
    struct Case {
        double peakDb; // -inf: digital zero
        int bits;
        bool dithered;
    };
    const Case cases[] = {{-60.0, 16, true}, {-60.0, 8, true},   {-40.5, 16, true},      {-39.5, 16, false},
                          {-60.0, 32, false}, {-1.0, 8, false}, {-INFINITY, 16, false}};
    for (const Case& c : cases) {
        const double peak = std::pow(10.0, c.peakDb / 20.0);
        EXPECT_EQ(DtLoopDithered({peak, 0.0, false}, c.bits), c.dithered) << c.peakDb << " dBFS, " << c.bits;
    }
}

// What the dither does to the dynamic range's tone, -60 dBFS, against the
// same loop rounded plainly: at 16 bits the rounding, the same every
// period, comes back as harmonics, which the dither spreads into noise; at
// 8 bits the tone lies below half an LSB and plain rounding plays nothing.
TEST(DtPlanSignal, DitherTurnsTheQuietTonesRoundingIntoNoise)
{
    constexpr int kRate = 48000;
    // Dithered, the error is white, LSB²/4 in all: a harmonic fitted over
    // the loop's 48000 samples reads about sqrt(2/48000)·LSB/2 = 1e-7, some
    // -80 dB under the tone; the largest of eight stays well below this.
    constexpr double kDitheredHarmonicBelowDb = -68.0;
    // Plainly rounded, a tone 33 LSB high leaves its rounding as harmonics
    // some 60 dB under it, far above what noise gives a fit.
    constexpr double kPlainHarmonicAboveDb = -65.0;
    const DtStep s = DtToneStep(DtStepKind::DynamicRange, {997.0}, -60.0, DtLevelRef::Output, DtPlays::Both, 0, 0);
    const DtLoop loop = DtLoopFor(s.frequencies, kRate);
    const double peak = std::pow(10.0, -60.0 / 20.0);
    const DtPeaks peaks{peak, peak, false};
    // Largest of H2 ... H9, dB to the fundamental.
    auto worstHarmonic = [](const std::vector<float>& x) {
        const DtThd t = AnalyseThd(x, kRate, 997.0);
        double worst = -INFINITY;
        for (double h : t.harmonicDb)
            worst = std::max(worst, h);
        return worst;
    };
    for (const int bits : {16, 8}) {
        SCOPED_TRACE(bits);
        ConversionParams params;
        params.bits = bits;
        const std::vector<float> dithered = DtRecordingFromPcm(DtLoopBuffer(s, loop, peaks, kRate, bits), params, kRate).left;
        // The same loop at 32 bits, rounded here to `bits` without dither.
        params.bits = 32;
        std::vector<float> plain = DtRecordingFromPcm(DtLoopBuffer(s, loop, peaks, kRate, 32), params, kRate).left;
        const double full = bits == 8 ? 127.0 : 32767.0;
        for (float& x : plain)
            x = float(std::nearbyint(x * full) / full);
        ASSERT_EQ(dithered.size(), plain.size());
        if (bits == 16) {
            EXPECT_GT(worstHarmonic(plain), kPlainHarmonicAboveDb);
            EXPECT_LT(worstHarmonic(dithered), kDitheredHarmonicBelowDb);
        } else {
            EXPECT_TRUE(std::all_of(plain.begin(), plain.end(), [](float x) { return x == 0.0f; }));
            EXPECT_NEAR(SineLevelDbfs(dithered, kRate, 997.0), -60.0, 1.0);
        }
    }
}

TEST(DtHeader, ComposedFromTheProgramsState)
{
    DtDevices d{"hw:CARD=USB,DEV=0", "hw:CARD=USB,DEV=1", 44100, 24, 16};
    DtHeaderState s;
    s.inputVolumePercent = 80;
    s.outputVolumePercent = 50;
    s.note = QStringLiteral("Preamp, gain 3");
    s.when = QDateTime(QDate(2026, 12, 9), QTime(13, 20, 5), QTimeZone(3600));
    s.selfTest = true;
    const DtHeader h = ComposeDtHeader(d, s);
    EXPECT_EQ(h.inputDevice, d.input);
    EXPECT_EQ(h.outputDevice, d.output);
    EXPECT_EQ(h.rate, 44100);
    EXPECT_EQ(h.inputBits, 24);
    EXPECT_EQ(h.outputBits, 16);
    EXPECT_EQ(h.inputVolumePercent, 80);
    EXPECT_EQ(h.outputVolumePercent, 50);
    EXPECT_EQ(h.date, QStringLiteral("2026-12-09T13:20:05+01:00"));
    EXPECT_FALSE(h.programVersion.isEmpty());
    EXPECT_EQ(h.note, s.note);
    EXPECT_DOUBLE_EQ(h.bandHighHz, 19845.0);
    EXPECT_TRUE(h.selfTest);

    struct Cal {
        int at;
        double mv;
        int volume;
        const char* text;   // as stored, in every language
        const char* german; // as the German report shows it
    };
    const Cal cals[] = {
        {-1, 0.0, 80, "none", "keine"},
        {80, 1228.0, 80, "input full scale 1228.0 mV RMS at input volume 80 %",
         "Eingang Vollaussteuerung 1228.0 mV eff. bei Eingangslautstärke 80 %"},
        {70, 1228.0, 80, "input full scale 1228.0 mV RMS at input volume 70 % (input volume now 80 %: not valid)",
         "Eingang Vollaussteuerung 1228.0 mV eff. bei Eingangslautstärke 70 % (Eingangslautstärke jetzt 80 %: nicht gültig)"},
    };
    for (const Cal& c : cals) {
        s.calibratedAtVolume = c.at;
        s.inputFullScaleMv = c.mv;
        s.inputVolumePercent = c.volume;
        const QString stored = DtCalibrationText(s);
        EXPECT_EQ(stored, QString::fromUtf8(c.text));
        EXPECT_EQ(DtCalibrationShown(stored, 'E'), stored);
        EXPECT_EQ(DtCalibrationShown(stored, 'D'), QString::fromUtf8(c.german));
    }
    // A text of a form the program never wrote is shown as it stands.
    EXPECT_EQ(DtCalibrationShown(QStringLiteral("by hand"), 'D'), QStringLiteral("by hand"));
}

} // namespace
