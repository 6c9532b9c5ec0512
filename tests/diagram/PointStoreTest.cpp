#include "diagram/DiaPointStore.h"
#include "tests/support/TestSupport.h"
#include "diagram/TextExport.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {
int Add2(DiaPointStore& s, float a, float b, int i, double f, const DiagramOptions& o)
{
    const float v[2] = {a, b};
    return s.addPoint(v, 2, i, f, o);
}
} // namespace

TEST(DiaPointStore, StartsClearedWithThePeakFloor)
{
    DiaPointStore s;
    for (int i : {0, 8191, DiaPointStore::Capacity - 1}) {
        EXPECT_EQ(s.x()[i], 0.0f);
        EXPECT_EQ(s.curve1()[i], 0.0f);
        EXPECT_EQ(s.curve3()[i], DiaPointStore::PeakFloor);
    }
}

TEST(DiaPointStore, SingleValuesFollowTheRouting)
{
    DiaPointStore s;
    DiagramOptions o;   // route1 on
    float v = -12.5f;
    EXPECT_EQ(s.addPoint(&v, 1, 3, 1000, o), 0);
    EXPECT_EQ(s.curve1()[3], -12.5f);
    EXPECT_EQ(s.curve2()[3], 0.0f);
    EXPECT_EQ(s.x()[3], 1000.0f);
    o.route1 = false;
    o.route2 = true;
    o.peak2 = true;
    v = -3;
    EXPECT_EQ(s.addPoint(&v, 1, 4, 2000, o), 0);
    EXPECT_EQ(s.curve2()[4], -3.0f);
    EXPECT_EQ(s.curve3()[4], -3.0f);
    v = -9;
    s.addPoint(&v, 1, 4, 2000, o);
    EXPECT_EQ(s.curve3()[4], -3.0f);   // the peak holds
}

TEST(DiaPointStore, DifferenceModesFillCurveThree)
{
    DiaPointStore s;
    DiagramOptions o;
    const float expected[] = {0, -2, 2, -6};   // none (checked below), K1-K2, K2-K1, K1+K2 of the last run
    for (int mode = 1; mode <= 3; ++mode) {
        o.diffMode = mode;
        for (int run = 0; run < 2; ++run)   // a difference is replaced, never held
            ASSERT_EQ(Add2(s, -5 + run, -3 + run, 7, 500, o), 0);
        EXPECT_FLOAT_EQ(s.curve3()[7], expected[mode]) << "mode " << mode;
    }
    o.diffMode = DiffNone;
    Add2(s, -1, -1, 8, 600, o);
    EXPECT_EQ(s.curve3()[8], DiaPointStore::PeakFloor);
}

TEST(DiaPointStore, PeakModesHoldTheMaximumUntilReset)
{
    DiaPointStore s;
    DiagramOptions o;
    o.peak1 = true;
    Add2(s, -20, -1, 0, 100, o);
    Add2(s, -30, 0, 0, 100, o);
    Add2(s, -25, 5, 0, 100, o);
    EXPECT_EQ(s.curve3()[0], -20.0f);   // the maximum of curve 1, not of curve 2
    o.peak1 = false;
    o.peak2 = true;
    Add2(s, -50, -40, 1, 200, o);
    Add2(s, -50, -45, 1, 200, o);
    EXPECT_EQ(s.curve3()[1], -40.0f);

    // The reset reaches every entry, also those above 8181.
    o.peak2 = false;
    o.peak1 = true;
    Add2(s, -1, 0, 8190, 23990, o);
    Add2(s, -1, 0, DiaPointStore::MaxPoints, 24000, o);
    s.resetPeaks();
    for (int i : {0, 1, 8190, DiaPointStore::MaxPoints})
        EXPECT_EQ(s.curve3()[i], DiaPointStore::PeakFloor) << i;
    EXPECT_EQ(s.curve1()[0], -25.0f);   // the curves stay
}

TEST(DiaPointStore, RefusesWhatItCannotStore)
{
    DiaPointStore s;
    DiagramOptions o;
    EXPECT_EQ(Add2(s, 1, 2, -1, 100, o), 1);
    EXPECT_EQ(Add2(s, 1, 2, DiaPointStore::Capacity, 100, o), 1);
    const float v[2] = {1, 2};
    EXPECT_EQ(s.addPoint(v, 3, 0, 100, o), 1);
    EXPECT_EQ(s.x()[0], 0.0f);
}

TEST(DiaPointStore, VisibleRangeStartsAtOrBelowXminAndEndsAtXmax)
{
    DiaPointStore s;
    DiagramOptions o;
    s.setCount(10);
    for (int i = 0; i < 10; ++i)
        Add2(s, 0, 0, i, 100.0f * i, o);   // 0, 100, ... 900 Hz
    int b = -1, e = -1;
    s.visibleRange(250, 650, b, e);
    EXPECT_EQ(b, 2);   // 200 Hz: the curve enters the plot from its left edge
    EXPECT_EQ(e, 6);   // 600 Hz
    s.visibleRange(0, 10000, b, e);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(e, 9);
    s.visibleRange(5000, 10000, b, e);   // every point below the range
    EXPECT_EQ(b, 0);

    // A stale point left from a longer run beyond the count is not drawn.
    DiaPointStore t;
    t.setCount(20);
    for (int i = 0; i < 20; ++i)
        Add2(t, 0, 0, i, 100.0f * i, o);
    t.setCount(10);
    t.visibleRange(0, 1500, b, e);
    EXPECT_EQ(e, 9);
}

// ---------------------------------------------------------------------------
// Text export

