// The generator window's rules as plain functions: spin limits, typed
// frequencies and phases, level labels, the frequency display, the
// output-corrected level, docking, the error text and section "GEN".
#include "correction/CorrectionTable.h"
#include "generator/GeneratorControls.h"
#include "generator/GeneratorSection.h"
#include "platform/ProfileStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>
#include <cmath>

using namespace korvanta;

namespace {

struct StepCase {
    const char* name;
    float (*step)(float);
    float from;
    float to;
};

TEST(GeneratorControls, SpinButtonsKeepTheFrequencyInRange)
{
    const StepCase cases[] = {
        {"coarse down from 100 Hz would reach 0", &CoarseDown, 100.0f, 100.0f},
        {"coarse down to exactly 1 is refused", &CoarseDown, 101.0f, 101.0f},
        {"coarse down above 1", &CoarseDown, 101.5f, 1.5f},
        {"coarse down", &CoarseDown, 1000.0f, 900.0f},
        {"coarse up past 48000", &CoarseUp, 47950.5f, 47950.5f},
        {"coarse up to exactly 48000", &CoarseUp, 47900.0f, 48000.0f},
        {"fine down from 1 Hz", &FineDown, 1.0f, 1.0f},
        {"fine down above 0", &FineDown, 1.5f, 0.5f},
        {"fine up at 48000", &FineUp, 48000.0f, 48000.0f},
        {"fine up to 48000", &FineUp, 47999.0f, 48000.0f},
    };
    for (const StepCase& c : cases)
        EXPECT_FLOAT_EQ(c.step(c.from), c.to) << c.name;
}

TEST(GeneratorControls, TypedFrequencies)
{
    const struct {
        const char* text;
        std::optional<float> hz;
    } cases[] = {
        {"440Hz", 440.0f},       {"1000.00Hz", 1000.0f}, {" 48000 ", 48000.0f}, {"1", 1.0f},
        {"12Hz5", 125.0f},       // only the first "Hz" goes, as typed over the display
        {"0.5", std::nullopt},   {"48000.5", std::nullopt}, {"-440", std::nullopt}, {"", std::nullopt},
        {"Hz", std::nullopt},    {"abc", std::nullopt},     {"1,5", std::nullopt},  {"nan", std::nullopt},
        {"inf", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseFrequencyEntry(QString::fromUtf8(c.text)), c.hz) << c.text;
}

TEST(GeneratorControls, TypedPhases)
{
    const struct {
        const char* text;
        std::optional<int> degrees;
    } cases[] = {{"90", 90}, {"-45", -45}, {" 180 ", 180}, {"9.5", std::nullopt}, {"x", std::nullopt},
                 {"", std::nullopt}, {"-", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(ParsePhase(QString::fromUtf8(c.text)), c.degrees) << c.text;
}

TEST(GeneratorControls, LevelSlidersAndLabels)
{
    const struct {
        int position;
        int level;
        const char* label;
    } cases[] = {{0, 0, "0dB"}, {12, -12, "-12dB"}, {99, -99, "-99dB"}, {100, -100, "OFF"}};
    for (const auto& c : cases) {
        EXPECT_EQ(LevelOfPosition(c.position), c.level);
        EXPECT_EQ(LevelLabel(c.position), QString::fromUtf8(c.label));
        EXPECT_EQ(PositionOfLevel(c.level), c.position);
    }
    // Stored levels outside the scale show at its ends.
    EXPECT_EQ(PositionOfLevel(6), 0);
    EXPECT_EQ(PositionOfLevel(-300), 100);
}

TEST(GeneratorControls, FrequencyDisplayPerSignalKind)
{
    const struct {
        int mode;
        float hz;
        const char* text;
        bool magenta;
    } cases[] = {{0, 1000.0f, "1000.00Hz", false}, {1, 47950.5f, "47950.50Hz", false},
                 {0, 1.0f, "1.00Hz", false},       {2, 440.0f, "Noise", false},
                 {3, 440.0f, "Noise", true},       {4, 440.0f, "tone.wav", false}};
    for (const auto& c : cases) {
        const FrequencyDisplay d = FrequencyDisplayFor(c.mode, c.hz, QStringLiteral("/home/u/sounds/tone.wav"));
        EXPECT_EQ(d.text, QString::fromUtf8(c.text)) << c.mode;
        EXPECT_EQ(d.magenta, c.magenta) << c.mode;
    }
}

TEST(GeneratorControls, OutputCorrectionRoundsToWholeDbAndLeavesOffAlone)
{
    CorrectionTable table;
    const CorrectionPair plus15[] = {{1000.0, 1.5}};
    SetCorrectionPoints(table, plus15);
    table.active = true;
    const struct {
        int level;
        int corrected;
    } cases[] = {
        {-10, -12},   // -11.5: ties go to the even number
        {-9, -10},    // -10.5
        {0, -2},      // -1.5
        {-100, -100}, // off stays off
    };
    for (const auto& c : cases)
        EXPECT_EQ(CorrectedLevel(table, 1000.0, c.level), c.corrected) << c.level;
    table.active = false;
    EXPECT_EQ(CorrectedLevel(table, 1000.0, -10), -10) << "an inactive correction changes nothing";
}

TEST(GeneratorControls, DockingFollowsOnlyAWindowThatStaysNear)
{
    const QSize size(200, 150);
    const QPoint target(500, 400);
    const struct {
        QPoint at;
        bool force;
        bool follows;
    } cases[] = {
        {{500, 400}, false, true},  {{700, 550}, false, true},  {{300, 250}, false, true},
        {{701, 400}, false, false}, {{500, 551}, false, false}, {{2000, 2000}, true, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FollowsDock(c.at, size, target, c.force), c.follows) << c.at.x() << "," << c.at.y();
}

TEST(GeneratorControls, StartErrorTextInBothLanguages)
{
    EXPECT_EQ(StartErrorText('D', QStringLiteral("busy")), QStringLiteral("Fehler bei Frequenzausgabe (busy )"));
    EXPECT_EQ(StartErrorText('E', QStringLiteral("busy")), QStringLiteral("Error in frequency output (busy )"));
}

// --- section "GEN" ---------------------------------------------------------------

TEST(GeneratorSection, RoundTripKeepsEveryField)
{
    ScratchDir dir;
    const QString path = dir.file("krv14f.ini");
    GeneratorSettings s = InitialGeneratorSettings();
    s.frequency = 1234.56f;
    s.levelLeft = -12;
    s.levelRight = GeneratorSettings::kLevelOff;
    s.phaseLeft = -30;
    s.phaseRight = 90;
    s.mode = 3;
    s.userFileName = QStringLiteral("/tmp/ä b/tone.wav");
    ASSERT_TRUE(WriteGeneratorSection(s, path));
    const QString text = QString::fromUtf8(dir.read("krv14f.ini"));
    EXPECT_TRUE(text.contains("[GEN]")) << text.toStdString();
    EXPECT_TRUE(text.contains("FGEN=1234.56")) << text.toStdString();
    EXPECT_TRUE(text.contains("VOLR=-100")) << text.toStdString();
    EXPECT_TRUE(text.contains("BELOOP=1")) << text.toStdString();

    GeneratorSettings back = InitialGeneratorSettings();
    ReadGeneratorSection(back, path);
    EXPECT_FLOAT_EQ(back.frequency, 1234.56f);
    EXPECT_EQ(back.levelLeft, -12);
    EXPECT_EQ(back.levelRight, -100);
    EXPECT_EQ(back.phaseLeft, -30);
    EXPECT_EQ(back.phaseRight, 90);
    EXPECT_EQ(back.mode, 3);
    EXPECT_EQ(back.userFileName, s.userFileName);
    EXPECT_TRUE(back.loopMode);
}

TEST(GeneratorSection, BadOrMissingValuesTakeSafeValues)
{
    const struct {
        const char* section;
        float hz;
        int levelLeft;
        int mode;
        bool loop;
    } cases[] = {
        {"", 1000.0f, -20, 0, true},                      // a fresh file: well below full scale
        {"FGEN=abc\nVOLL=x\nMODE=\n", 1000.0f, -20, 0, true},
        {"FGEN=0.25\n", 1.0f, -20, 0, true},               // below 1 Hz with loop mode
        {"FGEN=0.25\nBELOOP=0\n", 0.25f, -20, 0, false},   // kept without it
        {"FGEN=1e9\n", 48000.0f, -20, 0, true},            // would never find a loop length
        {"FGEN=-50\n", 1000.0f, -20, 0, true},
        {"FGEN=nan\n", 1000.0f, -20, 0, true},
        {"VOLL=12\nMODE=9\n", 1000.0f, 0, 0, true},
        {"VOLL=-250\nMODE=-1\n", 1000.0f, -100, 0, true},
        {"BELOOP=2\nMODE=4\n", 1000.0f, -20, 4, false},    // only 1 means loop
        {"BELOOP=TRUE\n", 1000.0f, -20, 0, true},           // unreadable: the default
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        dir.write("krv14f.ini", QByteArray("[GEN]\n") + c.section);
        GeneratorSettings s = InitialGeneratorSettings();
        ReadGeneratorSection(s, dir.file("krv14f.ini"));
        EXPECT_FLOAT_EQ(s.frequency, c.hz) << c.section;
        EXPECT_EQ(s.levelLeft, c.levelLeft) << c.section;
        EXPECT_EQ(s.mode, c.mode) << c.section;
        EXPECT_EQ(s.loopMode, c.loop) << c.section;
    }
}

TEST(GeneratorSection, WritingKeepsOtherSectionsAndNeverReplacesAnUnreadableFile)
{
    ScratchDir dir;
    dir.write("krv14f.ini", "[MAIN]\nPAGE=2\n[GEN]\nFGEN=5\n; note\n");
    GeneratorSettings s = InitialGeneratorSettings();
    ASSERT_TRUE(WriteGeneratorSection(s, dir.file("krv14f.ini")));
    const QString text = QString::fromUtf8(dir.read("krv14f.ini"));
    EXPECT_TRUE(text.contains("PAGE=2"));
    EXPECT_TRUE(text.contains("; note"));
    EXPECT_TRUE(text.contains("FGEN=1000.00"));

    // A directory where the file should be cannot be read: nothing written.
    QDir(dir.path()).mkdir("blocked.ini");
    EXPECT_FALSE(WriteGeneratorSection(s, dir.file("blocked.ini")));
}

} // namespace
