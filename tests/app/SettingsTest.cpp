// The main window's settings sections as plain records: every fallback that
// a damaged or hand-edited file can trigger, the exact written form, and a
// round trip that keeps what belongs to others.

#include "platform/IniValues.h"
#include "app/MainSettings.h"
#include "scope/OscilloscopeSettings.h"
#include "platform/DeviceLog.h"
#include "platform/ProfileStore.h"
#include "generator/SweepSettings.h"
#include "tests/support/TestSupport.h"
#include "measure/samplemem.h"

#include <gtest/gtest.h>
#include <limits>

using namespace korvanta;

namespace {

struct Records {
    MainWindowSettings main;
    AnalyzerState analyzer;
    SweepSettings sweep;
    OscilloscopeSettings scope;
    SettingsRecords refs() { return SettingsRecords{main, analyzer, sweep, scope}; }
};

// Reads a file made of `text`.
Records readText(const QByteArray& text)
{
    ScratchDir dir;
    dir.write("s.ini", text);
    ProfileStore store(dir.file("s.ini"));
    store.load();
    Records r;
    ReadMainSettings(store, r.refs(), QString());
    return r;
}

QString writtenText(Records& r, const QByteArray& before = {})
{
    ScratchDir dir;
    dir.write("s.ini", before);
    ProfileStore store(dir.file("s.ini"));
    store.load();
    WriteMainSettings(store, r.refs());
    store.save();
    return QString::fromUtf8(dir.read("s.ini"));
}

} // namespace

TEST(IniValues, NumbersParseOnlyWhole)
{
    EXPECT_EQ(ini::ParseInt("42"), 42);
    EXPECT_EQ(ini::ParseInt("-7"), -7);
    EXPECT_FALSE(ini::ParseInt("4x"));
    EXPECT_FALSE(ini::ParseInt(""));
    EXPECT_FALSE(ini::ParseInt("1.5"));
    EXPECT_FALSE(ini::ParseInt("99999999999")) << "beyond 32 bits";
    EXPECT_DOUBLE_EQ(*ini::ParseReal("8.722"), 8.722);
    EXPECT_DOUBLE_EQ(*ini::ParseReal("-110"), -110.0);
    EXPECT_FALSE(ini::ParseReal("8,722")) << "the point is the only decimal separator";
    EXPECT_FALSE(ini::ParseReal("1,000"));
    EXPECT_FALSE(ini::ParseReal("abc"));
    EXPECT_FALSE(ini::ParseReal("nan"));
    EXPECT_FALSE(ini::ParseReal("inf"));
}

TEST(IniValues, FixedDecimalsWithPointAndNoNegativeZero)
{
    EXPECT_EQ(ini::FormatReal(8.722, 4), "8.7220");
    EXPECT_EQ(ini::FormatReal(497, 1), "497.0");
    EXPECT_EQ(ini::FormatReal(-110, 0), "-110");
    EXPECT_EQ(ini::FormatReal(-0.2, 0), "0");
    EXPECT_EQ(ini::FormatReal(-0.0001, 3), "0.000");
    EXPECT_EQ(ini::FormatReal(-0.5, 1), "-0.5");
    EXPECT_TRUE(ini::ParseBool("TRUE"));
    EXPECT_TRUE(ini::ParseBool("false")) << "only the exact text FALSE is false";
    EXPECT_FALSE(ini::ParseBool("FALSE"));
}

