// What the impulse response window draws and keeps, without a window: each
// view of a measurement on the virtual card's analog path gives a curve of
// at most the diagram's points, in its band, with the phase and the
// harmonics where they belong, and the time view starting at the gate with
// the peak and a reflection in it; and the window's settings section comes
// back as written, a damaged value taking its default.
#include "ir/IrSection.h"
#include "ir/IrView.h"
#include "platform/ProfileStore.h"
#include "tests/ir/IrRecording.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>

using namespace korvanta;
using namespace korvanta::irtest;

namespace {

IrMeasurement MeasuredOn(const QString& dut, const IrGate& gate = {}, double seconds = 1.0)
{
    IrSettings s;
    s.sweep = Sweep(seconds);
    s.gate = gate;
    const dttest::Stereo rec = Play(dut, s.sweep);
    return AnalyseSweep(rec.left, rec.right, s);
}

double MaxFinite(const std::vector<double>& v)
{
    double m = -HUGE_VAL;
    for (const double y : v)
        if (std::isfinite(y))
            m = std::max(m, y);
    return m;
}

int Finite(const std::vector<double>& v)
{
    return int(std::count_if(v.begin(), v.end(), [](double y) { return std::isfinite(y); }));
}

TEST(IrView, EachViewDrawsItsCurvesWithinTheDiagramsPoints)
{
    const IrMeasurement m = MeasuredOn(QStringLiteral("delay=10.37 k2=0.01 k3=0.003"));
    ASSERT_TRUE(m.ok()) << IrProblemText(m.problem, 'E').toStdString();
    const struct {
        IrView view;
        bool two;           // a second curve
        double lowHz, topHz; // where the x axis lies (0: the time view)
    } cases[] = {
        {IrView::MagnitudePhase, true, 20.0, 20000.0},
        {IrView::GroupDelay, false, 20.0, 20000.0},
        {IrView::Thd, false, 20.0, 10000.0},
        {IrView::H2H3, true, 20.0, 10000.0},
        {IrView::H4H5, true, 20.0, 10000.0},
        {IrView::Impulse, false, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.view));
        const IrPlot p = IrPlotOf(m, c.view, 0);
        ASSERT_FALSE(p.empty());
        EXPECT_LE(int(p.x.size()), kIrMaxDiagramPoints);
        EXPECT_EQ(p.y1.size(), p.x.size());
        EXPECT_EQ(p.y2.size(), c.two ? p.x.size() : 0u);
        EXPECT_GT(Finite(p.y1), 100);
        EXPECT_TRUE(std::is_sorted(p.x.begin(), p.x.end()));
        EXPECT_EQ(p.timeAxis, c.view == IrView::Impulse);
        if (c.lowHz > 0) {
            EXPECT_GE(p.x.front(), c.lowHz * 0.999);
            EXPECT_LE(p.x.back(), c.topHz * 1.001);
        }
        EXPECT_LT(p.ymin, p.ymax);
        EXPECT_LE(MaxFinite(p.y1), p.ymax) << "the curve's top is on the scale";
    }
}

TEST(IrView, TheMagnitudeIsFlatThePhaseFreeOfTheDelayAndTheHarmonicsWhereTheCardPutsThem)
{
    const IrMeasurement m = MeasuredOn(QStringLiteral("delay=10.37 k2=0.01"));
    ASSERT_TRUE(m.ok());
    EXPECT_NEAR(m.peak.samples, 10.37, 0.05);
    const IrPlot mp = IrPlotOf(m, IrView::MagnitudePhase, 0);
    const IrPlot h = IrPlotOf(m, IrView::H2H3, 0);
    for (size_t i = 0; i < mp.x.size(); ++i)
        if (mp.x[i] > 100 && mp.x[i] < 10000) {
            // A plain cable with a delay: 0 dB, and 0° once the delay is out.
            EXPECT_NEAR(mp.y1[i], 0.0, 0.1) << mp.x[i];
            EXPECT_NEAR(mp.y2[i], 0.0, 2.0) << mp.x[i];
        }
    // k2 x² at a peak of -6 dBFS: H2 is k2·A/2 of the fundamental.
    const double a = std::pow(10.0, -6.0 / 20.0);
    const double h2 = 20.0 * std::log10(0.01 * a / 2.0);
    int compared = 0;
    for (size_t i = 0; i < h.x.size(); ++i)
        if (h.x[i] > 200 && h.x[i] < 5000 && std::isfinite(h.y1[i])) {
            EXPECT_NEAR(h.y1[i], h2, 0.5) << h.x[i];
            ++compared;
        }
    EXPECT_GT(compared, 100);
}

