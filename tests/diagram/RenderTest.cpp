#include "tests/diagram/DiaTestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

struct Render : ::testing::Test {
    FreshSettings fresh;
    TDiagramm dia;
    QImage img;
    const DiagramOptions& opt() const { return dia.Options(); }
    const DiaLayout& lay() const { return dia.Layout(); }

    void SetUp() override { SetupAnalyzerLike(dia); }
    void render(bool printing = false, int w = 580, int h = 370)
    {
        ASSERT_TRUE(dia.CalcLayout(img, w, h, 8, false));
        dia.RenderDiagram(img, printing);
    }
    QRgb at(int x, int y) const { return PixelAt(img, x, y); }
    // A column inside the plot that no vertical grid line uses (25 Hz lies
    // between the 20 Hz and 30 Hz lines).
    int freeColumn() const { return ColumnOf(dia, 25); }
    int midRow() const { return RowOf(dia, -95); }
};

} // namespace

TEST_F(Render, MarginsPlotAreaAndSunkenFrame)
{
    render();
    EXPECT_EQ(img.size(), QSize(580, 370));
    const int mid = midRow(), l = lay().plotLeft, r = lay().plotRight, t = lay().plotTop, b = lay().plotBottom;
    EXPECT_EQ(at(freeColumn(), mid), Rgb(opt().colDia));
    EXPECT_EQ(at(l + 2, 2), Rgb(opt().colMargin));       // top strip
    EXPECT_EQ(at(3, mid), Rgb(opt().colMargin));          // left strip, no caption
    EXPECT_EQ(at(freeColumn(), 368), Rgb(opt().colMargin));
    EXPECT_EQ(at(l - 2, mid), qRgb(0x80, 0x80, 0x80) & 0xFFFFFF);
    EXPECT_EQ(at(l - 1, mid), 0u);
    EXPECT_EQ(at(freeColumn(), t - 2), qRgb(0x80, 0x80, 0x80) & 0xFFFFFF);
    EXPECT_EQ(at(freeColumn(), t - 1), 0u);
    EXPECT_EQ(at(r + 1, mid), qRgb(0xC0, 0xC0, 0xC0) & 0xFFFFFF);
    EXPECT_EQ(at(r + 2, mid), 0xFFFFFFu);
    EXPECT_EQ(at(freeColumn(), b + 1), qRgb(0xC0, 0xC0, 0xC0) & 0xFFFFFF);
    EXPECT_EQ(at(freeColumn(), b + 2), 0xFFFFFFu);
    EXPECT_EQ(at(r, mid), Rgb(opt().colGrid));            // the closing line at the right edge
}

TEST_F(Render, LevelGridRowsEveryStep)
{
    render();
    ASSERT_DOUBLE_EQ(lay().yStep, 10);
    for (int v = -100; v <= 0; v += 10) {
        const int y = RowOf(dia, v);
        EXPECT_EQ(at(freeColumn(), y), Rgb(opt().colGrid)) << v << " dB at row " << y;
        if (v > -100) {
            EXPECT_EQ(at(freeColumn(), y + 3), Rgb(opt().colDia)) << v;
        }
        // Its label ends left of the plot.
        EXPECT_GT(DarkPixels(img, QRect(lay().plotLeft - 30, y - lay().charH / 2, 30 - lay().charW / 2, lay().charH)),
                  0)
            << v;
    }
}

TEST_F(Render, FrequencyGridWithTicksUnderLabelledLines)
{
    render();
    const int tickRow = lay().plotBottom + lay().charH / 3 - 1;
    for (double f : {100.0, 1000.0, 2000.0, 10000.0}) {   // labelled
        const int x = ColumnOf(dia, f);
        EXPECT_EQ(at(x, midRow()), Rgb(opt().colGrid)) << f;
        EXPECT_EQ(at(x, tickRow), Rgb(opt().colGrid)) << f;
    }
    for (double f : {40.0, 400.0, 4000.0}) {   // unlabelled: a line, no tick
        const int x = ColumnOf(dia, f);
        EXPECT_EQ(at(x, midRow()), Rgb(opt().colGrid)) << f;
        EXPECT_EQ(at(x, tickRow), Rgb(opt().colMargin)) << f;
    }
    // The label text sits centred under its line.
    const int x1k = ColumnOf(dia, 1000);
    EXPECT_GT(DarkPixels(img, QRect(x1k - 8, lay().plotBottom + lay().charH / 2, 17, lay().charH)), 0);
}