TEST(MainSettingsRead, MissingFileGivesEveryDefault)
{
    const Records r = readText({});
    EXPECT_EQ(r.main.ActivePageIndex, 0);
    EXPECT_EQ(r.main.Language, 'D');
    EXPECT_FALSE(r.main.InCoAkt);
    EXPECT_EQ(r.main.MainLeft, 200);
    EXPECT_EQ(r.main.FgVolume, 20);
    EXPECT_EQ(r.main.FgInVolume, 100);
    EXPECT_EQ(r.main.DiaWidth, 450);
    EXPECT_EQ(r.main.DiaHeight, 320);
    EXPECT_FLOAT_EQ(r.analyzer.PegFak, 8.722f);
    EXPECT_FLOAT_EQ(r.analyzer.PegOfs, 12.6f);
    EXPECT_FLOAT_EQ(r.analyzer.CalInMv, 497.0f);
    EXPECT_FLOAT_EQ(r.analyzer.CalOutMv, 123.0f);
    EXPECT_EQ(r.analyzer.InLev4Cal, -1);
    EXPECT_EQ(r.analyzer.FFTpoints, 1024);
    EXPECT_EQ(r.analyzer.FFTwin, 8);
    EXPECT_FLOAT_EQ(r.analyzer.DiaYMin, -110.0f);
    EXPECT_EQ(r.analyzer.DiaXMax, 24000);
    EXPECT_EQ(r.analyzer.Comment, "remark:");
    EXPECT_FALSE(r.sweep.linear) << "the default method is LOG";
    EXPECT_FLOAT_EQ(r.sweep.digitalLevel, 0.0f);
    EXPECT_EQ(r.sweep.settleMs, 100);
    EXPECT_FLOAT_EQ(r.sweep.levelMin, -45.0f);
    EXPECT_FLOAT_EQ(r.scope.yPosition1, 6.02f);
    EXPECT_EQ(r.scope.windowHeight, -1);
    EXPECT_TRUE(r.scope.triggerRising);
}

TEST(MainSettingsRead, UnparsableValuesTakeTheirOwnFallbacks)
{
    const Records r = readText("[VOLUME]\nPEGFAK=abc\nPEGOFS=1e\nFGVOLUME=x\nAUDIOINCHANNEL=-3\n"
                               "[FFT]\nDIAYMIN=x\nDIAYMAX=y\nAVERAGE=-5\nWIN=zz\nSAMPLES=-1\n"
                               "[EICH]\nINPUT=-1\nOUTPUT=q\nInLev4Cal=7\n"
                               "[WOB]\nMETHODE=log\nFROM=0\nSTEPS=-4\nPEGDIG=-1\nSTARTMESS=-1\nREFMESS=x\n"
                               "[MAIN]\nINCOAKT=false\nOUTCOAKT=FALSE\nPAGE=7\nINDEV=5\nOUTDEV=-1\n");
    EXPECT_FLOAT_EQ(r.analyzer.PegFak, 8.685889f) << "a damaged factor falls back to 20/ln 10";
    EXPECT_FLOAT_EQ(r.analyzer.PegOfs, 12.6f);
    EXPECT_EQ(r.main.FgVolume, 20);
    EXPECT_EQ(r.main.AudioInChannel, 0);
    EXPECT_FLOAT_EQ(r.analyzer.DiaYMin, -100.0f) << "unlike the missing key's -110";
    EXPECT_FLOAT_EQ(r.analyzer.DiaYMax, 0.0f);
    EXPECT_EQ(r.analyzer.AverCount, 5);
    EXPECT_EQ(r.analyzer.FFTwin, 8);
    EXPECT_EQ(r.analyzer.FFTpoints, 1024);
    EXPECT_FLOAT_EQ(r.analyzer.CalInMv, 497.0f);
    EXPECT_FLOAT_EQ(r.analyzer.CalOutMv, 123.0f);
    EXPECT_EQ(r.analyzer.InLev4Cal, 7);
    EXPECT_TRUE(r.sweep.linear) << "only the exact text LOG is logarithmic";
    EXPECT_EQ(r.sweep.fromFrequency, 20);
    EXPECT_EQ(r.sweep.steps, 50);
    EXPECT_FLOAT_EQ(r.sweep.digitalLevel, 0.0f);
    EXPECT_EQ(r.sweep.settleMs, 100);
    EXPECT_EQ(r.sweep.mode, 0);
    EXPECT_TRUE(r.main.InCoAkt) << "only the exact text FALSE is false";
    EXPECT_FALSE(r.main.OutCoAkt);
    EXPECT_EQ(r.main.ActivePageIndex, 0);
    EXPECT_EQ(r.main.InDev, 0);
    EXPECT_EQ(r.main.OutDev, 0);
}

