// The whole device test on the virtual card: the default plan through the
// engine and the procedure, each figure held against what the card's own
// model gives by formula (its polynomial, crosstalk, gains, delays, filter
// coefficients and noise), never against an earlier output. A bad set-up is
// refused after the first three steps with no figure, and a run against
// the card's own floor marks what the card limits.
#include "tests/audio/AudioTestSupport.h"
#include "tests/devicetest/DtEngineTestSupport.h"
#include "tests/devicetest/DtKeepingProcedure.h"
#include "tests/devicetest/DtFilterResponse.h"
#include "tests/devicetest/DtRecording.h"
#include "tests/support/EngineContract.h"

#include "devicetest/DeviceTestProcedure.h"
#include "devicetest/DtFigureRows.h"
#include "devicetest/DtImd.h"
#include "devicetest/DtMaxLevel.h"
#include "ir/IrChecks.h"
#include "ir/IrSweep.h"

#include <QTest>

using namespace korvanta;
using namespace ::dttest;
using korvanta::dttest::CornerOf;
using korvanta::dttest::SectionsDb;
namespace offline = korvanta::dttest;

namespace {

constexpr int kRate = 48000;
// A run of the default plan with short settle waits, analysis included.
constexpr int kRunTimeoutMs = 120000;

double FromDb(double db) { return std::pow(10.0, db / 20.0); }

DutConfig Dut(const char* keys)
{
    const DutSpec spec = ParseDutSpec(QString::fromLatin1(keys));
    EXPECT_TRUE(spec.errors.isEmpty()) << spec.errors.join('\n').toStdString();
    return spec.dut;
}

// The noise a full-scale-sine-referred band reading gives for white noise
// of `noiseDb` plus the input's rounding, over the band.
double ExpectedNoiseDbfs(double noiseDb, int bits)
{
    const double sigma = FromDb(noiseDb);
    const double q = std::ldexp(1.0, 1 - bits);
    const double band = DtBandHighHz(kRate) - kDtBandLowHz;
    return 10.0 * std::log10((sigma * sigma + q * q / 12.0) * band / (kRate / 2.0)) + 10.0 * std::log10(2.0);
}

// x + k2·x² + k3·x³ driven by A·sin: H2 = k2·A²/2, H3 = k3·A³/4, and the
// fundamental grows to A·(1 + 3·k3·A²/4). The engine sets the level at
// the input, after the polynomial, so A solves A·(1 + 3·k3·A²/4) = level.
double DrivenAmplitude(double levelDbfs, double k3)
{
    const double target = FromDb(levelDbfs);
    double a = target;
    for (int i = 0; i < 50; ++i)
        a = target / (1.0 + 0.75 * k3 * a * a);
    return a;
}

double HarmonicDb(int h, double levelDbfs, double k2, double k3)
{
    const double a = DrivenAmplitude(levelDbfs, k3);
    const double fundamental = a * (1.0 + 0.75 * k3 * a * a);
    return 20.0 * std::log10((h == 2 ? k2 * a * a / 2.0 : k3 * a * a * a / 4.0) / fundamental);
}

// SMPTE through the polynomial: the sum's peak a + b at the level, a = 4b;
// k2·a·b at f2 ± f1, 3·k3·a²·b/4 at f2 ± 2·f1, all four summed by power,
// over the 7 kHz tone lifted to b·(1 + k3·(3b²/4 + 3a²/2)).
double SmpteDb(double levelDbfs, double k2, double k3)
{
    const double sum = FromDb(levelDbfs), b = sum / (1.0 + kSmpteRatio), a = kSmpteRatio * b;
    const double first = k2 * a * b, second = 0.75 * k3 * a * a * b;
    const double carrier = b * (1.0 + k3 * (0.75 * b * b + 1.5 * a * a));
    return 10.0 * std::log10(2.0 * (first * first + second * second) / (carrier * carrier));
}

// CCIF d2: k2·a·b at 1 kHz, a = b, over the two tones' sum, each lifted
// to a·(1 + k3·(3a²/4 + 3a²/2)).
double CcifD2Db(double levelDbfs, double k2, double k3)
{
    const double a = FromDb(levelDbfs) / 2.0;
    return 20.0 * std::log10(k2 * a * a / (2.0 * a * (1.0 + k3 * 2.25 * a * a)));
}

// Where THD+N of the cubic term passes 1 % (see the figure test): played
// at the output, A² = 0.04 / (k3·0.97).
double MaxLevelDbfs(double k3) { return 10.0 * std::log10(0.04 / (k3 * 0.97)); }

const DtFigure* Find(const DeviceTestResult& r, const QString& id, DtChannel ch)
{
    for (const DtFigure& f : r.figures)
        if (f.id == id && f.channel == ch)
            return &f;
    return nullptr;
}

const DtCurve* FindCurve(const DeviceTestResult& r, const char* id, DtChannel ch)
{
    for (const DtCurve& c : r.curves)
        if (c.id == QLatin1String(id) && c.channel == ch)
            return &c;
    return nullptr;
}

struct Expect {
    QString id;
    DtChannel channel;
    double value; // NaN: not measured, with a note
    double tolerance;
};

class DeviceTestProcedureTest : public VirtualLayerTest {
protected:
    struct Run {
        DeviceTestResult result;
        DtCheck check = DtCheck::Passed; // the procedure's
        int steps = 0;                   // begun
        QStringList refusals;
        std::vector<Taken> taken;        // what the analysis was handed
    };

