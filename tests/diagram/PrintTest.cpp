#include "platform/DeviceLog.h"
#include "diagram/ui/DiaPrint.h"
#include "tests/diagram/DiaTestSupport.h"
#include "diagram/PrintGeometry.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

struct Print : ::testing::Test {
    FreshSettings fresh;
    TDiagramm dia;
    ScratchDir dir;
    ModalRecorder rec;   // accepts the print dialog

    void SetUp() override
    {
        dia.SetXCaption("Frequency [Hz]");
        dia.SetYCaption("Level [dB FS]");
        SetupAnalyzerLike(dia, 2048, 20, 20000);
        FillFlat(dia, 2048, 20, 20000, -45, -70);
        dia.Edicomment->setText("MMMMMMMMMMMMMMMMMMMM");
        dia.SetInfoLine("WWWWWWWWWWWWWWWWWWWW");
        devlog::Clear();
    }

    // 600 dpi, A4 portrait (4958 x 7017 pixels: PDF pages are whole
    // points), the printable area being the whole page.
    void setUpPdf(QPrinter& printer, const QString& file)
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setResolution(600);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    }

    // The printed picture cut out of the first page at `dpi`: each pixel of
    // the work bitmap becomes a square of dpi / 150 pixels.
    QImage rasterise(const QString& pdf, int dpi, const PrintGeometry& g)
    {
        const int k = dpi / 150;
        const QString stem = dir.file("page");
        QProcess::execute("pdftoppm", {"-r", QString::number(dpi), "-png", "-f", "1", "-l", "1", "-singlefile",
                                       "-x", QString::number(g.x0 * k / 4), "-y", QString::number(g.y0 * k / 4),
                                       "-W", QString::number(g.bitmapWidth * k), "-H",
                                       QString::number(g.bitmapHeight * k), pdf, stem});
        return QImage(stem + ".png").convertToFormat(QImage::Format_RGB32);
    }
};

bool Near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
           std::abs(qBlue(a) - qBlue(b)) < 24;
}

} // namespace

TEST_F(Print, PdfShowsTheDiagramWithCommentAndInfoLine)
{
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = dir.file("diagram.pdf");
    setUpPdf(printer, pdf);
    const DiaLayout screen = dia.Layout();
    ASSERT_EQ(FilePrint(dia, printer), PrintResult::Printed);

    // The screen layout is back.
    EXPECT_EQ(dia.Layout().width, screen.width);
    EXPECT_EQ(dia.Layout().plotRight, screen.plotRight);
    EXPECT_EQ(dia.Layout().fontSize, 8);
    EXPECT_EQ(dia.GetComment(), "MMMMMMMMMMMMMMMMMMMM");

    const QStringList log = devlog::Lines();
    for (const char* line : {"Auflösung DPI: 600", "Seitenbreite : 4958", "Seitenhöhe   : 7017", "Druckreite   : 4408",
                             "Druckhöhe    : 3508", "Druck x0     : 400", "Druck y0     : 300", "PLANES       : 1"})
        EXPECT_TRUE(log.contains(QString::fromUtf8(line))) << line << "\n" << log.join('\n').toStdString();
    EXPECT_EQ(log.value(0), QString());

    // The same picture rendered here at the work size is what the page shows.
    QImage expected;
    ASSERT_TRUE(dia.CalcLayout(expected, 1102, 877, 16, false));
    dia.RenderDiagram(expected, true);
    const PrintGeometry g = ComputePrintGeometry(600, 4958, 7017, false);
    ASSERT_EQ(g.bitmapWidth, 1102);
    ASSERT_EQ(g.bitmapHeight, 877);
    const int k = 4;   // sample the middle of each printed pixel, away from the rasteriser's edges
    const QImage page = rasterise(pdf, 150 * k, g);
    ASSERT_EQ(page.size(), QSize(1102 * k, 877 * k));
    int same = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            same += Near(expected.pixel(x, y), page.pixel(k * x + k / 2, k * y + k / 2));
    EXPECT_GT(same, expected.width() * expected.height() * 99 / 100);

    // Comment above and info line below the plot, in the printout only.
    const DiaLayout& pl = dia.Layout();
    const QRect comment(pl.plotLeft, (pl.marginTop - pl.charH) / 2, 200, pl.charH);
    const QRect info(pl.plotLeft, pl.plotBottom + 5 * pl.charH / 2, 200, pl.charH);
    EXPECT_GT(DarkPixels(expected, comment), 200);
    EXPECT_GT(DarkPixels(page, QRect(comment.topLeft() * k, comment.size() * k)), 200 * k * k);
    EXPECT_GT(DarkPixels(page, QRect(info.topLeft() * k, info.size() * k)), 200 * k * k);
}

TEST_F(Print, CancelledDialogPrintsNothing)
{
    rec.answerCancel();
    QPrinter printer(QPrinter::HighResolution);
    setUpPdf(printer, dir.file("none.pdf"));
    EXPECT_EQ(FilePrint(dia, printer), PrintResult::Cancelled);
    EXPECT_FALSE(QFile::exists(dir.file("none.pdf")));
    EXPECT_TRUE(devlog::Lines().isEmpty());
    ASSERT_EQ(rec.questions().size(), 1u);
    EXPECT_EQ(rec.questions()[0].type, modal::Type::Print);
}

TEST_F(Print, FailuresPrintNothingAndRestoreTheScreen)
{
    QPrinter printer(QPrinter::HighResolution);
    dir.write("plain", "x");
    setUpPdf(printer, dir.file("plain/out.pdf"));   // cannot be created
    EXPECT_EQ(FilePrint(dia, printer), PrintResult::PrinterFailed);
    EXPECT_EQ(dia.Layout().fontSize, 8);

    float ymin = -100, ymax = 0;
    dia.SetupDiagram("", -1, 20, 20000, ymin, ymax);   // no points: no layout
    setUpPdf(printer, dir.file("empty.pdf"));
    EXPECT_EQ(FilePrint(dia, printer), PrintResult::LayoutFailed);
    EXPECT_FALSE(QFile::exists(dir.file("empty.pdf")));
    EXPECT_EQ(dia.Layout().width, dia.width());
}

TEST_F(Print, CopyPutsThePrintPictureOnTheClipboard)
{
    QImage before;
    dia.CalcLayout(before, dia.width(), dia.height(), 8, true);
    dia.RenderDiagram(before, false);
    EditCopy(dia);
    const QImage clip = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(clip.size(), dia.size());
    const DiaLayout& l = dia.Layout();
    const QRect comment(l.plotLeft, (l.marginTop - l.charH) / 2, 100, l.charH);
    EXPECT_GT(DarkPixels(clip, comment), 30);
    EXPECT_EQ(DarkPixels(before, comment), 0);
    EXPECT_EQ(dia.Bitmap(), before);   // the window's picture is as it was
}

TEST(DiaTermination, TooManyPointsEndTheProgram)
{
    const ChildResult r = RunInChild([] {
        TDiagramm dia;
        float ymin = -100, ymax = 0;
        dia.SetupDiagram("", DiaPointStore::MaxPoints, 20, 20000, ymin, ymax);   // 16,384 points
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.stdErr.contains("16383")) << r.stdErr.toStdString();
}

TEST(DiaTermination, AllocationFailureEndsTheProgram)
{
    const ChildResult r = RunInChild([] {
        testing_hooks::FailNextDiagramAllocation();
        TDiagramm dia;
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.stdErr.contains("could not be allocated")) << r.stdErr.toStdString();
}
