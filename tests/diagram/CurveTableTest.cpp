// Reading curve tables back: the program's own text export with every
// separator that keeps a table readable, tables of other tools, and files
// that are no such table (each refused with its first bad line, whole).

#include "diagram/CurveTable.h"
#include "tests/diagram/DiaTestSupport.h"
#include "tests/support/TestSupport.h"
#include "diagram/TextExport.h"

#include <QBuffer>
#include <QProcess>
#include <cmath>
#include <limits>
#include <vector>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

CurveTableResult Parse(const QByteArray& text)
{
    QByteArray bytes = text;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ParseCurveTable(buffer);
}

// A device that produces `lines` copies of one line without holding them,
// for files far larger than a test should write.
class RepeatedLines : public QIODevice {
public:
    RepeatedLines(QByteArray line, qint64 lines) : line_(std::move(line)), left_(lines) { open(ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return left_ > 0 ? line_.size() : 0; }
    qint64 reads() const { return reads_; }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        qint64 n = 0;
        while (left_ > 0 && n + line_.size() <= max) {
            memcpy(data + n, line_.constData(), size_t(line_.size()));
            n += line_.size();
            --left_;
            ++reads_;
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray line_;
    qint64 left_;
    qint64 reads_ = 0;
};

struct GoodCase {
    const char* what;
    QByteArray text;
    std::vector<float> x;
    std::vector<std::vector<float>> levels;
};

TEST(CurveTable, ReadsTablesOfThisProgramAndOfOtherTools)
{
    const GoodCase cases[] = {
        {"comma, CR LF", "20.00,-3.00\r\n1000.00,-6.50\r\n", {20, 1000}, {{-3, -6.5f}}},
        {"semicolon, three levels", "20;1;2;3\n30;4;5;6\n", {20, 30}, {{1, 4}, {2, 5}, {3, 6}}},
        {"tab", "20\t-1\t-2\n40\t-3\t-4\n", {20, 40}, {{-1, -3}, {-2, -4}}},
        {"runs of blanks", "  20   -1\n40 -3  \n", {20, 40}, {{-1, -3}}},
        {"blanks around commas", "20 , -1\n40 ,-3\n", {20, 40}, {{-1, -3}}},
        {"header and comments", "# measured 2026\nFrequency [Hz],Level\n20,-1 # first\n\n40,-3\n", {20, 40}, {{-1, -3}}},
        {"decimal comma with semicolons", "f;L\n20,5;-1,25\n", {20.5f}, {{-1.25f}}},
        {"exponents and plus signs", "2.0e+01,+1.5E-1\n", {20}, {{0.15f}}},
        {"equal neighbours", "20,1\n20,2\n", {20, 20}, {{1, 2}}},
        {"last line without end", "20,1\n30,2", {20, 30}, {{1, 2}}},
    };
    for (const GoodCase& c : cases) {
        SCOPED_TRACE(c.what);
        const CurveTableResult r = Parse(c.text);
        ASSERT_TRUE(r.ok()) << CurveTableMessage(r, "f", 'E').toStdString();
        EXPECT_EQ(r.table.x, c.x);
        EXPECT_EQ(r.table.levels, c.levels);
    }
}

struct BadCase {
    const char* what;
    QByteArray text;
    CurveTableFault fault;
    int line;
};

TEST(CurveTable, RefusesWhatIsNoTableNamingTheFirstBadLine)
{
    const QByteArray longLine = "20," + QByteArray(CurveTableMaxLineLength, '1') + "\n";
    const BadCase cases[] = {
        {"empty", "", CurveTableFault::NoPoints, 0},
        {"only a header", "Frequency,Level\n", CurveTableFault::NoPoints, 0},
        {"binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), CurveTableFault::OneColumn, 2},
        {"one column", "20\n30\n", CurveTableFault::OneColumn, 1},
        {"line break as separator", "20.00\r\n-3.00\r\n", CurveTableFault::OneColumn, 1},
        {"empty separator", "20.00-3.00\n", CurveTableFault::OneColumn, 1},
        {"digit separator", "20.005-3.00\n", CurveTableFault::OneColumn, 1},
        {"point separator", "20.00.-3.00\n", CurveTableFault::OneColumn, 1},
        {"minus separator", "20.00--3.00\n", CurveTableFault::OneColumn, 1},
        {"text in a later line", "20,1\n30,1\nabc,2\n", CurveTableFault::NotNumber, 3},
        {"empty field", "20,1\n30,,2\n", CurveTableFault::ColumnCount, 2},
        {"not a number", "20,nan\n", CurveTableFault::NotNumber, 1},
        {"infinite", "20,inf\n", CurveTableFault::NotNumber, 1},
        {"too large for the diagram", "20,1e39\n", CurveTableFault::OutOfRange, 1},
        {"descending", "20,1\n1000,1\n999.99,1\n", CurveTableFault::Descending, 3},
        {"negative frequency", "-20,1\n", CurveTableFault::NegativeFrequency, 1},
        {"five columns", "1,2,3,4,5\n", CurveTableFault::TooManyColumns, 1},
        {"overlong line", "20,1\n" + longLine, CurveTableFault::TooLong, 2},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const CurveTableResult r = Parse(c.text);
        EXPECT_EQ(r.fault, c.fault);
        EXPECT_EQ(r.line, c.line);
        EXPECT_TRUE(r.table.x.empty() && r.table.levels.empty());
        EXPECT_FALSE(CurveTableMessage(r, "f.txt", 'D').isEmpty());
    }
}

TEST(CurveTable, TenMillionLinesEndEarly)
{
    RepeatedLines points("1000.00,-3.00\r\n", 10'000'000);
    const CurveTableResult many = ParseCurveTable(points);
    EXPECT_EQ(many.fault, CurveTableFault::TooManyPoints);
    EXPECT_EQ(many.line, DiaPointStore::MaxPoints + 1);

    RepeatedLines comments("# a comment line\n", 10'000'000);
    const CurveTableResult large = ParseCurveTable(comments);
    EXPECT_EQ(large.fault, CurveTableFault::TooLarge);
    EXPECT_LT(comments.reads(), 10'000'000);
}

TEST(CurveTable, MessagesNameFileAndLineInBothLanguages)
{
    const CurveTableResult r = Parse("20,1\n10,1\n");
    EXPECT_EQ(CurveTableMessage(r, "a.txt", 'D'),
              "a.txt, Zeile 2: die Frequenz ist kleiner als in der Zeile davor. Es wurde nichts geladen.");
    EXPECT_EQ(CurveTableMessage(r, "a.txt", 'E'),
              "a.txt, line 2: the frequency is lower than on the line before. Nothing was loaded.");
    EXPECT_EQ(LoadCurveTable("/nonexistent/x.txt").fault, CurveTableFault::Unreadable);
}

// What the text export writes reads back to the last written digit, for
// every separator that keeps the table readable. Points without a value (a
// sweep step without signal) are left out, so the file still loads.
TEST(CurveTable, TextExportReadsBackForEveryReadableSeparator)
{
    FreshSettings fresh;
    ScratchDir dir;
    DiaPointStore points;
    DiagramOptions opt;
    opt.show1 = opt.show2 = true;
    opt.peak1 = true;
    const int n = 500;
    points.setCount(n);
    for (int i = 0; i < n; ++i) {
        const float v[2] = {-100.0f + i * 0.173f, -3.14159f * (i % 7)};
        const float silent[2] = {v[0], std::numeric_limits<float>::quiet_NaN()};
        points.addPoint(i % 50 == 7 ? silent : v, 2, i, 20.0f * std::pow(1000.0f, i / float(n - 1)), opt);
    }
    std::vector<int> valued;
    for (int i = 0; i < n; ++i)
        if (i % 50 != 7)
            valued.push_back(i);
    for (const char* sep : {",", ";", "\\t", " ", "  ", "; ", ", "}) {
        SCOPED_TRACE(sep);
        const QString file = dir.file("export.txt");
        ASSERT_EQ(WriteTextExport(file, points, opt, 20, 20000, QString::fromLatin1(sep)), 0);
        const CurveTableResult r = LoadCurveTable(file);
        ASSERT_TRUE(r.ok()) << CurveTableMessage(r, file, 'E').toStdString();
        ASSERT_EQ(r.table.x.size(), valued.size());
        ASSERT_EQ(r.table.levels.size(), 3u);
        for (size_t row = 0; row < valued.size(); ++row) {
            const QStringList fields = ExportFields(points, valued[row], opt);
            EXPECT_EQ(FixedText(r.table.x[row], 2), fields[0]);
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(FixedText(r.table.levels[size_t(c)][row], 2), fields[c + 1]);
        }
    }
}

TEST(CurveTable, ReadsCsvWrittenByNumpy)
{
    ScratchDir dir;
    const QString file = dir.file("numpy.csv");
    const QString script = QStringLiteral(
        "import numpy as np\n"
        "f = np.geomspace(20, 20000, 31)\n"
        "np.savetxt('%1', np.column_stack([f, -20*np.log10(f/1000.0)]), delimiter=',',"
        " header='frequency,level', comments='# ')\n").arg(file);
    QProcess py;
    py.start(KORVANTA_NUMPY_PYTHON, {"-c", script});
    ASSERT_TRUE(py.waitForFinished(60000));
    ASSERT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    const CurveTableResult r = LoadCurveTable(file);
    ASSERT_TRUE(r.ok()) << CurveTableMessage(r, file, 'E').toStdString();
    ASSERT_EQ(r.table.x.size(), 31u);
    ASSERT_EQ(r.table.levels.size(), 1u);
    for (size_t i = 0; i < 31; ++i) {
        const double f = 20 * std::pow(1000.0, double(i) / 30);
        EXPECT_FLOAT_EQ(r.table.x[i], float(f));
        EXPECT_FLOAT_EQ(r.table.levels[0][i], float(-20 * std::log10(f / 1000.0)));
    }
}

} // namespace