TEST_F(Render, LinearAxisGridFollowsTheStep)
{
    dia.SetXRange(10, 24000);
    dia.OptionsDialog()->Fill(dia.Options());
    dia.OptionsDialog()->LogDia->setChecked(false);
    dia.OptionsDialog()->LogDiaClick();
    ApplyPosted();
    ASSERT_FALSE(dia.Options().xLog);
    render(false, 1024, 370);
    const int step = lay().xStep;
    EXPECT_EQ(step, 2000);
    for (int f = step; f <= 24000; f += step)
        EXPECT_EQ(at(ColumnOf(dia, f), midRow()), Rgb(opt().colGrid)) << f;
    EXPECT_EQ(at(ColumnOf(dia, 3000), midRow()), Rgb(opt().colDia));
}

TEST_F(Render, CurvePixelsLandOnTheirLevelRow)
{
    FillFlat(dia, 1000, 20, 20000, -50, -25);
    render();
    const int y = RowOf(dia, -50);
    for (double f : {31.0, 150.0, 777.0, 5000.0, 15000.0})
        EXPECT_EQ(at(ColumnOf(dia, f), y), Rgb(opt().colLine1)) << f;
    EXPECT_EQ(at(ColumnOf(dia, 777), RowOf(dia, -25)), Rgb(opt().colDia));   // curve 2 is not shown
}

// A point without a value (no signal there) leaves a gap in the curve, and
// a value alone between two gaps is still seen.
TEST_F(Render, PointsWithoutAValueLeaveAGap)
{
    const float none = std::nanf("");
    FillFlat(dia, 1000, 20, 20000, -55, -25);
    const auto freq = [](int i) { return static_cast<float>(20 * std::pow(1000.0, i / 999.0)); };
    for (int i = 400; i < 700; ++i)
        dia.AddPoint(i == 550 ? -55.0f : none, -25, i, freq(i));
    render();
    const int y = RowOf(dia, -55);
    EXPECT_EQ(at(ColumnOf(dia, freq(300)), y), Rgb(opt().colLine1));
    EXPECT_EQ(at(ColumnOf(dia, freq(800)), y), Rgb(opt().colLine1));
    for (int i : {420, 500, 600, 680})
        EXPECT_EQ(at(ColumnOf(dia, freq(i)), y), Rgb(opt().colDia)) << "point " << i;
    EXPECT_EQ(at(ColumnOf(dia, freq(550)), y), Rgb(opt().colLine1));
}

TEST_F(Render, ValuesBeyondTheRangeAreDrawnJustOutside)
{
    FillFlat(dia, 500, 20, 1000, 20, 0);   // above the top
    for (int i = 500; i < 1000; ++i)       // below the bottom
        dia.AddPoint(-150, 0, i, static_cast<float>(1000 * std::pow(20.0, (i - 500) / 499.0)));
    render();
    const int h8 = lay().charH / 8;
    EXPECT_EQ(at(ColumnOf(dia, 150), lay().plotTop - h8), Rgb(opt().colLine1));
    EXPECT_EQ(at(ColumnOf(dia, 5000), lay().plotBottom + h8), Rgb(opt().colLine1));
    EXPECT_EQ(at(ColumnOf(dia, 150), lay().plotTop + 3), Rgb(opt().colDia));
}

TEST_F(Render, RightAxisAndPeakCurve)
{
    dia.ShowScales(true, true);
    dia.ShowCurves(true, true);
    dia.SetY2Range(-90, 90);
    Tdiadlg& dlg = *dia.OptionsDialog();
    dlg.Fill(dia.Options());
    dlg.CheckBox2->setChecked(true);
    dlg.CheckBox2Click();
    ApplyPosted();
    ASSERT_TRUE(dia.Options().peak1);
    FillFlat(dia, 1000, 20, 20000, -30, 0);
    FillFlat(dia, 1000, 20, 20000, -60, 45);   // the peak of curve 1 stays at -30
    render();
    const int x = ColumnOf(dia, 777);
    EXPECT_EQ(at(x, RowOf(dia, -60)), Rgb(opt().colLine1));
    EXPECT_EQ(at(x, RowOf(dia, -30)), Rgb(opt().colLine3));
    const int y45 = lay().plotBottom - static_cast<int>(std::lround(135 * lay().ppdB2));
    EXPECT_EQ(at(x, y45), Rgb(opt().colLine2));
    // The right labels, in the colour of curve 2, fit into the widened margin.
    EXPECT_GT(lay().marginRight, 8);
    int reddish = 0;
    for (int yy = lay().plotTop; yy < lay().plotBottom; ++yy)
        for (int xx = lay().plotRight + 3; xx < img.width(); ++xx) {
            const QColor c = img.pixelColor(xx, yy);
            reddish += c.red() > 150 && c.green() < 100 && c.blue() < 100;
        }
    EXPECT_GT(reddish, 20);
}