    // One run of the default plan.
    Run run(const DutConfig& dut, int inBits, int outBits, DtRunSettings settings)
    {
        VirtualCard::instance().setDut(dut);
        SetBits(inBits, outBits);
        DeviceTestEngine engine(in_, out_);
        KeepingProcedure procedure(std::move(settings));
        EngineRecorder r(engine, &DeviceTestEngine::stepDone);
        Run out;
        QObject::connect(&engine, &DeviceTestEngine::refused, [&out](const QString& m) { out.refusals << m; });
        QObject::connect(&engine, &DeviceTestEngine::stepStarting, [&out] { ++out.steps; });
        DtPlanSettings plan;
        plan.settleMs = kStepSettleMs;
        EXPECT_TRUE(engine.Start(DefaultDtPlan(plan), procedure, DtHeader{}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return r.count(EngineEvent::Stopped) > 0; }, kRunTimeoutMs));
        EXPECT_EQ(r.count(EngineEvent::Failed), 0);
        out.result = engine.Result();
        out.check = procedure.FailedCheck();
        out.taken = std::move(procedure.taken);
        return out;
    }

    // A run that should have gone through, with the reason when it did not.
    static void AssertComplete(const Run& run)
    {
        ASSERT_EQ(run.check, DtCheck::Passed);
        ASSERT_TRUE(run.result.complete) << "after " << run.steps << " steps: " << run.result.error.toStdString()
                                         << " " << run.refusals.join(u'\n').toStdString();
    }

    static void ExpectFigures(const DeviceTestResult& r, const std::vector<Expect>& expected)
    {
        for (const Expect& e : expected) {
            SCOPED_TRACE(testing::Message() << e.id.toStdString() << " " << DtChannelKey(e.channel).toStdString());
            const DtFigure* f = Find(r, e.id, e.channel);
            ASSERT_NE(f, nullptr);
            if (std::isnan(e.value)) {
                EXPECT_FALSE(f->Measured());
                EXPECT_FALSE(f->note.isEmpty()) << "why it was not measured";
            } else {
                EXPECT_NEAR(f->value, e.value, e.tolerance);
            }
        }
    }

    CorrectionTable in_;
    CorrectionTable out_;
};

QString Id(const char* id, const char* suffix = "") { return QString::fromLatin1(id) + QString::fromLatin1(suffix); }