TEST(IrView, SmoothingEvensOutTheCombOfAReflection)
{
    const IrMeasurement m = MeasuredOn(QStringLiteral("echo=3:-6"));
    ASSERT_TRUE(m.ok());
    // The spread of the magnitude from 3 to 10 kHz: the comb's +3.5/-6 dB
    // unsmoothed, less than half of it over a third of an octave.
    const auto spread = [&](int smoothing) {
        const IrPlot p = IrPlotOf(m, IrView::MagnitudePhase, smoothing);
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (size_t i = 0; i < p.x.size(); ++i)
            if (p.x[i] > 3000 && p.x[i] < 10000) {
                lo = std::min(lo, p.y1[i]);
                hi = std::max(hi, p.y1[i]);
            }
        return hi - lo;
    };
    const double unsmoothed = spread(0);
    EXPECT_GT(unsmoothed, 8.0);
    EXPECT_LT(spread(3), unsmoothed / 2.0);
}

TEST(IrView, TheTimeViewStartsAtTheGateWithThePeakAndTheReflection)
{
    IrMeasurement m = MeasuredOn(QStringLiteral("delay=48 echo=3:-6"));
    ASSERT_TRUE(m.ok());
    Regate(m, IrGate{0.5, 5.0});
    const IrPlot p = IrPlotOf(m, IrView::Impulse, 0);
    ASSERT_FALSE(p.empty());
    EXPECT_DOUBLE_EQ(p.gateStartMs, 0.5);
    EXPECT_DOUBLE_EQ(p.x.front(), 1.0) << "the first point is the gate's start";
    EXPECT_NEAR(p.x.back(), 5000.0, 30.0);
    // The peak (48 samples = 1 ms) and the reflection 3 ms later at half of it.
    const auto valueNear = [&](double us) {
        double best = 0.0;
        for (size_t i = 0; i < p.x.size(); ++i)
            if (std::abs(p.x[i] - 1.0 - us) < 50.0)
                best = std::max(best, std::abs(p.y1[i]));
        return best;
    };
    EXPECT_NEAR(valueNear(500.0), 1.0, 0.05);
    EXPECT_NEAR(valueNear(3500.0), 0.5, 0.05);
    EXPECT_LT(valueNear(2000.0), 0.05);
}

// The time axis reads ms from the gate's start, 0 at its first point (x =
// 1 µs), in the unit its caption names: no SI prefix, no "1m" where 0 is.
TEST(IrView, TheTimeAxisReadsMillisecondsFromZero)
{
    const struct {
        int xmin, xmax, step;
        std::vector<double> x;
        QStringList labels;
    } cases[] = {
        {1, 2001, 500, {1, 501, 1001, 1501, 2001}, {"0.0", "0.5", "1.0", "1.5", "2.0"}},
        {1, 5001, 2000, {1, 2001, 4001}, {"0", "2", "4"}},
        {1, 130, 25, {1, 26, 51, 76, 101, 126}, {"0.000", "0.025", "0.050", "0.075", "0.100", "0.125"}},
        {400, 1300, 250, {501, 751, 1001, 1251}, {"0.50", "0.75", "1.00", "1.25"}}, // scrolled
    };
    for (const auto& c : cases) {
        const std::vector<ScaledGridLine> grid = IrTimeGrid(c.xmin, c.xmax, c.step);
        ASSERT_EQ(grid.size(), c.x.size()) << c.xmin << " .. " << c.xmax;
        for (size_t i = 0; i < grid.size(); ++i) {
            EXPECT_DOUBLE_EQ(grid[i].x, c.x[i]);
            EXPECT_EQ(grid[i].label, c.labels[qsizetype(i)]);
        }
    }
}

TEST(IrView, ALongGateKeepsItsPeaksInTheDiagramsPoints)
{
    ImpulseResponse ir;
    ir.rate = 48000;
    ir.h.assign(48000, 0.0);
    ir.h[30001] = -0.8;
    ir.h[12345] = 1.0;
    std::vector<double> x, y;
    EnvelopeOf(ir, 0, 48000, kIrMaxDiagramPoints, x, y);
    EXPECT_LE(int(x.size()), kIrMaxDiagramPoints);
    EXPECT_DOUBLE_EQ(*std::max_element(y.begin(), y.end()), 1.0);
    EXPECT_DOUBLE_EQ(*std::min_element(y.begin(), y.end()), -0.8);
    EXPECT_TRUE(std::is_sorted(x.begin(), x.end()));
}

