// A printed page must be readable at every printer resolution: the grid is
// spaced for the font that draws the labels, no two labels touch, and the
// info line stays clear of the x caption. The checks look at the PDF page as
// a rasteriser draws it.

#include "diagram/DiaFonts.h"
#include "diagram/DiaLegend.h"
#include "diagram/ui/DiaPrint.h"
#include "tests/diagram/DiaTestSupport.h"
#include "diagram/PrintGeometry.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

struct PageCase {
    QPageLayout::Orientation orientation;
    int dpi;
};

std::string CaseName(const testing::TestParamInfo<PageCase>& info)
{
    return std::string(info.param.orientation == QPageLayout::Landscape ? "Landscape" : "Portrait") +
           std::to_string(info.param.dpi);
}

bool IsBlue(QRgb c) { return qRed(c) < 110 && qGreen(c) < 110 && qBlue(c) > 150; }
bool IsBlack(QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; }

// Runs of consecutive indices for which `ink` holds; runs closer than
// `minGap` blank indices or fewer count as one.
std::vector<std::pair<int, int>> InkRuns(int from, int to, int minGap, const std::function<bool(int)>& ink)
{
    std::vector<std::pair<int, int>> runs;
    for (int i = from; i < to; ++i) {
        if (!ink(i))
            continue;
        if (!runs.empty() && i - runs.back().second - 1 <= minGap)
            runs.back().second = i;
        else
            runs.emplace_back(i, i);
    }
    return runs;
}

struct Printout : testing::TestWithParam<PageCase> {
    FreshSettings fresh;
    TDiagramm dia;
    ScratchDir dir;
    ModalRecorder rec;   // accepts the print dialog

    void SetUp() override
    {
        dia.SetXCaption("Frequency [Hz]");
        dia.SetYCaption("Level [dB FS]");
        float ymin = -110, ymax = 0;   // the analyzer's default range
        dia.SetupDiagram(QString(), 2047, 20, 20000, ymin, ymax);
        FillFlat(dia, 2048, 20, 20000, -45, -70);
        dia.Edicomment->setText("remark: printed page");
        dia.SetInfoLine("THD+N  LI  -81.3 dB  1000.0 Hz  RE  -80.9 dB");
    }

    // The picture of the printed page at the work bitmap's scale: the page is
    // rasterised at half the printer's resolution (two pixels for each
    // bitmap pixel) and each pair is sampled in its middle.
    QImage printedPicture(const PrintGeometry& g, int dpi, const QString& pdf)
    {
        const QString stem = dir.file("page");
        const int rc = QProcess::execute(
            "pdftoppm", {"-r", QString::number(dpi / 2), "-png", "-singlefile", "-f", "1", "-l", "1", "-x",
                         QString::number(g.x0 / 2), "-y", QString::number(g.y0 / 2), "-W",
                         QString::number(g.bitmapWidth * 2), "-H", QString::number(g.bitmapHeight * 2), pdf, stem});
        EXPECT_EQ(rc, 0);
        const QImage page = QImage(stem + ".png").convertToFormat(QImage::Format_RGB32);
        QImage picture(g.bitmapWidth, g.bitmapHeight, QImage::Format_RGB32);
        if (page.width() < 2 * g.bitmapWidth || page.height() < 2 * g.bitmapHeight)
            return {};
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, page.pixel(2 * x + 1, 2 * y + 1));
        return picture;
    }
};

