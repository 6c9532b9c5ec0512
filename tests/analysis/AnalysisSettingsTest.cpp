#include "analysis/AnalysisSettings.h"
#include "platform/ProfileStore.h"
#include "tests/support/TestSupport.h"
#include "analysis/WeightingCurves.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvanta;

namespace {

struct Loaded {
    AnalysisSettings settings;
    CorrectionTable weighting;
};

Loaded readFrom(const ScratchDir& dir, const QByteArray& content)
{
    dir.write("krv14f.ini", content);
    Loaded l;
    // Start from values that differ from every default.
    l.settings.thdOn = true;
    l.settings.fundamentalAuto = false;
    l.settings.bandLow = 7;
    ReadAnalysisSection(l.settings, l.weighting, dir.file("krv14f.ini"));
    return l;
}

} // namespace

TEST(AnalysisSection, MissingSectionGivesTheDefaults)
{
    ScratchDir dir;
    const Loaded l = readFrom(dir, "[MAIN]\nX=1\n");
    EXPECT_FALSE(l.settings.thdOn);
    EXPECT_FALSE(l.settings.levelOn);
    EXPECT_TRUE(l.settings.fundamentalAuto);
    EXPECT_EQ(l.settings.fundamental, 1000.0);
    EXPECT_EQ(l.settings.bandLow, 100);
    EXPECT_EQ(l.settings.bandHigh, 20000);
    EXPECT_EQ(l.settings.fundamentalThreshold, 0.001);
    EXPECT_EQ(l.settings.filterName, "none");
    EXPECT_EQ(l.weighting.count, 3);
    EXPECT_FALSE(l.weighting.active);
}

TEST(AnalysisSection, KeyRules)
{
    ScratchDir dir;
    Loaded l = readFrom(dir, "[ANALYSE]\nTHDMESS=false\nNOISEMESS=FALSE\nFUNDAUTO=FALSE\n"
                             "FUNDAMENTAL=-440\nFVON=-30\nFBIS=15000\nFUNDLOW=0.0000100\nFILTER=A Weighting\n");
    EXPECT_TRUE(l.settings.thdOn);   // only exactly "FALSE" is false
    EXPECT_FALSE(l.settings.levelOn);
    EXPECT_FALSE(l.settings.fundamentalAuto);
    EXPECT_EQ(l.settings.fundamental, 440.0);
    EXPECT_EQ(l.settings.bandLow, 30);
    EXPECT_EQ(l.settings.bandHigh, 15000);
    EXPECT_EQ(l.settings.fundamentalThreshold, 1e-5);
    EXPECT_EQ(l.settings.filterName, "A Weighting");
    EXPECT_TRUE(l.weighting.active);
    EXPECT_EQ(l.weighting.count, 15);

    l = readFrom(dir, "[ANALYSE]\nFUNDAMENTAL=0\nFVON=abc\nFBIS=20000.5\nFUNDLOW=0\nFILTER=nonsense\n");
    EXPECT_EQ(l.settings.fundamental, 1000.0);
    EXPECT_EQ(l.settings.bandLow, 100);
    EXPECT_EQ(l.settings.bandHigh, 20000);
    EXPECT_EQ(l.settings.fundamentalThreshold, 0.001);
    EXPECT_EQ(l.settings.filterName, "none");

    l = readFrom(dir, "[ANALYSE]\nFVON=99999999999\nFUNDLOW=junk\nFUNDAMENTAL=nan\n");
    EXPECT_EQ(l.settings.bandLow, 100);
    EXPECT_EQ(l.settings.fundamentalThreshold, 0.001);
    EXPECT_EQ(l.settings.fundamental, 1000.0);
}

TEST(AnalysisSection, BothReadOutsOnKeepsThdOnly)
{
    ScratchDir dir;
    const Loaded l = readFrom(dir, "[ANALYSE]\nTHDMESS=TRUE\nNOISEMESS=TRUE\n");
    EXPECT_TRUE(l.settings.thdOn);
    EXPECT_FALSE(l.settings.levelOn);
}