// The polynomial, crosstalk and a gain and delay difference in one run:
// harmonics, both IMDs, crosstalk each way at every frequency, channel
// match, and no clipping up to full scale (k3 = 0.001 stays under 1 %,
// and both loops lose a little, so the input never clips).
TEST_F(DeviceTestProcedureTest, DistortionCrosstalkAndMatchFollowTheCardsModel)
{
    const double k2 = 0.001, k3 = 0.001, gainL = -0.5, gainR = -0.25;
    const int delayL = 2;
    const Run run1 = run(Dut("k2=0.001 k3=0.001 xtalk=-100 gainl=-0.5 gainr=-0.25 delayl=2"), 24, 24, DtRunSettings{});
    ASSERT_NO_FATAL_FAILURE(AssertComplete(run1));
    const DeviceTestResult& r = run1.result;
    const double ref = -1.0;
    EXPECT_NEAR(HarmonicDb(2, ref, k2, k3), -67.03, 0.01) << "the worked number";
    EXPECT_NEAR(HarmonicDb(3, ref, k2, k3), -74.05, 0.01) << "the worked number";
    std::vector<Expect> expected;
    for (DtChannel c : {DtChannel::Left, DtChannel::Right}) {
        expected.push_back({QStringLiteral("h2"), c, HarmonicDb(2, ref, k2, k3), 0.2});
        expected.push_back({QStringLiteral("h3"), c, HarmonicDb(3, ref, k2, k3), 0.2});
        expected.push_back({Id(dtid::ImdSmpte), c, SmpteDb(ref, k2, k3), 0.5});
        expected.push_back({Id(dtid::ImdCcifD2), c, CcifD2Db(ref, k2, k3), 0.5});
    }
    for (DtChannel c : {DtChannel::LeftToRight, DtChannel::RightToLeft})
        for (const char* hz : {"100", "1000", "10000"})
            expected.push_back({Id(dtid::Crosstalk, hz), c, -100.0, 0.5});
    for (double hz : {1000.0, 10000.0}) {
        const QByteArray suffix = QByteArray::number(int(hz));
        expected.push_back({Id(dtid::MatchGain, suffix), DtChannel::Both, gainL - gainR, 0.01});
        // A delay of d samples lags by 360°·f·d/rate.
        const double lag = std::remainder(-360.0 * hz * delayL / kRate, 360.0);
        expected.push_back({Id(dtid::MatchPhase, suffix), DtChannel::Both, lag, 0.1});
    }
    expected.push_back({Id(dtid::MaxLevel), DtChannel::Both, NAN, 0.0});
    ExpectFigures(r, expected);
    const DtFigure* maxLevel = Find(r, Id(dtid::MaxLevel), DtChannel::Both);
    ASSERT_NE(maxLevel, nullptr);
    EXPECT_EQ(maxLevel->note, NoClippingText('E'));
    const DtFigure* leak = Find(r, Id(dtid::Crosstalk, "100"), DtChannel::LeftToRight);
    ASSERT_NE(leak, nullptr);
    EXPECT_TRUE(leak->note.isEmpty()) << "-100 dB stands far above a 24-bit idle bin";
    for (const char* curve : {"response", "noise", "thd", "imd"}) {
        const DtCurve* c = FindCurve(r, curve, DtChannel::Right);
        ASSERT_NE(c, nullptr) << curve;
        EXPECT_FALSE(c->x.empty()) << curve;
        EXPECT_LE(int(c->x.size()), kDtCurvePoints) << curve;
    }
    const DtCurve* crosstalk = FindCurve(r, "crosstalk", DtChannel::RightToLeft);
    ASSERT_NE(crosstalk, nullptr);
    EXPECT_EQ(crosstalk->x, (std::vector<double>{100.0, 1000.0, 10000.0}));
}