TEST(MainSettingsRead, ValuesThatWouldBreakTheMeasurementAreRefused)
{
    const Records r = readText("[EICH]\nINPUT=0\n[FFT]\nWIN=20\nAVERAGE=0\nDBMODE=9\n[VOLUME]\nFGVOLUME=250\nFGINVOLUME=-20\n"
                               "[OSZI]\nDIV1=0\nDIV2=15\nTB=40\nSAMPLEF=0\nOMESSW=-5\n");
    EXPECT_FLOAT_EQ(r.analyzer.CalInMv, 497.0f) << "0 mV would make every absolute level -inf";
    EXPECT_EQ(r.analyzer.FFTwin, 8) << "no window of that number: every bin would read -192";
    EXPECT_EQ(r.analyzer.AverCount, 1) << "zero averages never complete";
    EXPECT_EQ(r.analyzer.LevelUnit, 0);
    EXPECT_EQ(r.main.FgVolume, 100);
    EXPECT_EQ(r.main.FgInVolume, 0);
    EXPECT_EQ(r.scope.voltsIndex1, 10);
    EXPECT_EQ(r.scope.voltsIndex2, 10);
    EXPECT_EQ(r.scope.timebaseIndex, 5);
    EXPECT_EQ(r.scope.sampleRate, 44100);
    EXPECT_EQ(r.scope.frameLength, 1024);
}

// Numbers that parse but do not fit the 32-bit fields that hold them count
// as unparsable: 1e308 would become infinity and be written back as "inf",
// which the next start rejects.
TEST(MainSettingsRead, NumbersBeyondTheFieldsRangeTakeTheFallback)
{
    const Records r = readText("[VOLUME]\nPEGFAK=1e308\nPEGOFS=-1e39\n[FFT]\nDIAYMIN=3.5e38\nDIAYMAX=-1e300\n"
                               "[EICH]\nINPUT=1e308\nOUTPUT=1e40\n[WOB]\nPMAX=1e300\n[OSZI]\nyposCh1=1e300\n");
    EXPECT_FLOAT_EQ(r.analyzer.PegFak, 8.685889f);
    EXPECT_FLOAT_EQ(r.analyzer.PegOfs, 12.6f);
    EXPECT_FLOAT_EQ(r.analyzer.DiaYMin, -100.0f);
    EXPECT_FLOAT_EQ(r.analyzer.DiaYMax, 0.0f);
    EXPECT_FLOAT_EQ(r.analyzer.CalInMv, 497.0f);
    EXPECT_FLOAT_EQ(r.analyzer.CalOutMv, 123.0f);
    EXPECT_FLOAT_EQ(r.sweep.phaseMax, 90.0f);
    EXPECT_FLOAT_EQ(r.scope.yPosition1, OscilloscopeSettings{}.yPosition1) << "an unreadable position stays";
    EXPECT_FLOAT_EQ(readText("[VOLUME]\nPEGFAK=3.4e38\n").analyzer.PegFak, 3.4e38f) << "the largest floats still count";
}

// A value that went non-finite in memory is never written: the file keeps
// the last good one.
TEST(MainSettingsWrite, NonFiniteValuesAreNeverWritten)
{
    Records r = readText("[VOLUME]\nPEGFAK=1e308\n");
    r.analyzer.PegOfs = std::numeric_limits<float>::infinity();
    r.analyzer.DiaYMax = std::numeric_limits<float>::quiet_NaN();
    r.sweep.levelMin = -std::numeric_limits<float>::infinity();
    const QString text = writtenText(r, "[VOLUME]\nPEGOFS=3.5000\n[FFT]\nDIAYMAX=-10\n");
    EXPECT_FALSE(text.contains(QLatin1String("inf"), Qt::CaseInsensitive)) << qPrintable(text);
    EXPECT_FALSE(text.contains(QLatin1String("nan"), Qt::CaseInsensitive)) << qPrintable(text);
    EXPECT_TRUE(text.contains("PEGFAK=8.6859\n")) << "the fallback, not infinity";
    EXPECT_TRUE(text.contains("PEGOFS=3.5000\n"));
    EXPECT_TRUE(text.contains("DIAYMAX=-10\n"));
}