TEST_P(Printout, LabelsAndTextLinesStayApart)
{
    const PageCase pc = GetParam();
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = dir.file("page.pdf");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setResolution(pc.dpi);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(pc.orientation);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    ASSERT_EQ(FilePrint(dia, printer), PrintResult::Printed);

    const PrintGeometry g = ComputePrintGeometry(pc.dpi, printer.width(), printer.height(),
                                                 pc.orientation == QPageLayout::Landscape);
    const QImage pic = printedPicture(g, pc.dpi, pdf);
    ASSERT_FALSE(pic.isNull());
    // KORVANTA_KEEP_PRINTOUT=<folder> keeps the page and the picture for a look.
    if (qEnvironmentVariableIsSet("KORVANTA_KEEP_PRINTOUT")) {
        const QString keep = qEnvironmentVariable("KORVANTA_KEEP_PRINTOUT") + "/" + QString::fromStdString(CaseName({pc, 0}));
        pic.save(keep + ".png");
        QFile::remove(keep + ".pdf");
        QFile::copy(pdf, keep + ".pdf");
    }

    // The layout the printout was drawn with.
    QImage work;
    ASSERT_TRUE(dia.CalcLayout(work, g.bitmapWidth, g.bitmapHeight, g.fontSize, false));
    const DiaLayout lay = dia.Layout();
    const DiaTextMetrics m = MeasureDiaText(g.fontSize);
    EXPECT_EQ(lay.charH, m.charH) << "the grid is spaced for the font that draws it";
    EXPECT_GE(lay.yStep * lay.ppdB, m.textHeight) << "grid rows at least one line of text apart";

    // Left labels: one band of blue rows per label, between the caption's
    // column and the plot.
    int labels = 0;
    const int k = static_cast<int>(std::lround(110.0 / lay.yStep));
    for (int j = 0; j <= k; ++j)
        labels += lay.plotBottom - std::lround(j * lay.yStep * lay.ppdB) >= lay.plotTop;
    const int captionH = CaptionHeight("Level [dB FS]", g.fontSize);
    const auto leftBands = InkRuns(0, pic.height(), 0, [&](int y) {
        for (int x = captionH; x < lay.plotLeft - 2; ++x)
            if (IsBlue(pic.pixel(x, y)))
                return true;
        return false;
    });
    EXPECT_EQ(int(leftBands.size()), labels) << "left labels run into each other";
    for (const auto& [top, bottom] : leftBands)
        EXPECT_LE(bottom - top, m.charH);

    // Nothing of the labels reaches the caption's column outside the caption
    // itself, which reads upwards from the middle of the picture.
    const int captionLength = QFontMetrics(DiaFont(g.fontSize)).horizontalAdvance("Level [dB FS]");
    int strayInk = 0;
    for (int y = lay.plotTop - m.charH; y < lay.plotBottom + m.charH; ++y)
        if (y < pic.height() / 2 - captionLength - 2 || y > pic.height() / 2 + 2)
            for (int x = 0; x < captionH; ++x)
                strayInk += IsBlue(pic.pixel(x, y));
    EXPECT_EQ(strayInk, 0) << "a label runs into the caption's column";

    // X labels: 20, 30, 50, 100 ... 20k, each a run of black columns at
    // least half a digit away from the next.
    const int labelTop = lay.plotBottom + lay.charH / 2;
    const auto xRuns = InkRuns(0, pic.width(), lay.charW / 2, [&](int x) {
        for (int y = labelTop; y < labelTop + m.textHeight; ++y)
            if (IsBlack(pic.pixel(x, y)))
                return true;
        return false;
    });
    EXPECT_EQ(xRuns.size(), 13u) << "x labels run into each other or are not where the layout puts them";

    // Below the plot: the x labels, the x caption (with the credit line
    // beside it) and the info line, three bands with blank rows between.
    const auto rows = InkRuns(labelTop, pic.height(), 0, [&](int y) {
        for (int x = lay.plotLeft; x < lay.plotRight; ++x)
            if (IsBlack(pic.pixel(x, y)))
                return true;
        return false;
    });
    ASSERT_EQ(rows.size(), 3u) << "the info line and the x caption intersect";
    EXPECT_GE(rows[2].first, lay.plotBottom + 5 * lay.charH / 2) << "the info line is where it belongs";
}