// The card's filters and noise, played at 24 bits and recorded at 16 (so
// the noise dithers the input): the response against the bilinear H(z),
// the noise and dynamic range from the noise formula. That run then is
// the card's own floor for a run through a distorting device, whose
// maximum level is found and whose noise, on the same card, is marked as
// the card's.
TEST_F(DeviceTestProcedureTest, ResponseNoiseAndTheCardsFloor)
{
    const double hp = 50.0, lp = 15000.0, noise = -95.0, k3 = 0.1;
    const int inBits = 16;
    const Run floorRun = run(Dut("hp=50 lp=15000 noise=-95"), inBits, 24, DtRunSettings{});
    ASSERT_NO_FATAL_FAILURE(AssertComplete(floorRun));
    const DeviceTestResult& floor = floorRun.result;

    const std::vector<DutSimulator::Biquad> sections{DutSimulator::butterworth(true, hp, kRate),
                                                     DutSimulator::butterworth(false, lp, kRate)};
    const double noiseDbfs = ExpectedNoiseDbfs(noise, inBits);
    std::vector<Expect> expected;
    for (DtChannel c : {DtChannel::Left, DtChannel::Right}) {
        // The band over the frequencies the run measured.
        const DtCurve* response = FindCurve(floor, "response", c);
        ASSERT_NE(response, nullptr);
        double lo = INFINITY, hi = -INFINITY;
        for (double hz : response->x) {
            if (hz < kDtBandLowHz || hz > DtBandHighHz(kRate))
                continue;
            const double d = SectionsDb(sections, hz, kRate) - SectionsDb(sections, 1000.0, kRate);
            lo = std::min(lo, d);
            hi = std::max(hi, d);
        }
        const double low = CornerOf(sections, 10.0, 1000.0, kRate), high = CornerOf(sections, 1000.0, 23000.0, kRate);
        expected.push_back({Id(dtid::ResponseLow), c, lo, 0.05});
        expected.push_back({Id(dtid::ResponseHigh), c, hi, 0.05});
        expected.push_back({Id(dtid::Minus3Low), c, low, 0.003 * low});
        expected.push_back({Id(dtid::Minus3High), c, high, 0.003 * high});
        expected.push_back({Id(dtid::Noise), c, noiseDbfs, 0.2});
        expected.push_back({Id(dtid::NoiseA), c, noiseDbfs - 2.05, 0.3});
        expected.push_back({Id(dtid::HumLevel), c, NAN, 0.0});
        // All that is not the -60 dBFS tone is the noise.
        expected.push_back({Id(dtid::DynamicRange), c, -noiseDbfs, 0.5});
    }
    ExpectFigures(floor, expected);

    DtRunSettings settings;
    settings.reference = floor;
    settings.inputFullScaleVolts = 2.0;
    const Run deviceRun = run(Dut("k3=0.1 noise=-95"), inBits, 24, settings);
    ASSERT_NO_FATAL_FAILURE(AssertComplete(deviceRun));
    const DeviceTestResult& device = deviceRun.result;
    ExpectFigures(device, {{Id(dtid::MaxLevel), DtChannel::Both, MaxLevelDbfs(k3), 0.1}});
    struct Mark {
        const char* id;
        bool limited;
    };
    // The same noise on the same card is the card's; a cubic term's THD+N
    // far above the floor's is the device's.
    for (const Mark& m : {Mark{dtid::Noise, true}, Mark{dtid::NoiseA, true}, Mark{dtid::ThdnDb, false}}) {
        const DtFigure* f = Find(device, Id(m.id), DtChannel::Left);
        ASSERT_NE(f, nullptr) << m.id;
        ASSERT_TRUE(f->reference.has_value()) << m.id;
        EXPECT_EQ(f->limitedByCard, m.limited) << m.id;
    }
    const DtFigure* n = Find(device, Id(dtid::Noise), DtChannel::Right);
    ASSERT_TRUE(n && n->volts.has_value());
    EXPECT_NEAR(*n->volts, 2.0 * FromDb(n->value), 1e-12) << "volts beside dBFS on a calibrated input";
}

