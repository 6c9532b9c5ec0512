#include "diagram/CursorTexts.h"
#include "diagram/DiaCursor.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

// A plot from (24, 32) to (572, 330) with 0 dB at the top, one octave per
// 100 pixels from 1 kHz on, and the given pixels per dB.
DiaLayout Plot(double ppdB)
{
    DiaLayout lay;
    lay.plotLeft = 24;
    lay.plotTop = 32;
    lay.plotRight = 572;
    lay.plotBottom = 330;
    lay.ppdB = ppdB;
    lay.ppLog = 100 / std::log(2.0);
    lay.ppPoint = 1;
    lay.xLog = true;
    lay.ranges.xmin = 1000;
    lay.ranges.xmax = 40000;
    lay.ranges.ymin = -100;
    lay.ranges.ymax = 0;
    return lay;
}

DiagramOptions Measuring(bool freq, bool level, bool slope)
{
    DiagramOptions o;
    o.measFreq = freq;
    o.measLevel = level;
    o.measSlope = slope;
    return o;
}

// Left click at (x, y), then a move to (x2, y2).
DiaCursor ClickAndMove(const DiaLayout& lay, const DiagramOptions& o, int x, int y, int x2, int y2,
                       QChar language = QLatin1Char('D'))
{
    DiaCursor c;
    c.mouseDown(x, y, true, lay, XScaling());
    c.mouseUp(true, false);
    c.mouseMove(x2, y2, lay, o, XScaling(), ReadoutWordsFor(language));
    return c;
}

} // namespace

TEST(CursorTexts, LevelRatiosForGainAndLoss)
{
    EXPECT_EQ(LevelText(6.02, "fach"), "6.0dB / 2.0fach");
    EXPECT_EQ(LevelText(0, "times"), "0.0dB / 1.0times");
    EXPECT_EQ(LevelText(-20, "fach"), "-20.0dB / 10.0%");
    EXPECT_EQ(LevelText(-60, "fach"), "-60.0dB / 0.10000%");
    EXPECT_EQ(PointText(1000, XScaling(), -12.5), "1000.0Hz/-12.5dB");
    EXPECT_EQ(PointText(1000, XScaling{0.001f, 0, "kHz"}, 0), "1.0kHz/0.0dB");
    EXPECT_EQ(FrequencyText(2000, XScaling()), "2000.00Hz");
    EXPECT_EQ(SlopeText(-6, 2, "dB/Okt"), "6.0dB/Okt");
    EXPECT_EQ(SlopeText(-6, 1, "dB/Oct"), "FP errordB/Oct");   // no octave between the points
    EXPECT_EQ(ReadoutWordsFor('E').ratio, "times");
    EXPECT_EQ(ReadoutWordsFor('D').slope, "dB/Okt");
}

TEST(DiaCursor, LevelModeReadsTheDifferenceAndRatio)
{
    const DiagramOptions o = Measuring(false, true, false);
    DiaCursor up = ClickAndMove(Plot(50 / 6.02), o, 100, 200, 130, 150);
    EXPECT_EQ(up.state().mode, DiaCursor::Level);
    EXPECT_TRUE(up.state().levelText.startsWith("6.0dB / 2.0fach")) << up.state().levelText.toStdString();
    EXPECT_EQ(up.state().endY, 150);
    EXPECT_EQ(ClickAndMove(Plot(5), o, 100, 100, 100, 200).state().levelText, "-20.0dB / 10.0%");
    EXPECT_EQ(ClickAndMove(Plot(2), o, 100, 100, 100, 220).state().levelText, "-60.0dB / 0.10000%");
    EXPECT_EQ(ClickAndMove(Plot(2), o, 100, 100, 100, 100, 'E').state().levelText, "0.0dB / 1.0times");
}

TEST(DiaCursor, SlopeAndFrequencyModes)
{
    // 1 kHz to 2 kHz while the level drops 6 dB.
    DiaCursor slope = ClickAndMove(Plot(5), Measuring(false, false, true), 24, 100, 124, 130);
    EXPECT_EQ(slope.state().mode, DiaCursor::Slope);
    EXPECT_EQ(slope.state().freqText, "6.0dB/Okt");
    EXPECT_EQ(ClickAndMove(Plot(5), Measuring(false, false, true), 24, 100, 124, 130, 'E').state().freqText,
              "6.0dB/Oct");
    DiaCursor freq = ClickAndMove(Plot(5), Measuring(true, false, false), 24, 100, 124, 130);
    EXPECT_EQ(freq.state().mode, DiaCursor::Frequency);
    EXPECT_EQ(freq.state().freqText, "2000.00Hz");
    EXPECT_EQ(freq.state().endX, 124);
}

TEST(DiaCursor, ClickShowsThePointAndBringsTheMainWindow)
{
    DiaCursor c;
    const DiaCursor::Effect fx = c.mouseDown(24, 32, true, Plot(5), XScaling());
    EXPECT_TRUE(fx.activateMain);
    EXPECT_TRUE(fx.repaint);
    EXPECT_EQ(c.state().mode, DiaCursor::Point);
    EXPECT_EQ(c.state().pointText, "1000.0Hz/0.0dB");
    // Without a level scale nothing is read out and nothing repainted.
    DiaCursor none;
    const DiaCursor::Effect nothing = none.mouseDown(24, 32, true, Plot(0), XScaling());
    EXPECT_FALSE(nothing.repaint);
    EXPECT_FALSE(nothing.activateMain);
    EXPECT_EQ(none.state().mode, DiaCursor::None);
}

TEST(DiaCursor, SecondClickEndsAndLeavingThePlotClears)
{
    const DiagramOptions o = Measuring(false, true, false);
    DiaCursor c = ClickAndMove(Plot(5), o, 100, 100, 100, 150);
    EXPECT_TRUE(c.state().armed);
    c.mouseDown(100, 150, true, Plot(5), XScaling());
    c.mouseUp(true, false);
    EXPECT_FALSE(c.state().armed);
    EXPECT_EQ(c.state().mode, DiaCursor::None);
    EXPECT_TRUE(c.state().levelText.isEmpty());

    DiaCursor d = ClickAndMove(Plot(5), o, 100, 100, 100, 150);
    d.mouseMove(572 + 4, 150, Plot(5), o, XScaling(), ReadoutWords());   // 4 pixels out: still measuring
    EXPECT_EQ(d.state().mode, DiaCursor::Level);
    d.mouseMove(572 + 5, 150, Plot(5), o, XScaling(), ReadoutWords());
    EXPECT_EQ(d.state().mode, DiaCursor::None);
    EXPECT_EQ(d.state().startX, -1);
    EXPECT_FALSE(d.state().armed);

    DiaCursor r;
    EXPECT_TRUE(r.mouseUp(false, true).showOptions);   // right click opens the options
}

TEST(DiaCursor, FrequencyOfZeroGivesFpError)
{
    DiaLayout lay = Plot(5);
    lay.xLog = false;
    lay.ppHz = 1;
    lay.ranges.xmin = 1;   // pixel 23 is 0 Hz
    DiaCursor c = ClickAndMove(lay, Measuring(true, false, false), 23, 100, 100, 100);
    EXPECT_EQ(c.state().freqText, FpErrorText);
}
