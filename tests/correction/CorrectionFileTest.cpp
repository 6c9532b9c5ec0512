#include "correction/CorrectionFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

#include <QFile>

#include <sys/stat.h>

using namespace korvanta;

namespace {

class CorrectionFileTest : public ::testing::Test {
protected:
    void SetUp() override { SetCorLanguage('D'); }
    void TearDown() override { SetCorLanguage('D'); }

    // A table that is clearly not the result of any load below.
    static CorrectionTable previousTable()
    {
        CorrectionTable t;
        SetCorrectionPoints(t, std::vector<CorrectionPair>{{50, 7}, {5000, 9}});
        t.fileName = "/old/file.cor";
        t.active = true;
        return t;
    }

    bool load(const QByteArray& content)
    {
        dir.write("curve.cor", content);
        return LoadCorrection(table, dir.file("curve.cor"));
    }

    void expectRejected(const QByteArray& content, const QString& message)
    {
        table = previousTable();
        ModalRecorder rec;
        EXPECT_FALSE(load(content)) << content.left(60).toStdString();
        EXPECT_EQ(rec.messageTexts(), QStringList{message}) << content.left(60).toStdString();
        EXPECT_EQ(table.count, 0);
        EXPECT_TRUE(table.fileName.isEmpty());
        EXPECT_FALSE(table.active);
        ASSERT_FALSE(rec.questions().empty());
        EXPECT_EQ(rec.questions()[0].kind, modal::Kind::Warning);
        EXPECT_EQ(rec.questions()[0].buttons, modal::Ok);
    }

    void expectLoaded(const QByteArray& content, int count)
    {
        ModalRecorder rec;
        EXPECT_TRUE(load(content)) << content.left(60).toStdString();
        EXPECT_TRUE(rec.messageTexts().isEmpty());
        EXPECT_EQ(table.count, count);
    }

    ScratchDir dir;
    CorrectionTable table;
};

} // namespace

TEST_F(CorrectionFileTest, ValidFileLoadsInactiveWithItsName)
{
    table = previousTable();
    expectLoaded("20 -0.5\n1000 0\n20000 1.2\n", 3);
    EXPECT_EQ(table.fileName, dir.file("curve.cor"));
    EXPECT_FALSE(table.active);
    EXPECT_EQ(table.points[1].x, 1000.0);
    EXPECT_EQ(table.points[2].y, 1.2);
    EXPECT_EQ(SplineValue(table, 1000), 0.0);
    EXPECT_NE(table.points[1].M, 0.0);   // the spline was set up
}

TEST_F(CorrectionFileTest, LayoutVariantsThatAreAccepted)
{
    expectLoaded("20 -0.5\n1000 0\n\n\n   \n", 2);            // trailing blank lines
    expectLoaded("20 -0.5\n1000 0", 2);                        // no final line end
    expectLoaded("20 -0.5\r\n1000 0\r\n20000 1.2\r\n", 3);     // Windows line ends
    expectLoaded("20 -0.5\r1000 0\r", 2);                      // lone CR line ends
    expectLoaded("\n  20     -0.5  \n\n\t1000 \t0\t\n", 2);      // blank lines, extra blanks at the ends
    expectLoaded("\xEF\xBB\xBF" "20 -0.5\n", 1);               // byte order mark
    EXPECT_EQ(table.points[0].x, 20.0);
}

TEST_F(CorrectionFileTest, NumberForms)
{
    expectLoaded("1e3 -0.5E-1\n+2000 +1.\n.5e4 -.25\n6000 1e-400\n", 4);
    EXPECT_EQ(table.points[0].x, 1000.0);
    EXPECT_EQ(table.points[0].y, -0.05);
    EXPECT_EQ(table.points[1].y, 1.0);
    EXPECT_EQ(table.points[2].x, 5000.0);
    EXPECT_EQ(table.points[2].y, -0.25);
    EXPECT_EQ(table.points[3].y, 0.0);   // too small for a double: zero

    CorrectionPair p;
    for (const char* bad : {"1000", "1000 0 3", "1000;0", "1000\t0", "1,5 0", "1000 0,5", "1.000.0 1",
                            "1000 1e", "1000 e5", "1000 inf", "1000 nan", "0x10 1", "1000 1e400",
                            "# comment", "1000 0 # comment", "- 1", "1000 -"})
        EXPECT_EQ(ParseCorrectionLine(bad, p), CorrectionLine::Error) << bad;
    EXPECT_EQ(ParseCorrectionLine("  \t ", p), CorrectionLine::Blank);
}