// Faults that would put a clipped input under a figure, each on the card's
// model, through the default plan: the left loop-gain tone arrives after
// its recording began (a device 39 ms slower than the settle wait: more
// than the short loop-gain step's lead-in, less than a longer step's), the gain
// rises with the level (the THD step's first take clips), the device has
// gain (the input reaches its full scale before the device distorts). No
// recording the figures came from clipped; the THD step states the level it
// reached, which is the level asked wherever the gain does not depend on
// it; the maximum level at the output and at the input, or why there is
// none.
TEST_F(DeviceTestProcedureTest, NoFigureComesFromAClippedInput)
{
    enum class Top { Crossing, InputFullScale };
    struct Case {
        const char* dut;
        double k3;
        bool thdRetaken; // its first take clipped
        Top top;
    };
    const Case cases[] = {
        {"delayl=2832 noise=-100", 0.0, false, Top::InputFullScale},
        {"k3=0.2 noise=-100", 0.2, true, Top::Crossing},
        {"gain=6 noise=-100", 0.0, false, Top::InputFullScale},
    };
    constexpr double kAsked = -1.0, kAtLevelDb = 0.05, kStatedDb = 0.02;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dut);
        const Run r = run(Dut(c.dut), 24, 24, DtRunSettings{});
        ASSERT_NO_FATAL_FAILURE(AssertComplete(r));
        ExpectNothingClipped(r.taken);
        const auto thd = std::find_if(r.taken.begin(), r.taken.end(),
                                      [](const Taken& t) { return t.played.step.kind == DtStepKind::Thd; });
        ASSERT_NE(thd, r.taken.end());
        EXPECT_EQ(thd->played.takes > 1, c.thdRetaken);
        // What the figures read: the recording after its lead-in.
        DtRecording settled = thd->recording;
        const long lead = long(settled.left.size() / kDtLeadInDivisor);
        settled.left.erase(settled.left.begin(), settled.left.begin() + lead);
        settled.right.erase(settled.right.begin(), settled.right.begin() + lead);
        const std::vector<float> v = interleaved(settled);
        for (int ch = 0; ch < 2; ++ch) {
            SCOPED_TRACE(ch == 0 ? "left" : "right");
            const DtFigure* level = FindFigure(r.result, InputLevelId("thd"), ch == 0 ? DtChannel::Left : DtChannel::Right);
            ASSERT_NE(level, nullptr);
            EXPECT_NEAR(level->value, db(FitSine(v, ch, thd->played.step.frequencies[0], kRate).amplitude), kStatedDb)
                << "the level the recording holds";
            EXPECT_EQ(level->note.isEmpty(), !c.thdRetaken) << level->note.toStdString();
            if (c.k3 == 0.0) {
                EXPECT_NEAR(level->value, kAsked, kAtLevelDb) << "a linear device reaches the level asked";
            }
        }
        const DtFigure* out = Find(r.result, Id(dtid::MaxLevel), DtChannel::Both);
        const DtFigure* in = Find(r.result, Id(dtid::MaxLevelInput), DtChannel::Both);
        ASSERT_TRUE(out && in);
        if (c.top == Top::Crossing) {
            // The cubic's fundamental at the output level A: A·(1 + 3·k3·A²/4).
            const double a = FromDb(MaxLevelDbfs(c.k3));
            EXPECT_NEAR(out->value, MaxLevelDbfs(c.k3), 0.1);
            EXPECT_NEAR(in->value, db(a * (1.0 + 0.75 * c.k3 * a * a)), 0.1);
            continue;
        }
        // The search's highest step, and the input's level there.
        double top = -HUGE_VAL, topInput = -HUGE_VAL;
        for (const Taken& t : r.taken)
            if (t.played.step.kind == DtStepKind::MaxLevel && t.played.step.levelDb > top) {
                top = t.played.step.levelDb;
                topInput = std::max(t.played.reached.dbfs[0], t.played.reached.dbfs[1]);
            }
        EXPECT_FALSE(out->Measured());
        EXPECT_EQ(out->note, InputFullScaleText(top, 'E'));
        EXPECT_EQ(in->note, out->note);
        EXPECT_GT(topInput, -0.5) << "the search climbs to just below the input's full scale";
    }
}

// Each bad set-up ends the run after the level steps and the idle floor,
// with its message and no figure.
TEST_F(DeviceTestProcedureTest, EachBadSetUpRefusesTheRun)
{
    struct Case {
        const char* dut;
        DtCheck expected;
    };
    // The level steps play -20 dBFS at the output.
    const Case cases[] = {
        {"gain=-200", DtCheck::NothingAtInput},
        {"gain=25", DtCheck::InputClips},
        {"dc=1", DtCheck::IdleClips},
        {"swap=1", DtCheck::Swapped},
        {"gainl=-200", DtCheck::LeftMissing},
        {"gainr=-200", DtCheck::RightMissing},
        {"gain=-25", DtCheck::ToneTooLow},
        {"gain=-15 noise=-65", DtCheck::ToneNearNoise},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dut);
        DtRunSettings settings;
        settings.letter = 'D';
        const Run refused = run(Dut(c.dut), 24, 24, settings);
        const DeviceTestResult& r = refused.result;
        EXPECT_EQ(refused.check, c.expected);
        EXPECT_EQ(refused.steps, 3) << "both level steps and the idle floor";
        EXPECT_EQ(refused.refusals, QStringList{CheckMessage(c.expected, 'D')});
        EXPECT_EQ(r.error, CheckMessage(c.expected, 'D'));
        EXPECT_FALSE(r.complete);
        EXPECT_TRUE(r.figures.empty() && r.curves.empty()) << "no figures from a bad set-up";
    }
}