TEST(MainSettingsRead, TextsLanguageAndPositions)
{
    const QString longComment = QString(200, QLatin1Char('c'));
    const QString longPath = QStringLiteral("/tmp/") + QString(300, QLatin1Char('p')) + QStringLiteral(".cor");
    const Records r = readText("[MAIN]\nSPRACHE=English\nINCONAME=" + longPath.toUtf8() + "\nPAGE=2\n"
                               "[FFT]\nCOMMENT=" + longComment.toUtf8() + "\n"
                               "[OSZI]\nyposCh1=bad\nyposCh2=-1.5\nHEIGHT=x\n[DIAGRAMM]\nWIDTH=5000\nHEIGHT=10\n");
    EXPECT_EQ(r.main.Language, 'E') << "the first character is the language";
    EXPECT_EQ(r.main.InCoName, longPath) << "file names are never cut: a cut name would be created as a stray file";
    EXPECT_EQ(r.main.ActivePageIndex, 2);
    EXPECT_EQ(r.analyzer.Comment.size(), 120);
    EXPECT_FLOAT_EQ(r.scope.yPosition1, 6.02f) << "an unreadable position keeps its value";
    EXPECT_FLOAT_EQ(r.scope.yPosition2, -1.5f);
    EXPECT_EQ(r.scope.windowHeight, -1);
    EXPECT_EQ(r.main.DiaWidth, 5000) << "stored as read; clamped when the window is placed";
    EXPECT_EQ(r.main.DiaHeight, 10);
    EXPECT_EQ(readText("[MAIN]\nSPRACHE=X\n").main.Language, 'X');
    EXPECT_EQ(readText("[MAIN]\nSPRACHE=\n").main.Language, 'D');
}

TEST(MainSettingsWrite, FreshFileHasEverySectionAndKeyInOrder)
{
    Records r;
    r.analyzer.FFTpoints = 2048;
    const QString text = writtenText(r);
    const QString expected =
        "[MAIN]\nPAGE=0\nINDEV=0\nOUTDEV=0\nINDEVNAME=\nOUTDEVNAME=\nSPRACHE=D\nINCONAME=\nOUTCONAME=\nINCOAKT=FALSE\nOUTCOAKT=FALSE\n"
        "LEFT=200\nTOP=200\n"
        "[EICH]\nINPUT=497.0\nOUTPUT=123.0\nInLev4Cal=-1\n"
        "[VOLUME]\nFGVOLUME=20\nFGINVOLUME=100\nPEGFAK=8.7220\nPEGOFS=12.6000\nAUDIOINCHANNEL=0\n"
        "[FFT]\nWIN=8\nSAMPLES=2048\nAVERAGE=1\nCOMMENT=remark:\nDIAYMIN=-110\nDIAYMAX=0\nDBMODE=0\n"
        "DIAXMIN=10\nDIAXMAX=24000\n"
        "[WOB]\nFROM=20\nTO=22000\nSTEPS=50\nMETHODE=LOG\nPHASE=FALSE\nREFMESS=0\nCOMMENT=remark:\n"
        "DIAYMIN=-45\nDIAYMAX=5\nPMIN=-90\nPMAX=90\nPEGDIG=0.0\nSTARTMESS=100\n"
        "[OSZI]\nDIV1=10\nDIV2=10\nTB=5\nGND1=FALSE\nGND2=FALSE\nTRIPOS=TRUE\nTRICH1=TRUE\n"
        "yposCh1=6.020\nyposCh2=2.000\nSAMPLEF=44100\nOMESSW=1024\nWIDTH=260\nHEIGHT=-1\nLEFT=-1\nTOP=-1\n"
        "[DIAGRAMM]\nWIDTH=450\nHEIGHT=320\nLEFT=0\nTOP=0\n";
    EXPECT_EQ(text, expected);
}