TEST_F(Render, CursorOnScreenCommentWhenPrinting)
{
    dia.Edicomment->setText("MMMMMMMMMMMMMMMM");
    dia.SetInfoLine("WWWWWWWWWWWWWWWW");
    render();   // the layout the mouse works with
    const int l = lay().plotLeft;
    dia.FormMouseDown(Qt::LeftButton, 300, 100);
    dia.FormMouseUp(Qt::LeftButton);
    dia.FormMouseMove(300, 160);
    ASSERT_EQ(dia.CursorState().mode, DiaCursor::Level);
    render(false);
    EXPECT_EQ(at(freeColumn(), 100), Rgb(opt().colCur));
    EXPECT_EQ(at(freeColumn(), 160), Rgb(opt().colCur));
    const QRect commentBand(l, (lay().marginTop - lay().charH) / 2, 100, lay().charH);
    const QRect infoBand(l, lay().plotBottom + 5 * lay().charH / 2, 100, lay().charH);
    EXPECT_EQ(DarkPixels(img, commentBand), 0);
    EXPECT_EQ(DarkPixels(img, infoBand), 0);

    render(true);
    EXPECT_EQ(at(freeColumn(), 100), Rgb(opt().colDia));   // no cursor on paper
    EXPECT_GT(DarkPixels(img, commentBand), 30);
    EXPECT_GT(DarkPixels(img, infoBand), 30);
}

TEST_F(Render, NothingDrawnWithoutRoom)
{
    img = QImage(40, 40, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    dia.CalcLayout(img, 40, 40, 8, false);
    dia.RenderDiagram(img, false);
    EXPECT_EQ(PixelAt(img, 20, 20), QColor(Qt::magenta).rgb() & 0xFFFFFF);
}

// The renderer draws at most four points per pixel column. Drawing every
// point as one polyline (the slow way) must give the very same pixels.
TEST_F(Render, ReducedCurveHasThePixelsOfTheFullPolyline)
{
    SetupAnalyzerLike(dia, 8192, 10, 24000);
    for (int i = 0; i < 8192; ++i) {
        const float noise = float((i * 7919) % 101) / 4;   // up to 25 dB of spikes
        dia.AddPoint(-60 + 30 * std::sin(i * 0.01f) + noise + (i % 997 == 0 ? 80 : 0), 0, i, i * 24000.0f / 8192);
    }
    render();
    const QImage reduced = img;

    dia.ShowCurves(false, false);
    render();
    QImage reference = img;
    const DiaLayout& l = lay();
    const float* x = dia.Points().x();
    const float* v = dia.Points().curve1();
    std::vector<QPoint> full;
    int s = 0, e = 0;
    dia.Points().visibleRange(l.ranges.xmin, l.ranges.xmax, s, e);
    for (int i = s; i <= e; ++i) {
        if (i != s && x[i] == 0)
            continue;
        const int px = std::clamp(int(std::lround(l.FreqToX(x[i]))), l.plotLeft, l.plotRight - 1);
        int py = l.plotBottom - int(std::lround((v[i] - l.ranges.ymin) * l.ppdB));
        py = py > l.plotBottom ? l.plotBottom + l.charH / 8 : py < l.plotTop ? l.plotTop - l.charH / 8 : py;
        if (full.empty() || full.back() != QPoint(px, py) || i == e)
            full.emplace_back(px, py);
    }
    ASSERT_GT(full.size(), 4000u);
    QPainter p(&reference);
    p.setPen(QPen(ColorFromRef(opt().colLine1), 0));
    p.drawPolyline(full.data(), int(full.size()));
    p.end();
    EXPECT_EQ(reduced, reference);
}