TEST(IrView, NoCurveWithoutAGoodMeasurement)
{
    IrMeasurement refused;
    refused.problem = IrProblem::NoSignal;
    for (int v = 0; v < kIrViewCount; ++v)
        EXPECT_TRUE(IrPlotOf(refused, IrView(v), 0).empty()) << v;
}

TEST(IrView, TwoCurvesMeetOnOneGrid)
{
    const IrCurve a{{10, 20, 30}, {1, 2, 3}};
    const IrCurve b{{20, 40}, {5, 6}};
    std::vector<double> x, ya, yb;
    MergeCurves(a, b, x, ya, yb);
    EXPECT_EQ(x, (std::vector<double>{10, 20, 30, 40}));
    EXPECT_TRUE(std::isnan(yb[0]) && std::isnan(ya[3]));
    EXPECT_EQ(ya[1], 2);
    EXPECT_EQ(yb[1], 5);
}

TEST(IrSection, WrittenAndReadBack)
{
    ScratchDir dir;
    const QString path = dir.file("krv14f.ini");
    IrWindowState s = DefaultIrWindowState();
    s.run.sweep.f1 = 30.0;
    s.run.sweep.f2 = 15000.0;
    s.autoTop = false;
    s.run.sweep.seconds = 5.0;
    s.run.sweep.tailSeconds = 1.5;
    s.run.sweep.levelDbfs = -12.5;
    s.run.sweep.count = 4;
    s.run.referenceMode = true;
    s.run.measuredChannel = 1;
    s.wholeFundamental = false;
    s.run.gate = IrGate{1.25, 4.5};
    s.run.smoothing = 12;
    s.view = int(IrView::H2H3);
    s.placement = QRect(10, 20, 400, 500);
    s.diagramPlacement = QRect(500, 20, 600, 400);
    ASSERT_TRUE(WriteIrSection(s, path));
    IrWindowState back;
    ReadIrSection(back, path);
    EXPECT_EQ(back.run, s.run);
    EXPECT_EQ(back.autoTop, s.autoTop);
    EXPECT_EQ(back.wholeFundamental, s.wholeFundamental);
    EXPECT_EQ(back.view, s.view);
    EXPECT_EQ(back.placement, s.placement);
    EXPECT_EQ(back.diagramPlacement, s.diagramPlacement);
}

TEST(IrSection, ADamagedValueTakesItsDefault)
{
    const IrWindowState d = DefaultIrWindowState();
    const struct {
        const char* line;
        std::function<bool(const IrWindowState&)> isDefault;
    } cases[] = {
        {"LEVEL=12", [&](const IrWindowState& s) { return s.run.sweep.levelDbfs == d.run.sweep.levelDbfs; }},
        {"LEVEL=loud", [&](const IrWindowState& s) { return s.run.sweep.levelDbfs == d.run.sweep.levelDbfs; }},
        {"SECONDS=100", [&](const IrWindowState& s) { return s.run.sweep.seconds == d.run.sweep.seconds; }},
        {"COUNT=0", [&](const IrWindowState& s) { return s.run.sweep.count == 1; }},
        {"SMOOTHING=9", [&](const IrWindowState& s) { return s.run.smoothing == 0; }},
        {"VIEW=-1", [&](const IrWindowState& s) { return s.view == 0; }},
        {"CHANNEL=7", [&](const IrWindowState& s) { return s.run.measuredChannel == 0; }},
        {"WHOLEGATE=0\nGATELENGTH=-3", [&](const IrWindowState& s) { return s.wholeFundamental; }},
        // A band upside down: the default band.
        {"AUTOTOP=0\nF1=5000\nF2=100", [&](const IrWindowState& s) { return s.autoTop && s.run.sweep.f1 == 20.0; }},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        dir.write("krv14f.ini", QByteArray("[IMPULSANTWORT]\n") + c.line + "\n");
        IrWindowState s;
        ReadIrSection(s, dir.file("krv14f.ini"));
        EXPECT_TRUE(c.isDefault(s)) << c.line;
    }
}

} // namespace