TEST(MainSettingsWrite, RoundTripKeepsEveryValueAndForeignKeys)
{
    Records r;
    r.main.ActivePageIndex = 2;
    r.main.Language = 'E';
    r.main.InCoName = QStringLiteral("/data/in.cor");
    r.main.OutCoAkt = true;
    r.main.MainLeft = 345;
    r.main.FgInVolume = 77;
    r.main.AudioInChannel = 4;
    r.main.DiaWidth = 800;
    r.analyzer.PegFak = 8.5f;
    r.analyzer.PegOfs = -3.25f;
    r.analyzer.CalInMv = 1234.5f;
    r.analyzer.InLev4Cal = 55;
    r.analyzer.FFTpoints = 16384;
    r.analyzer.AverCount = 12;
    r.analyzer.Comment = QStringLiteral("amp, 1 W");
    r.analyzer.DiaYMin = -140.0f;
    r.analyzer.LevelUnit = 2;
    r.sweep.linear = true;
    r.sweep.phaseOn = true;
    r.sweep.digitalLevel = -12.5f;
    r.sweep.toFrequency = 30000;
    r.scope.yPosition1 = 3.125f;
    r.scope.ground2 = true;
    r.scope.triggerOnChannel1 = false;
    r.scope.windowLeft = 17;
    const QByteArray foreign = "; kept comment\n[SDSOUND]\nSINWAVERAM2=1000\n[MAIN]\nCUSTOM=yes\n[ANALYSE]\nFILTER=A\n";
    const QString text = writtenText(r, foreign);
    EXPECT_TRUE(text.startsWith("; kept comment\n[SDSOUND]\nSINWAVERAM2=1000\n[MAIN]\nCUSTOM=yes\nPAGE=2\n")) << qPrintable(text);
    EXPECT_TRUE(text.contains("[ANALYSE]\nFILTER=A\n"));

    Records back = readText(text.toUtf8());
    EXPECT_EQ(back.main.ActivePageIndex, 2);
    EXPECT_EQ(back.main.Language, 'E');
    EXPECT_EQ(back.main.InCoName, "/data/in.cor");
    EXPECT_TRUE(back.main.OutCoAkt);
    EXPECT_EQ(back.main.MainLeft, 345);
    EXPECT_EQ(back.main.FgInVolume, 77);
    EXPECT_EQ(back.main.AudioInChannel, 4);
    EXPECT_EQ(back.main.DiaWidth, 800);
    EXPECT_FLOAT_EQ(back.analyzer.PegFak, 8.5f);
    EXPECT_FLOAT_EQ(back.analyzer.PegOfs, -3.25f);
    EXPECT_FLOAT_EQ(back.analyzer.CalInMv, 1234.5f);
    EXPECT_EQ(back.analyzer.InLev4Cal, 55);
    EXPECT_EQ(back.analyzer.FFTpoints, 16384);
    EXPECT_EQ(back.analyzer.AverCount, 12);
    EXPECT_EQ(back.analyzer.Comment, "amp, 1 W");
    EXPECT_FLOAT_EQ(back.analyzer.DiaYMin, -140.0f);
    EXPECT_EQ(back.analyzer.LevelUnit, 2);
    EXPECT_TRUE(back.sweep.linear);
    EXPECT_TRUE(back.sweep.phaseOn);
    EXPECT_FLOAT_EQ(back.sweep.digitalLevel, -12.5f);
    EXPECT_EQ(back.sweep.toFrequency, 30000);
    EXPECT_FLOAT_EQ(back.scope.yPosition1, 3.125f);
    EXPECT_TRUE(back.scope.ground2);
    EXPECT_FALSE(back.scope.triggerOnChannel1);
    EXPECT_EQ(back.scope.windowLeft, 17);
    EXPECT_EQ(writtenText(back, text.toUtf8()), text) << "a second write changes nothing";
}