namespace {
struct ExportFixture : ::testing::Test {
    DiaPointStore s;
    DiagramOptions o;
    ScratchDir dir;
    void SetUp() override
    {
        o.show1 = o.show2 = true;
        s.setCount(3);
        Add2(s, -3, -6.5f, 0, 1000, o);
        Add2(s, -42.37f, 0.004f, 1, 2000, o);
        Add2(s, 1, 2, 2, 30000, o);
    }
    QByteArray write(const QString& sep, double xmin = 20, double xmax = 20000)
    {
        EXPECT_EQ(WriteTextExport(dir.file("v.txt"), s, o, xmin, xmax, sep), 0);
        return dir.read("v.txt");
    }
};
} // namespace

TEST_F(ExportFixture, ShownCurvesWithTwoDecimalsAndCrLf)
{
    EXPECT_EQ(write(","), QByteArray("1000.00,-3.00,-6.50\r\n2000.00,-42.37,0.00\r\n"));
    o.show2 = false;
    o.diffMode = DiffK1MinusK2;
    Add2(s, -3, -6.5f, 0, 1000, o);
    EXPECT_EQ(write(";", 500, 1500), QByteArray("1000.00;-3.00;3.50\r\n"));
}

TEST_F(ExportFixture, TabAndLineSeparators)
{
    EXPECT_EQ(write("\\t", 500, 1500), QByteArray("1000.00\t-3.00\t-6.50\r\n"));
    EXPECT_EQ(write("\\n", 500, 1500), QByteArray("1000.00\r\n-3.00\r\n-6.50\r\n"));
    EXPECT_EQ(TranslateSeparator(" \\t; "), QString(" \t; "));
}

TEST_F(ExportFixture, ZoomingChangesTheExport)
{
    EXPECT_EQ(write(",", 1500, 40000), QByteArray("2000.00,-42.37,0.00\r\n30000.00,1.00,2.00\r\n"));
    EXPECT_EQ(write(",", 1000, 1000), QByteArray("1000.00,-3.00,-6.50\r\n"));   // limits included
}

// Nothing of a shown curve in the range: no file is created, and one that
// is there stays as it was.
TEST_F(ExportFixture, NothingToExportTouchesNoFile)
{
    const struct {
        const char* what;
        std::function<void()> change;
        double xmin, xmax;
    } cases[] = {
        {"range beside every point", [] {}, 40000, 50000},
        {"no curve shown", [&] { o.show1 = o.show2 = false; }, 20, 20000},
        {"curves cleared by a page change", [&] { s.clearCurves(); }, 20, 20000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.change();
        EXPECT_FALSE(ExportsAnyPoint(s, o, c.xmin, c.xmax));
        EXPECT_EQ(WriteTextExport(dir.file("new.txt"), s, o, c.xmin, c.xmax, ","), NothingToExport);
        EXPECT_FALSE(QFile::exists(dir.file("new.txt")));
        dir.write("old.txt", "kept");
        EXPECT_EQ(WriteTextExport(dir.file("old.txt"), s, o, c.xmin, c.xmax, ","), NothingToExport);
        EXPECT_EQ(dir.read("old.txt"), QByteArray("kept"));
    }
}

TEST_F(ExportFixture, UnwritablePlacesReportAnError)
{
    // The parent of the file is a regular file: no user can create it.
    dir.write("plain", "x");
    EXPECT_NE(WriteTextExport(dir.file("plain/v.txt"), s, o, 0, 1e9, ","), 0);
    EXPECT_NE(WriteTextExport(dir.path(), s, o, 0, 1e9, ","), 0);   // a directory
    // A full disk fails on a write, not on the open.
    if (QFile::exists("/dev/full")) {
        EXPECT_NE(WriteTextExport("/dev/full", s, o, 0, 1e9, ","), 0);
    }
}

// Every FFT bin k exports as k fs / N rounded to 2 decimals (ties away from
// zero, as every number of the program), whatever the rate: the frequencies
// are held as they were computed, not at the precision the drawing uses.
TEST(ExportFrequencies, EveryBinIsItsExactFrequencyRounded)
{
    const struct {
        int64_t rate, n;
    } cases[] = {{44100, 16384}, {44100, 2048}, {11025, 16384}, {11025, 4096}, {48000, 8192}, {22050, 16384}};
    ScratchDir dir;
    DiagramOptions o;
    for (const auto& c : cases) {
        DiaPointStore s;
        const int bins = int(c.n / 2);
        s.setCount(bins);
        for (int k = 0; k < bins; ++k)
            Add2(s, 0, 0, k, k * double(c.rate) / double(c.n), o);
        ASSERT_EQ(WriteTextExport(dir.file("f.txt"), s, o, 0, 1e9, ","), 0);
        const QList<QByteArray> lines = dir.read("f.txt").split('\n');
        ASSERT_EQ(lines.size(), bins + 1);
        int wrong = 0;
        for (int64_t k = 0; k < bins; ++k) {
            // Hundredths of k rate / n, rounded half up in whole numbers.
            const int64_t h = (200 * k * c.rate + c.n) / (2 * c.n);
            const QByteArray expected = QByteArray::number(h / 100) + '.' + QByteArray::number(h % 100).rightJustified(2, '0');
            if (lines[k].split(',').front() != expected && ++wrong <= 3)
                ADD_FAILURE() << c.rate << " Hz, N " << c.n << ", bin " << k << ": " << lines[k].constData()
                              << " instead of " << expected.constData();
        }
        EXPECT_EQ(wrong, 0) << c.rate << " Hz, N " << c.n;
    }
}