TEST_F(CorrectionFileTest, AnyLineErrorRejectsTheWholeFile)
{
    expectRejected("20 -0.5\n1000;0\n20000 1.2\n", "Zeilenfehler");
    expectRejected("20 -0.5\n1000\t0\n", "Zeilenfehler");
    expectRejected("20 -0.5 3\n1000 0\n", "Zeilenfehler");
    expectRejected("; my amplifier\n20 -0.5\n", "Zeilenfehler");
    expectRejected("20 -0.5\n1000 0\n20000 1.2\nx", "Zeilenfehler");
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(static_cast<char>((i * 131 + 7) % 256));
    expectRejected(junk, "Zeilenfehler");
    expectRejected(QByteArray("1000 0\n\0\0\0\n", 11), "Zeilenfehler");
}

// The interpolation divides by the distance between neighbours and raises
// the distance from a point to the third power: a repeated frequency, a table
// out of order or one of huge numbers would make an active correction wipe
// the whole spectrum with NaN. Such tables are refused, in both languages.
TEST_F(CorrectionFileTest, TablesWhoseCurveCannotBeComputedAreRefused)
{
    struct Case {
        QByteArray content;
        bool ascending; // false: refused for the order, true: for the curve
    };
    const Case cases[] = {
        {"1000 0\n1000 1\n", false},
        {"20 0\n1000 0\n1000 1\n20000 0\n", false},
        {"1000 0\n20 1\n20000 0\n", false},
        {"20 0\n1000 0\n20000 1\n19999 0\n", false},
        {"1 0\n1e200 0\n1e300 1\n", true},
        {"-1e308 0\n1e308 1\n", true},
        {"1e307 0\n1.5e308 1\n", true},
        {"20 1e308\n1000 -1e308\n20000 1e308\n", true},
        {"0 0\n1e-300 1\n2e-300 0\n", true},
    };
    for (const Case& c : cases) {
        SetCorLanguage('D');
        expectRejected(c.content, c.ascending ? "Korrekturkurve nicht berechenbar" : "Frequenzen nicht aufsteigend");
        SetCorLanguage('E');
        expectRejected(c.content, c.ascending ? "Correction curve cannot be computed" : "Frequencies not ascending");
    }
}

// Ordinary tables, steep or sparse ones included, still load, and their
// curve is finite wherever it is looked up.
TEST_F(CorrectionFileTest, UsableTablesLoadWithAFiniteCurve)
{
    const QByteArray usable[] = {"1000 0\n", "20 -3\n20000 3\n", "1 -40\n2 40\n3 -40\n96000 0\n",
                                 "0.001 0\n1e6 1\n", "-50 0\n10 1\n100 0\n", "20 -0.5\n1000 0\n20000 1.2\n"};
    for (const QByteArray& content : usable) {
        expectLoaded(content, int(content.count('\n')));
        for (double f = 0.0; f <= kCorrectionTopFrequency; f += 250.0)
            ASSERT_TRUE(std::isfinite(SplineValue(table, f))) << content.toStdString() << " at " << f;
    }
}

TEST_F(CorrectionFileTest, FileWithoutPointsIsRejected)
{
    expectRejected("", "Keine Zeilen in Datei");
    expectRejected("\n\r\n   \n\t\n", "Keine Zeilen in Datei");
}

TEST_F(CorrectionFileTest, OverlongLinesAreCutAt255Characters)
{
    // What lies beyond the 255th character is never looked at ...
    const QByteArray padded = "1000 0" + QByteArray(249, ' ') + "junk";
    ASSERT_EQ(padded.indexOf("junk"), 255);
    expectLoaded("20 -0.5\n" + padded + "\n20000 1.2\n", 3);
    // ... a long number is cut to its first digits ...
    expectLoaded("1000 " + QByteArray(300, '1') + "\n", 1);
    EXPECT_DOUBLE_EQ(table.points[0].y, std::stod(std::string(250, '1')));
    // ... and junk before the cut is still a line error.
    expectRejected("1000 0" + QByteArray(240, ' ') + "junk" + QByteArray(100, ' ') + "\n", "Zeilenfehler");
}

TEST_F(CorrectionFileTest, HundredThousandLines)
{
    QByteArray content;
    for (int i = 0; i < 100000; ++i)
        content += QByteArray::number(10 + i) + ' ' + QByteArray::number((i % 200) / 10.0) + "\r\n";
    expectLoaded(content, 100000);
    EXPECT_EQ(table.points[99999].x, 100009.0);
    EXPECT_EQ(SplineValue(table, 12345), 13.5);   // point 12335 of the file
}