TEST(MainSettingsRead, InputChannelWithoutAStoredOneIsLeftToTheMixer)
{
    // -1 makes the mixer window take the line source on activation.
    const struct {
        const char* file;
        int channel;
    } cases[] = {{"", -1},
                 {"[VOLUME]\nAUDIOINCHANNEL=-1\n", -1},
                 {"[VOLUME]\nAUDIOINCHANNEL=0\n", 0},
                 {"[VOLUME]\nAUDIOINCHANNEL=3\n", 3},
                 {"[VOLUME]\nAUDIOINCHANNEL=x\n", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(readText(c.file).main.AudioInChannel, c.channel) << c.file;
}

// The sweep's step count and mode are bounded on reading: more than 511
// steps would wrap the 9-bit step tag, and a mode other than 0 .. 2 picks no
// reference channel. Each bound value leaves a line in the feature list.
// The same rows show the one number parser: only whole texts count, and a
// number beyond the field's 32 bits is unreadable rather than clamped.
TEST(MainSettingsRead, BoundedKeysAndTheNumberParser)
{
    const struct {
        const char* file;
        double (*value)(const Records&);
        double expected;
        const char* logLine; // empty: no line
    } cases[] = {
        {"[WOB]\nSTEPS=900\n", [](const Records& r) { return double(r.sweep.steps); }, 511,
         "Settings: [WOB] STEPS=900 is out of range; 511 is used"},
        {"[WOB]\nSTEPS=511\n", [](const Records& r) { return double(r.sweep.steps); }, 511, ""},
        {"[WOB]\nSTEPS=0\n", [](const Records& r) { return double(r.sweep.steps); }, 50, ""},
        {"[WOB]\nSTEPS=-700\n", [](const Records& r) { return double(r.sweep.steps); }, 50, ""},
        {"[WOB]\nSTEPS=1e3\n", [](const Records& r) { return double(r.sweep.steps); }, 50, ""},
        {"[WOB]\nREFMESS=7\n", [](const Records& r) { return double(r.sweep.mode); }, 2,
         "Settings: [WOB] REFMESS=7 is out of range; 2 is used"},
        {"[WOB]\nREFMESS=-1\n", [](const Records& r) { return double(r.sweep.mode); }, 0,
         "Settings: [WOB] REFMESS=-1 is out of range; 0 is used"},
        {"[WOB]\nREFMESS=1\n", [](const Records& r) { return double(r.sweep.mode); }, 1, ""},
        {"[WOB]\nREFMESS=x\n", [](const Records& r) { return double(r.sweep.mode); }, 0, ""},
        {"[FFT]\nAVERAGE=-5\n", [](const Records& r) { return double(r.analyzer.AverCount); }, 5, ""},
        {"[FFT]\nAVERAGE=-2147483648\n", [](const Records& r) { return double(r.analyzer.AverCount); }, 9999, ""},
        {"[FFT]\nAVERAGE=99999999999\n", [](const Records& r) { return double(r.analyzer.AverCount); }, 1, ""},
        {"[FFT]\nAVERAGE=+12\n", [](const Records& r) { return double(r.analyzer.AverCount); }, 12, ""},
        {"[FFT]\nAVERAGE=0x10\n", [](const Records& r) { return double(r.analyzer.AverCount); }, 1, ""},
        {"[FFT]\nDIAXMAX=1,000\n", [](const Records& r) { return double(r.analyzer.DiaXMax); }, 24000, ""},
        {"[MAIN]\nPAGE=7\n", [](const Records& r) { return double(r.main.ActivePageIndex); }, 0, ""},
        {"", [](const Records& r) { return double(r.analyzer.DiaYMin); }, -110, ""},
        {"[FFT]\nDIAYMIN=1,5\n", [](const Records& r) { return double(r.analyzer.DiaYMin); }, -100, ""},
        {"[FFT]\nDIAYMIN=-7.5e1\n", [](const Records& r) { return double(r.analyzer.DiaYMin); }, -75, ""},
        {"[EICH]\nINPUT=1e-300\n", [](const Records& r) { return double(r.analyzer.CalInMv); }, 497, ""},
    };
    for (const auto& c : cases) {
        devlog::Clear();
        EXPECT_DOUBLE_EQ(c.value(readText(c.file)), c.expected) << c.file;
        const QStringList lines = devlog::Lines();
        if (*c.logLine)
            EXPECT_TRUE(lines.contains(QLatin1String(c.logLine))) << c.file << lines.join('\n').toStdString();
        else
            EXPECT_TRUE(lines.filter(QStringLiteral("Settings:")).isEmpty()) << c.file << lines.join('\n').toStdString();
    }
}

// A file that never stored a language takes the system's, and its comments
// start in that language; what the file stores stays as stored.
TEST(MainSettings, AFileWithoutALanguageTakesTheSystemsAndItsCommentsFollow)
{
    struct Case {
        const char* locale;
        QByteArray file;
        char language;
        const char* comment;
    } const cases[] = {
        {"de_DE", "", 'D', "Bemerkung:"},
        {"de_AT", "[FFT]\nSAMPLES=2048\n", 'D', "Bemerkung:"},
        {"en_US", "", 'E', "remark:"},
        {"C", "", 'E', "remark:"},
        {"de_DE", "[MAIN]\nSPRACHE=E\n", 'E', "remark:"},
        {"en_GB", "[MAIN]\nSPRACHE=D\n", 'D', "Bemerkung:"},
        {"en_GB", "[FFT]\nCOMMENT=mein Verstärker\n[WOB]\nCOMMENT=remark:\n", 'E', "mein Verstärker"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        dir.write("s.ini", c.file);
        ProfileStore store(dir.file("s.ini"));
        store.load();
        Records r;
        ReadMainSettings(store, r.refs(), QString::fromLatin1(c.locale));
        EXPECT_EQ(r.main.Language, c.language) << c.locale << " " << c.file.constData();
        EXPECT_EQ(r.analyzer.Comment, QString::fromUtf8(c.comment)) << c.locale << " " << c.file.constData();
    }
}