// On paper a curve is a line one can see (a quarter of a millimetre at
// least, at every resolution), and the legend of the memory curves is
// printed whole: its box inside the plot, every row's text inside the box.
TEST_P(Printout, CurvesAreVisibleAndTheLegendIsWhole)
{
    const PageCase pc = GetParam();
    for (int slot = 0; slot < 3; ++slot) {
        MemoryCurve m;
        m.name = QStringLiteral("Amplifier %1 left channel").arg(slot + 1);
        m.unit = QStringLiteral("Level [dBV]");
        m.xmin = 20;
        m.xmax = 20000;
        m.stored = QDateTime(QDate(2026, 12, 9), QTime(7, 0));
        m.x = {20.0f, 20000.0f};
        m.traces.push_back(MemoryTrace{false, {-60.0f - slot * 5.0f, -60.0f - slot * 5.0f}});
        ASSERT_TRUE(dia.Memories().set(slot, m));
    }
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = dir.file("page.pdf");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setResolution(pc.dpi);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(pc.orientation);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    ASSERT_EQ(FilePrint(dia, printer), PrintResult::Printed);
    const PrintGeometry g = ComputePrintGeometry(pc.dpi, printer.width(), printer.height(),
                                                 pc.orientation == QPageLayout::Landscape);
    const QImage pic = printedPicture(g, pc.dpi, pdf);
    ASSERT_FALSE(pic.isNull());
    if (qEnvironmentVariableIsSet("KORVANTA_KEEP_PRINTOUT"))
        pic.save(qEnvironmentVariable("KORVANTA_KEEP_PRINTOUT") + "/legend-" +
                 QString::fromStdString(CaseName({pc, 0})) + ".png");
    QImage work;
    ASSERT_TRUE(dia.CalcLayout(work, g.bitmapWidth, g.bitmapHeight, g.fontSize, false));
    const DiaLayout lay = dia.Layout();

    // The live curve 1 at -45 dB: its stroke in printer pixels, in the
    // middle of the plot. The rasteriser blends the stroke's edges into the
    // background, so each row counts with its share of the curve's colour
    // (green 255 is the background, 0 the blue curve).
    const int x = (lay.plotLeft + lay.plotRight) / 2 + 3;
    const int row = RowOf(dia, -45.0);
    double coverage = 0.0;
    for (int y = row - lay.charH; y <= row + lay.charH; ++y) {
        const QColor c = QColor(pic.pixel(x, y));
        if (c.red() < 110 && c.blue() > 150)
            coverage += (255 - c.green()) / 255.0;
    }
    const double quarterMm = pc.dpi * 0.25 / 25.4;
    EXPECT_GE(coverage * PrintScale, quarterMm) << "stroke of " << coverage * PrintScale << " printer pixels";

    // The legend's box as the print's font lays it out.
    QPainter measure(&work);
    measure.setFont(DiaFont(g.fontSize));
    const QRect box = MemoryLegendRect(measure, lay, dia.Memories().bank());
    measure.end();
    ASSERT_FALSE(box.isEmpty());
    EXPECT_TRUE(QRect(lay.plotLeft, lay.plotTop, lay.plotWidth(), lay.plotHeight()).contains(box));
    // Every row of text sits inside the box: dark pixels in each third of
    // its height, none just outside its left edge.
    for (int row = 0; row < 3; ++row) {
        int ink = 0;
        const int top = box.top() + row * box.height() / 3, bottom = box.top() + (row + 1) * box.height() / 3;
        for (int y = top; y < bottom; ++y)
            for (int xx = box.left() + box.width() / 3; xx < box.right(); ++xx)
                ink += IsBlack(pic.pixel(xx, y));
        EXPECT_GT(ink, 10) << "legend row " << row;
    }
}

INSTANTIATE_TEST_SUITE_P(A4, Printout,
                         testing::Values(PageCase{QPageLayout::Portrait, 300}, PageCase{QPageLayout::Portrait, 600},
                                         PageCase{QPageLayout::Portrait, 1200},
                                         PageCase{QPageLayout::Landscape, 300},
                                         PageCase{QPageLayout::Landscape, 600},
                                         PageCase{QPageLayout::Landscape, 1200}),
                         CaseName);

} // namespace