TEST_F(CorrectionFileTest, MissingFileIsCreatedWithOneFlatPoint)
{
    ModalRecorder rec;
    const QString name = dir.file("new.cor");
    ASSERT_TRUE(LoadCorrection(table, name));
    EXPECT_TRUE(rec.messageTexts().isEmpty());
    EXPECT_EQ(dir.read("new.cor"), QByteArray("1000 0\n"));
    EXPECT_EQ(table.count, 1);
    EXPECT_EQ(table.fileName, name);
    EXPECT_EQ(SplineValue(table, 50), 0.0);
}

TEST_F(CorrectionFileTest, FileThatCannotBeCreatedKeepsTheOldTable)
{
    table = previousTable();
    ModalRecorder rec;
    dir.write("plain", "a regular file, not a directory");
    EXPECT_FALSE(LoadCorrection(table, dir.file("plain/new.cor")));
    EXPECT_FALSE(LoadCorrection(table, dir.file("no/such/dir/new.cor")));
    EXPECT_EQ(rec.messageTexts(), (QStringList{"Kann Datei nicht erzeugen", "Kann Datei nicht erzeugen"}));
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(table.fileName, "/old/file.cor");
    EXPECT_TRUE(table.active);
    EXPECT_FALSE(QFile::exists(dir.file("no")));
}

TEST_F(CorrectionFileTest, EmptyNameLoadsNothing)
{
    table = previousTable();
    ModalRecorder rec;
    EXPECT_FALSE(LoadCorrection(table, QString()));
    EXPECT_TRUE(rec.questions().empty());
    EXPECT_EQ(table.count, 2);
}

TEST_F(CorrectionFileTest, ExistingUnreadableFileIsNeverOverwritten)
{
    // Run as an unprivileged user: as root every file is readable.
    const QByteArray content = "20 -0.5\n1000 0\n";
    ::chmod(dir.path().toLocal8Bit().constData(), 0755);
    dir.write("locked.cor", content);
    const QString locked = dir.file("locked.cor");
    ::chmod(locked.toLocal8Bit().constData(), 0000);
    // A directory that the user may not even look into.
    ::mkdir(dir.file("closed").toLocal8Bit().constData(), 0700);
    const QString hidden = dir.file("closed/inside.cor");
    QFile f(hidden);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();

    const ChildResult r = RunInChild(
        [&] {
            ModalRecorder rec;
            int failures = 0;
            for (const QString& name : {locked, hidden}) {
                CorrectionTable t = previousTable();
                if (LoadCorrection(t, name))
                    failures |= 1;
                if (rec.messageTexts() != QStringList{"Fehler beim Lesen von : " + name})
                    failures |= 2;
                if (t.count != 2 || t.fileName != "/old/file.cor" || !t.active)
                    failures |= 4;
                rec.clear();
            }
            return failures;
        },
        true);
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0) << r.stdErr.toStdString();
    ::chmod(locked.toLocal8Bit().constData(), 0644);
    EXPECT_EQ(dir.read("locked.cor"), content);
    EXPECT_EQ(dir.read("closed/inside.cor"), content);
}

TEST_F(CorrectionFileTest, DirectoryIsAReadError)
{
    table = previousTable();
    ModalRecorder rec;
    EXPECT_FALSE(LoadCorrection(table, dir.path()));
    ASSERT_EQ(rec.messageTexts().size(), 1);
    EXPECT_EQ(rec.messageTexts()[0], "Fehler beim Lesen von : " + dir.path());
}

TEST_F(CorrectionFileTest, EnglishMessages)
{
    SetCorLanguage('E');
    expectRejected("1000;0\n", "Line error");
    expectRejected("\n", "No lines in file");
    ModalRecorder rec;
    EXPECT_FALSE(LoadCorrection(table, dir.file("no/such/dir/x.cor")));
    EXPECT_FALSE(LoadCorrection(table, dir.path()));
    EXPECT_EQ(rec.messageTexts(),
              (QStringList{"Unable to create file", "Error at reading of : " + dir.path()}));
    SetCorLanguage('x');   // unknown letters keep the language
    expectRejected("1000;0\n", "Line error");
    SetCorLanguage('D');
    expectRejected("1000;0\n", "Zeilenfehler");
}
