// Memory curves: their file (round trip, damaged files), a restart of the
// window, how they are drawn behind the live curves with their legend, and
// the saved pictures.

#include "diagram/DiaFonts.h"
#include "diagram/DiaLegend.h"
#include "diagram/DiaPicture.h"
#include "tests/diagram/DiaTestSupport.h"
#include "diagram/MemoryFile.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

MemoryCurve Sample(const QString& name, int traces, float base)
{
    MemoryCurve m;
    m.name = name;
    m.unit = QStringLiteral("Level [dBV]");
    m.xmin = 20;
    m.xmax = 20000;
    m.stored = MemoryTimeStamp(QDateTime::currentDateTime());
    for (int i = 0; i < 300; ++i)
        m.x.push_back(20.0f * std::pow(1000.0f, i / 299.0f));
    for (int t = 0; t < traces; ++t) {
        MemoryTrace tr{t == 1, {}};
        for (int i = 0; i < 300; ++i)
            tr.values.push_back(base + t - 1.0f / 3.0f * float(i % 11));
        m.traces.push_back(tr);
    }
    return m;
}

MemoryFileResult ParseBytes(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ParseMemories(buffer);
}

TEST(MemoryFile, KeepsEveryMemoryExactly)
{
    MemoryBank bank;
    bank[0] = Sample(QStringLiteral("Verstärker A – vorher & nachher"), 3, -60);
    bank[0].traces[2].values[5] = DiaPointStore::PeakFloor;
    bank[0].traces[2].values[6] = 1e-40f;   // denormal
    bank[3] = Sample(QString(), 1, 0);
    bank[3].visible = false;
    bank[7] = Sample(QStringLiteral("  spaces  "), 2, 12.5f);
    const MemoryFileResult r = ParseBytes(SerializeMemories(bank));
    ASSERT_TRUE(r.ok) << r.line << ": " << r.reason.toStdString();
    EXPECT_TRUE(r.bank == bank);
    EXPECT_EQ(MemoryFilePath("/a/b/krv14f.ini"), "/a/b/krv14f-memories.txt");
}

TEST(MemoryFile, RefusesDamagedFilesWhole)
{
    MemoryBank bank;
    bank[1] = Sample("x", 2, 0);
    const QByteArray good = SerializeMemories(bank);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"not ours", "hello\n"},
        {"cut short", good.left(good.size() / 2)},
        {"slot 9", QByteArray(good).replace("MEMORY 2", "MEMORY 9")},
        {"twice the same slot", good + good.mid(good.indexOf("MEMORY"))},
        {"count above the points", QByteArray(good).replace("POINTS 300", "POINTS 301")},
        {"point count too large", QByteArray(good).replace("POINTS 300", "POINTS 99999")},
        {"a value that is no number", QByteArray(good).replace("\n20 ", "\n2x0 ")},
        {"bad scales", QByteArray(good).replace("SCALES LR", "SCALES LX")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const MemoryFileResult r = ParseBytes(c.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_GT(r.line, 0);
        EXPECT_TRUE(std::all_of(r.bank.begin(), r.bank.end(), [](const MemoryCurve& m) { return m.isEmpty(); }));
    }
}