// What the card's analog path, run offline, records of one step: a tone
// step after a tenth of a second for the filter to settle; a sweep step as
// the engine hands it on, from the sweep's first played frame.
DtRecording RecordStep(const DutConfig& dut, const DtStep& step, const DtPeaks& peaks, int rate)
{
    std::vector<double> w = step.weights;
    w.resize(step.frequencies.size(), 1.0);
    double total = 0.0;
    for (double x : w)
        total += x;
    const std::vector<double> sweep = step.sweep ? SweepSamples(DtIrSweep(*step.sweep, rate, 1.0)) : std::vector<double>{};
    const offline::Source source = [&](size_t n, int ch) {
        double x = 0.0;
        if (step.sweep)
            x = n < sweep.size() ? sweep[n] : 0.0;
        for (size_t k = 0; k < step.frequencies.size(); ++k)
            x += w[k] / total * std::sin(2.0 * std::numbers::pi * step.frequencies[k] * double(n) / rate);
        return (ch == 0 ? peaks.left : peaks.right) * x;
    };
    const offline::Stereo s =
        offline::Record(dut, rate, 24, 24, source, size_t(step.frames), step.sweep ? 0 : size_t(rate / 10));
    DtRecording rec;
    rec.rate = rate;
    rec.left = s.left;
    rec.right = s.right;
    return rec;
}

// The procedure alone, fed as the engine feeds it, on the card's analog
// path run offline at 32 kHz, stopped after the SMPTE step: the figures so
// far and nothing of the groups not reached; CCIF, which the rate cannot
// carry, left out with its reason; the low-pass's corner from the sweep
// alone.
TEST(DeviceTestProcedureOffline, APartialRunAtARateWithoutRoomForCcif)
{
    constexpr int rate = 32000;
    const double lp = 8000.0;
    DutConfig dut;
    dut.lowPassHz = lp;
    dut.noiseDb = -100.0;
    DtPlanSettings planSettings;
    planSettings.rate = rate;
    DtPlan plan = DefaultDtPlan(planSettings);
    ASSERT_FALSE(CcifFitsRate(rate));
    DtRunSettings settings;
    settings.rate = rate;
    DeviceTestProcedure procedure(settings);
    procedure.Begin(plan);
    const double unity[2] = {0.0, 0.0};
    int added = 0;
    for (size_t i = 0; i < plan.steps.size(); ++i) {
        const DtStep step = plan.steps[i];
        const DtPeaks peaks = DtOutputPeaks(step, unity);
        const DtRecording rec = RecordStep(dut, step, peaks, rate);
        ASSERT_TRUE(procedure.Take(DtPlayedStep{int(i), step, peaks, {}, 1}, rec).isEmpty()) << i;
        if (step.kind == DtStepKind::ImdSmpte)
            break; // stopped here
        const std::vector<DtStep> more = procedure.Next();
        added += int(more.size());
        plan.steps.insert(plan.steps.begin() + long(i) + 1, more.begin(), more.end());
    }
    EXPECT_EQ(added, 0) << "one sweep gives the corner: no steps added";
    DeviceTestResult r;
    procedure.Finish(r);
    ASSERT_FALSE(r.figures.empty());
    EXPECT_EQ(r.figures.front().id, QLatin1String(dtid::ResponseLow)) << "the response comes first";
    const std::vector<DutSimulator::Biquad> sections{DutSimulator::butterworth(false, lp, rate)};
    const double corner = CornerOf(sections, 1000.0, 0.49 * rate, rate);
    for (DtChannel c : {DtChannel::Left, DtChannel::Right}) {
        const DtFigure* high = Find(r, Id(dtid::Minus3High), c);
        ASSERT_TRUE(high && high->Measured());
        EXPECT_NEAR(high->value / corner, 1.0, 0.003);
        for (const char* id : {dtid::ImdCcifD2, dtid::ImdCcifD3}) {
            const DtFigure* f = Find(r, Id(id), c);
            ASSERT_NE(f, nullptr) << id;
            EXPECT_FALSE(f->Measured()) << id;
            EXPECT_EQ(f->note, CcifLeftOutText('E')) << id;
        }
        for (const char* id : {dtid::Noise, dtid::DynamicRange, dtid::ThdnDb, dtid::ImdSmpte}) {
            const DtFigure* f = Find(r, Id(id), c);
            EXPECT_TRUE(f && f->Measured()) << id;
        }
    }
    for (const DtFigure& f : r.figures) {
        EXPECT_FALSE(f.id.startsWith(QLatin1String(dtid::Crosstalk)) || f.id.startsWith(QLatin1String("match_")) ||
                     f.id == QLatin1String(dtid::MaxLevel))
            << "not reached: " << f.id.toStdString();
    }
}