TEST(AnalysisSection, WriteAndReadBack)
{
    ScratchDir dir;
    const QString path = dir.file("krv14f.ini");
    dir.write("krv14f.ini", "[MAIN]\nKEEP=me\n");
    AnalysisSettings s;
    CorrectionTable w;
    s.levelOn = true;
    s.fundamentalAuto = false;
    s.fundamental = 997;
    s.bandLow = 22;
    s.bandHigh = 22000;
    s.fundamentalThreshold = 3.1622777e-4;
    SelectFilter(s, w, "CCIR wtd");
    ASSERT_TRUE(WriteAnalysisSection(s, w, path));
    EXPECT_EQ(GetProfileString("ANALYSE", "NOISEMESS", "", 154, path), "TRUE");
    EXPECT_EQ(GetProfileString("ANALYSE", "THDMESS", "", 154, path), "FALSE");
    EXPECT_EQ(GetProfileString("ANALYSE", "FUNDAMENTAL", "", 154, path), "997");
    EXPECT_EQ(GetProfileString("ANALYSE", "FUNDLOW", "", 154, path), "0.0003162");
    EXPECT_EQ(GetProfileString("ANALYSE", "FILTER", "", 154, path), "CCIR wtd");
    EXPECT_EQ(GetProfileString("MAIN", "KEEP", "", 154, path), "me");

    AnalysisSettings r;
    CorrectionTable rw;
    ReadAnalysisSection(r, rw, path);
    EXPECT_TRUE(r.levelOn);
    EXPECT_FALSE(r.fundamentalAuto);
    EXPECT_EQ(r.fundamental, 997.0);
    EXPECT_EQ(r.bandLow, 22);
    EXPECT_EQ(r.bandHigh, 22000);
    EXPECT_NEAR(r.fundamentalThreshold, 3.1622777e-4, 1e-7);
    EXPECT_EQ(r.filterName, "CCIR wtd");
    EXPECT_TRUE(rw.active);
}

TEST(AnalysisSection, UserCurveComesBackFromItsFile)
{
    ScratchDir dir;
    const QString path = dir.file("krv14f.ini");
    dir.write("mic.cor", "100 -3\n1000 0\n10000 3\n");
    AnalysisSettings s;
    CorrectionTable w;
    SetCorrectionPoints(w, std::vector<CorrectionPair>{{100, -3}, {1000, 0}, {10000, 3}});
    w.fileName = dir.file("mic.cor");
    SelectFilter(s, w, "USER");
    ASSERT_TRUE(WriteAnalysisSection(s, w, path));

    AnalysisSettings r;
    CorrectionTable rw;
    ReadAnalysisSection(r, rw, path);
    EXPECT_EQ(r.filterName, "USER");
    EXPECT_TRUE(rw.active);
    EXPECT_EQ(rw.count, 3);
    EXPECT_EQ(rw.fileName, dir.file("mic.cor"));
}

TEST(AnalysisSection, SmallThresholdsSurviveTheFile)
{
    EXPECT_EQ(FormatThreshold(0.001), "0.0010000");
    EXPECT_EQ(FormatThreshold(1e-5), "0.0000100");
    for (double db : {-100.0, -120.0, -150.0, -200.0}) {
        const double v = std::pow(10.0, db / 20.0);
        const double back = FormatThreshold(v).toDouble();
        EXPECT_NEAR(20.0 * std::log10(back), db, 0.05) << FormatThreshold(v).toStdString();
    }
}

TEST(AnalysisSection, UnwritableFileIsReported)
{
    ScratchDir dir;
    dir.write("plain", "not a directory");
    AnalysisSettings s;
    CorrectionTable w;
    EXPECT_FALSE(WriteAnalysisSection(s, w, dir.file("plain/krv14f.ini")));
}

TEST(AnalysisSection, MenuTogglesExcludeEachOther)
{
    AnalysisSettings s;
    s.toggleLevel();
    EXPECT_TRUE(s.levelOn);
    s.toggleThd();
    EXPECT_TRUE(s.thdOn);
    EXPECT_FALSE(s.levelOn);
    s.toggleThd();
    EXPECT_FALSE(s.thdOn);
    EXPECT_FALSE(s.levelOn);
}