TEST(MemoryFile, DamagedFileIsKeptAsideAndMemoriesStartEmpty)
{
    ScratchDir dir;
    const QString path = dir.file("krv14f-memories.txt");
    dir.write("krv14f-memories.txt", "KORVANTA MEMORIES 1\nMEMORY 1\nNAME broken\n");
    MemoryStore store(path);
    store.load();
    EXPECT_TRUE(store.at(0).isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    const QStringList aside = QDir(dir.path()).entryList({"krv14f-memories.txt.damaged-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(dir.read(aside[0]).startsWith("KORVANTA MEMORIES 1\nMEMORY 1"));
    ASSERT_TRUE(store.set(2, Sample("new", 1, 0)));
    MemoryStore again(path);
    again.load();
    EXPECT_TRUE(again.at(2) == store.at(2));
}

// A window with a flat live curve 1 at -40 dB, 20 Hz ... 20 kHz, and no
// memory file left from an earlier test.
struct MemoryWindow : ::testing::Test {
    FreshSettings fresh;
    bool removed = QFile::remove(MemoryFilePath(SettingsFilePath()));
    TDiagramm dia;
    ScratchDir dir;

    void SetUp() override
    {
        dia.SetYCaption("Level [dBV]");
        dia.ShowCurves(true, false);
        SetupAnalyzerLike(dia, 400, 20, 20000);
        FillFlat(dia, 400, 20, 20000, -40, -70);
        dia.Edicomment->setText("Amplifier A");
    }

    // A stored copy of the live curve shifted to `level`.
    MemoryCurve shiftedCopy(float level)
    {
        MemoryCurve m = dia.ShownCurves();
        for (float& v : m.traces[0].values)
            v = level;
        return m;
    }

    QImage screen()
    {
        dia.resize(580, 370);
        dia.CalcLayout(dia.Bitmap(), 580, 370, TDiagramm::ScreenFontSize, false);
        dia.RenderDiagram(dia.Bitmap(), false);
        return dia.Bitmap().copy();
    }
};

int CountColour(const QImage& img, const QRect& r, QRgb colour)
{
    int n = 0;
    const QRect area = r.intersected(img.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == colour;
    return n;
}

TEST_F(MemoryWindow, StoresTheShownCurvesAndSurvivesARestart)
{
    const MemoryCurve shown = dia.ShownCurves();
    ASSERT_EQ(shown.traces.size(), 1u);
    EXPECT_EQ(shown.name, "Amplifier A");
    EXPECT_EQ(shown.unit, "Level [dBV]");
    EXPECT_EQ(shown.x.size(), 400u);
    EXPECT_EQ(shown.xmin, 20);
    ASSERT_TRUE(dia.Memories().set(0, shown));
    ASSERT_TRUE(dia.Memories().set(5, shiftedCopy(-60)));
    ASSERT_TRUE(dia.Memories().rename(5, "Amplifier B"));
    ASSERT_TRUE(dia.Memories().setVisible(0, false));
    const MemoryBank before = dia.Memories().bank();

    TDiagramm restarted;
    EXPECT_TRUE(restarted.Memories().bank() == before);
}

TEST_F(MemoryWindow, MemoriesAreDrawnBehindTheLiveCurvesInTheirColour)
{
    ASSERT_TRUE(dia.Memories().set(0, shiftedCopy(-60)));
    ASSERT_TRUE(dia.Memories().set(1, shiftedCopy(-40)));   // right under the live curve
    const QImage img = screen();
    const DiaLayout& l = dia.Layout();
    const QRgb colour0 = Rgb(MemoryStyleOf(0).colour);
    const QRect row60(l.plotLeft, RowOf(dia, -60), l.plotWidth(), 1);
    // Dashed: a good part of the row, not all of it.
    EXPECT_GT(CountColour(img, row60, colour0), l.plotWidth() / 4);
    EXPECT_LT(CountColour(img, row60, colour0), l.plotWidth());
    const QRect row40(l.plotLeft, RowOf(dia, -40), l.plotWidth(), 1);
    EXPECT_EQ(CountColour(img, row40, Rgb(MemoryStyleOf(1).colour)), 0);
    EXPECT_GT(CountColour(img, row40, Rgb(dia.Options().colLine1)), l.plotWidth() / 2);

    ASSERT_TRUE(dia.Memories().setVisible(0, false));
    const QImage hidden = screen();
    EXPECT_EQ(CountColour(hidden, QRect(0, 0, 580, 370), colour0), 0);
}

TEST_F(MemoryWindow, PrintoutCarriesTheLegend)
{
    ASSERT_TRUE(dia.Memories().set(2, shiftedCopy(-70)));
    QImage work;
    ASSERT_TRUE(dia.CalcLayout(work, 1102, 877, 16, false));
    dia.RenderDiagram(work, true);
    QPainter p(&work);
    p.setFont(DiaFont(16));
    const QRect legend = MemoryLegendRect(p, dia.Layout(), dia.Memories().bank());
    p.end();
    ASSERT_FALSE(legend.isEmpty());
    EXPECT_LT(legend.top(), RowOf(dia, -40));
    // Its sample line in the memory's colour and its text.
    EXPECT_GT(CountColour(work, legend, Rgb(MemoryStyleOf(2).colour)), 10);
    EXPECT_GT(DarkPixels(work, legend), 50);
    dia.RestoreScreenLayout();
}

TEST_F(MemoryWindow, SavesPngAtTheChosenSizeAndSvgThatShowsTheCurves)
{
    ASSERT_TRUE(dia.Memories().set(0, shiftedCopy(-60)));
    dia.resize(580, 370);
    dia.RestoreScreenLayout();
    const int plotRight = dia.Layout().plotRight;

    const QString png = dir.file("d.png");
    ASSERT_EQ(SaveDiagramPicture(dia.PictureContent(), png, QSize(1500, 900)), PictureResult::Saved);
    const QImage picture(png);
    EXPECT_EQ(picture.size(), QSize(1500, 900));
    EXPECT_GT(CountColour(picture, picture.rect(), Rgb(MemoryStyleOf(0).colour)), 500);
    EXPECT_EQ(dia.Layout().plotRight, plotRight);   // the window's layout is back
    EXPECT_EQ(SaveDiagramPicture(dia.PictureContent(), png, QSize(10, 10)), PictureResult::BadSize);
    dir.write("plain", "a file, not a folder");
    EXPECT_EQ(SaveDiagramPicture(dia.PictureContent(), dir.file("plain/x.png"), QSize(800, 600)), PictureResult::WriteFailed);

    const QString svg = dir.file("d.svg");
    ASSERT_EQ(SaveDiagramPicture(dia.PictureContent(), svg, QSize(800, 500)), PictureResult::Saved);
    EXPECT_TRUE(dir.read("d.svg").contains("Amplifier A"));
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 800, 500));
    QImage drawn(800, 500, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter p(&drawn);
    // Lines of the picture lie on whole coordinates; shifted by half a
    // pixel they fill whole pixels instead of blending over two.
    renderer.render(&p, QRectF(0.5, 0.5, 800, 500));
    p.end();
    EXPECT_GT(CountColour(drawn, drawn.rect(), Rgb(dia.Options().colLine1)), 300);
    EXPECT_GT(CountColour(drawn, drawn.rect(), Rgb(MemoryStyleOf(0).colour)), 150);

    // PDF: one page the size of the picture at 96 dpi (800 x 500 px = 600 x 375 pt).
    ASSERT_EQ(SaveDiagramPicture(dia.PictureContent(), dir.file("d.pdf"), QSize(800, 500)), PictureResult::Saved);
    const QByteArray pdf = dir.read("d.pdf");
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_EQ(pdf.count("/Type /Page\n"), 1);
    const QRegularExpressionMatch box =
        QRegularExpression(QStringLiteral(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])")).match(QString::fromLatin1(pdf));
    ASSERT_TRUE(box.hasMatch());
    EXPECT_DOUBLE_EQ(box.captured(1).toDouble(), 600.0);
    EXPECT_DOUBLE_EQ(box.captured(2).toDouble(), 375.0);
}

// Two channels stored while the right axis is hidden are two levels: both
// are read on the level axis, wherever the hidden right axis' range stands
// (the sweep page keeps its phase range there). A memory whose curve does
// belong to the right axis (a phase) shows that axis, so it can be read.
TEST_F(MemoryWindow, EachStoredColumnIsDrawnOnItsOwnShownAxis)
{
    dia.ShowCurves(true, true);
    FillFlat(dia, 400, 20, 20000, -40, -70);
    dia.SetY2Range(-90, 90);
    const MemoryCurve levels = dia.ShownCurves();
    ASSERT_EQ(levels.traces.size(), 2u);
    EXPECT_FALSE(levels.traces[1].rightScale);
    ASSERT_TRUE(dia.Memories().set(0, levels));
    dia.ShowCurves(false, false);
    QImage img = screen();
    const DiaLayout& l = dia.Layout();
    // Labels right of the plot: what is not margin there, past the frame.
    const auto rightLabels = [&](const QImage& i) {
        const QRect beside(l.plotRight + 3, l.plotTop, l.width - l.plotRight - 3, l.plotHeight());
        return beside.width() * beside.height() - CountColour(i, beside, Rgb(dia.Options().colMargin));
    };
    const QRgb colour0 = Rgb(MemoryStyleOf(0).colour);
    EXPECT_GT(CountColour(img, QRect(l.plotLeft, RowOf(dia, -70), l.plotWidth(), 1), colour0), l.plotWidth() / 4);
    EXPECT_EQ(rightLabels(img), 0) << "no right axis for two levels";

    dia.ShowCurves(true, true);
    dia.ShowScales(true, true);
    const MemoryCurve phase = dia.ShownCurves();
    EXPECT_TRUE(phase.traces[1].rightScale);
    ASSERT_TRUE(dia.Memories().set(1, phase));
    dia.ShowScales(true, false);
    dia.ShowCurves(false, false);
    img = screen();
    EXPECT_GT(dia.Layout().marginRight, TDiagramm::ScreenFontSize) << "the right axis has room for its labels";
    EXPECT_GT(rightLabels(img), 20);

    // A loaded table's second column follows the diagram's right axis.
    CurveTable table{{20, 1000}, {{-1, -2}, {-3, -4}}};
    EXPECT_TRUE(CurveFromTable(table, "t", QDateTime::currentDateTime(), true).traces[1].rightScale);
    EXPECT_FALSE(CurveFromTable(table, "t", QDateTime::currentDateTime(), false).traces[1].rightScale);
}

TEST(MemoryName, TheCommentUnlessItIsStillThePlaceholder)
{
    const struct {
        const char* comment;
        int slot;
        char letter;
        const char* name;
    } cases[] = {
        {"Amplifier A", 0, 'E', "Amplifier A"}, {"remark:", 2, 'E', "Memory 3"}, {"remark:", 2, 'D', "Speicher 3"},
        {" Bemerkung: ", 7, 'D', "Speicher 8"}, {"", 0, 'E', "Memory 1"},     {"remark: 8 ohm", 1, 'D', "remark: 8 ohm"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MemoryDefaultName(QString::fromUtf8(c.comment), c.slot, c.letter), QString::fromUtf8(c.name)) << c.comment;
}

// A picture with no curve point in view is an empty grid: refused, no file.
TEST_F(MemoryWindow, APictureWithoutACurvePointIsRefused)
{
    const QString png = dir.file("d.png");
    dia.ClearCurves();
    EXPECT_EQ(SaveDiagramPicture(dia.PictureContent(), png, QSize(800, 600)), PictureResult::NothingShown);
    EXPECT_FALSE(QFile::exists(png));
    ASSERT_TRUE(dia.Memories().set(0, Sample("kept", 1, -50)));
    EXPECT_EQ(SaveDiagramPicture(dia.PictureContent(), png, QSize(800, 600)), PictureResult::Saved);
    dia.SetXRange(30000, 40000);
    EXPECT_FALSE(ShowsAnyPoint(dia.PictureContent())) << "the memory lies outside the range shown";
}

} // namespace
