// What the device test window lists and keeps, without the window: a
// figure's cells in both languages, the plan's lines against its estimate,
// the plot's points as the window's diagram takes them, and the window's
// settings section with damaged values.
#include "devicetest/DtReportPlot.h"
#include "devicetest/DtScreenRows.h"
#include "devicetest/DtWindowSection.h"
#include "tests/devicetest/DtReportSample.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace korvanta;

namespace {

TEST(DtScreenRows, AFiguresCellsSayWhatTheReportSays)
{
    const DeviceTestResult r = SampleResult();
    struct Case {
        size_t row;
        char letter;
        QStringList cells;
    };
    const Case cases[] = {
        // Volts, the card's own value and its flag.
        {0, 'E', {"Noise level", "Left", "-97.25 dBFS", "12.3 µV", "-100.00 dBFS", "yes", ""}},
        {0, 'D', {"Rauschpegel", "Links", "-97.25 dBFS", "12.3 µV", "-100.00 dBFS", "ja", ""}},
        // Neither volts nor a reference: those cells stay empty.
        {1, 'E', {"Noise level", "Right", "-96.50 dBFS", "", "", "", ""}},
        // Not measured, with the reason as its note.
        {4, 'D', {"IMD CCIF d2", "Links", "nicht gemessen", "", "", "", "19 kHz liegt über 0,4535·fs"}},
        {5, 'E', {"Crosstalk 100 Hz", "Left → Right", "-88.00 dB", "", "-90.00 dB", "yes",
                  "within 6 dB of the tone-off reading (mains hum?)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " in " << c.letter);
        const QStringList cells = DtFigureCells(r.figures[c.row], c.letter);
        ASSERT_EQ(cells.size(), int(DtColumn::Count));
        EXPECT_EQ(cells, c.cells);
    }
    EXPECT_EQ(DtFigureHeads('E').size(), int(DtColumn::Count));
    EXPECT_NE(DtFigureHeads('E'), DtFigureHeads('D'));
}

TEST(DtScreenRows, ThePlanListsEveryStepAndTheTotalOfItsDurations)
{
    DtPlanSettings settings;
    settings.rate = 48000;
    const DtPlan plan = DefaultDtPlan(settings);
    const RunEstimate estimate = DtPlanEstimate(plan, settings.rate);
    ASSERT_FALSE(plan.steps.empty());
    for (char letter : {'D', 'E'}) {
        const QStringList lines = DtPlanLines(plan, estimate, letter);
        ASSERT_EQ(lines.size(), int(plan.steps.size()) + 1);
        int total = 0;
        for (int ms : estimate.stepMs)
            total += ms;
        EXPECT_TRUE(lines.last().endsWith(DurationText(total))) << lines.last().toStdString();
        EXPECT_EQ(lines.last().contains(QStringLiteral("ca.")) || lines.last().contains(QStringLiteral("approx.")),
                  plan.approximate);
        EXPECT_TRUE(lines.first().startsWith(QStringLiteral("1. ")));
    }
    // One-sided steps name their side; crosstalk names its direction.
    struct Case {
        DtStep step;
        const char* text;
    };
    DtStep xtalk;
    xtalk.kind = DtStepKind::Crosstalk;
    xtalk.frequencies = {10000.0};
    xtalk.plays = DtPlays::RightOnly;
    DtStep level = xtalk;
    level.kind = DtStepKind::Level;
    level.frequencies = {997.0};
    DtStep noise;
    noise.kind = DtStepKind::Noise;
    DtStep smpte;
    smpte.kind = DtStepKind::ImdSmpte;
    smpte.frequencies = {60.0, 7000.0};
    const Case cases[] = {
        {xtalk, "Crosstalk Right → Left 10000 Hz"},
        {level, "Loop gain Right 997 Hz"},
        {noise, "Noise"},
        {smpte, "IMD SMPTE 60.0 + 7000 Hz"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DtStepText(c.step, 'E'), QString::fromUtf8(c.text));
}

TEST(DtScreenRows, APlotsSecondCurveIsReadAtTheFirstOnesFrequencies)
{
    const DeviceTestResult r = SampleResult();
    const std::vector<DtPlot> plots = DtReportPlots(r, 'E');
    ASSERT_FALSE(plots.empty());
    const DtPlot& response = plots.front();
    ASSERT_EQ(response.id, "response");
    ASSERT_EQ(response.curves.size(), 2u);
    const DtPlotSeries s = DtPlotPoints(response);
    ASSERT_EQ(s.x.size(), response.curves[0]->x.size());
    ASSERT_EQ(s.y2.size(), s.x.size());
    // The sample's right channel lies 0.5 dB under the left at every point.
    for (size_t i = 0; i < s.x.size(); ++i)
        EXPECT_NEAR(s.y1[i] - s.y2[i], 0.5, 1e-4) << s.x[i];
    EXPECT_LE(s.ymin, *std::min_element(s.y2.begin(), s.y2.end()));
    EXPECT_GE(s.ymax, *std::max_element(s.y1.begin(), s.y1.end()));
    // A bin without a value sits on the floor.
    const DtPlotSeries noise = DtPlotPoints(plots[1]);
    ASSERT_EQ(plots[1].id, "noise");
    EXPECT_EQ(noise.y1[3], noise.ymin);
    EXPECT_TRUE(noise.y2.empty());
}

TEST(DtWindowSection, WhatTheWindowKeepsComesBackAndDamageTakesTheDefault)
{
    ScratchDir dir;
    const QString path = dir.file(QStringLiteral("krv14f.ini"));
    DtWindowState written;
    written.note = QStringLiteral("Verstärker „A“\nzweite Zeile");
    written.selfTest = true;
    written.placement = QRect(10, 20, 900, 600);
    written.diagramPlacement = QRect(-5, 30, 640, 400);
    ASSERT_TRUE(WriteDtWindowSection(written, path));
    DtWindowState read;
    ReadDtWindowSection(read, path);
    EXPECT_EQ(read.note, QStringLiteral("Verstärker „A“ zweite Zeile")) << "one line in the file";
    EXPECT_TRUE(read.selfTest);
    EXPECT_EQ(read.placement, written.placement);
    EXPECT_EQ(read.diagramPlacement, written.diagramPlacement);

    struct Case {
        const char* text;
        bool selfTest;
        QRect placement;
    };
    const Case cases[] = {
        {"[GERAETETEST]\nSELFTEST=1\nX=1\nY=2\nW=300\nH=200\n", true, QRect(1, 2, 300, 200)},
        // Only exactly 1 makes a run the card's reference.
        {"[GERAETETEST]\nSELFTEST=yes\n", false, QRect()},
        {"[GERAETETEST]\nSELFTEST=2\n", false, QRect()},
        // A placement without a size is no placement.
        {"[GERAETETEST]\nX=5\nY=5\nW=0\nH=100\n", false, QRect()},
        {"[GERAETETEST]\nX=5\nY=5\nW=abc\nH=100\n", false, QRect()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dir.write(QStringLiteral("krv14f.ini"), c.text);
        DtWindowState s;
        ReadDtWindowSection(s, path);
        EXPECT_EQ(s.selfTest, c.selfTest);
        EXPECT_EQ(s.placement, c.placement);
    }
}

} // namespace