// A sweep that went wrong, after checks that passed: one the output never
// began within its recording refuses the run with the reason in the run's
// language; one the impulse response's checks refuse (the input clipped
// during it) leaves that channel's four response figures not measured with
// the reason, and the other channel's and the later figures stand.
TEST(DeviceTestProcedureOffline, ASweepThatWentWrongRefusesTheRunOrMarksItsFigures)
{
    struct Case {
        const char* name;
        bool aligned;
        double leftGain; // the left recording's scale: 10 clips a -10 dBFS sweep
        QString refusal;
        QString leftNote;
    };
    const Case cases[] = {
        {"not in its recording", false, 1.0,
         QString::fromUtf8("Der Sweep lag nicht in seiner Aufnahme: der Ausgang begann zu spät oder die Aufnahme "
                           "endete zu früh; den Test wiederholen"),
         {}},
        {"clipped on the left", true, 10.0, {}, IrProblemText(IrProblem::Clipping, 'D')},
    };
    DutConfig dut;
    dut.noiseDb = -100.0;
    const DtPlan plan = DefaultDtPlan(DtPlanSettings{});
    const double unity[2] = {0.0, 0.0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DtRunSettings settings;
        settings.letter = 'D';
        DeviceTestProcedure procedure(settings);
        procedure.Begin(plan);
        QString refusal;
        for (size_t i = 0; i < plan.steps.size() && refusal.isEmpty(); ++i) {
            const DtStep& step = plan.steps[i];
            const DtPeaks peaks = DtOutputPeaks(step, unity);
            DtRecording rec = RecordStep(dut, step, peaks, kRate);
            if (step.sweep) {
                for (float& x : rec.left)
                    x = std::clamp(float(x * c.leftGain), -1.0f, 1.0f);
                if (!c.aligned)
                    rec = DtFromFirstPlayed(rec, -1, rec.left.size());
            }
            refusal = procedure.Take(DtPlayedStep{int(i), step, peaks, {}, 1}, rec);
            if (step.kind == DtStepKind::Thd)
                break; // far enough: the figures after the response are made alike
        }
        EXPECT_EQ(refusal, c.refusal);
        DeviceTestResult r;
        procedure.Finish(r);
        if (!c.refusal.isEmpty()) {
            for (const DtFigure& f : r.figures)
                EXPECT_FALSE(f.id.startsWith(QLatin1String("response")) || f.id.startsWith(QLatin1String("minus3")))
                    << f.id.toStdString();
            continue;
        }
        for (const char* id : {dtid::ResponseLow, dtid::ResponseHigh, dtid::Minus3Low, dtid::Minus3High}) {
            const DtFigure* left = Find(r, Id(id), DtChannel::Left);
            ASSERT_NE(left, nullptr) << id;
            EXPECT_FALSE(left->Measured()) << id;
            EXPECT_EQ(left->note, c.leftNote) << id;
        }
        const DtFigure* right = Find(r, Id(dtid::ResponseLow), DtChannel::Right);
        ASSERT_TRUE(right && right->Measured());
        EXPECT_NEAR(right->value, 0.0, 0.01) << "a plain card is flat";
        EXPECT_EQ(FindCurve(r, "response", DtChannel::Left), nullptr) << "no curve from a refused sweep";
        const DtFigure* thd = Find(r, Id(dtid::ThdnDb), DtChannel::Left);
        EXPECT_TRUE(thd && thd->Measured()) << "the later figures stand";
    }
}

} // namespace
