// The device test command's limits and its choice of the card's reference,
// without a device.
#include "cli/DeviceTestLimits.h"
#include "cli/DeviceTestReference.h"
#include "cli/DeviceTestText.h"
#include "devicetest/DtJson.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

DtFigure figure(const char* id, DtChannel channel, double value, const char* unit = "dB")
{
    DtFigure f;
    f.id = QString::fromLatin1(id);
    f.channel = channel;
    f.value = value;
    f.unit = QString::fromUtf8(unit);
    return f;
}

// Both channels alike, except the right THD+N a little above the left.
DeviceTestResult measured(int rate = 48000)
{
    DeviceTestResult r;
    r.complete = true;
    r.header.rate = rate;
    for (DtChannel c : {DtChannel::Left, DtChannel::Right}) {
        r.figures.push_back(figure(dtid::Noise, c, -98.3, "dBFS"));
        r.figures.push_back(figure(dtid::DynamicRange, c, 97.6));
        r.figures.push_back(figure(dtid::ThdnDb, c, c == DtChannel::Left ? -90.004 : -89.2));
        r.figures.push_back(figure(dtid::ImdSmpte, c, -58.8));
        r.figures.push_back(figure(dtid::ImdCcifD2, c, rate < 44100 ? NAN : -73.0));
        r.figures.push_back(figure(dtid::ImdCcifD3, c, rate < 44100 ? NAN : -80.0));
        DtCurve response;
        response.id = QStringLiteral("response");
        response.channel = c;
        response.x = {20, 1000, 15000, 20000};
        response.y = {-0.2, 0.0, -0.6, c == DtChannel::Left ? -1.2 : -0.8};
        r.curves.push_back(response);
    }
    for (const char* id : {"crosstalk_db_100", "crosstalk_db_1000", "crosstalk_db_10000"}) {
        r.figures.push_back(figure(id, DtChannel::LeftToRight, -101.0));
        r.figures.push_back(figure(id, DtChannel::RightToLeft, std::string(id) == "crosstalk_db_10000" ? -79.5 : -99.0));
    }
    r.figures.push_back(figure("match_gain_db_1000", DtChannel::Both, 0.3));
    r.figures.push_back(figure("match_gain_db_10000", DtChannel::Both, -0.7));
    return r;
}

TEST(DeviceTestLimits, JudgeThePrintedFiguresAndFailWhatWasNotMeasured)
{
    DeviceTestResult noThdn = measured();
    noThdn.figures[2].value = NAN; // the left THD+N
    noThdn.figures[2].note = QStringLiteral("no tone");
    DeviceTestResult noResponse = measured();
    noResponse.curves.pop_back();
    DeviceTestResult noMatch = measured();
    std::erase_if(noMatch.figures, [](const DtFigure& f) { return f.channel == DtChannel::Both; });
    DeviceTestResult oneWay = measured();
    std::erase_if(oneWay.figures, [](const DtFigure& f) { return f.channel == DtChannel::LeftToRight; });
    const struct {
        const char* name;
        DeviceTestResult result;
        DtLimits (*limits)(); // made in the loop: an array of optionals trips the compiler's flow analysis
        size_t checks;
        QStringList failures;
    } cases[] = {
        {"no limit", measured(), [] { return DtLimits{}; }, 0, {}},
        {"noise passes", measured(), [] { DtLimits l; l.maxNoise = -98.3; return l; }, 2, {}},
        {"-90.004 is printed -90.00", measured(), [] { DtLimits l; l.maxThdn = -90.0; return l; }, 2,
         {"Right: THD+N -89.20 dB above the limit -90"}},
        {"dynamic range below", measured(), [] { DtLimits l; l.minDynamicRange = 100.0; return l; }, 2,
         {"Left: Dynamic range 97.60 dB below the limit 100", "Right: Dynamic range 97.60 dB below the limit 100"}},
        {"crosstalk both ways, three frequencies", measured(), [] { DtLimits l; l.maxCrosstalk = -80.0; return l; }, 6,
         {"Right → Left: Crosstalk 10 kHz -79.50 dB above the limit -80"}},
        {"a direction without crosstalk fails", oneWay, [] { DtLimits l; l.maxCrosstalk = -70.0; return l; }, 4,
         {"Left → Right: no crosstalk measured, so --max-crosstalk cannot pass"}},
        {"channel match either way, at each frequency", measured(),
         [] { DtLimits l; l.maxChannelMatch = 0.5; return l; }, 2,
         {"Left against Right: Channel match, gain 10 kHz -0.70 dB below the limit -0.5"}},
        {"no channel match fails", noMatch, [] { DtLimits l; l.maxChannelMatch = 0.5; return l; }, 1,
         {"no channel match measured, so --max-channel-match cannot pass"}},
        {"IMD at 48 kHz judges CCIF", measured(), [] { DtLimits l; l.maxImd = -70.0; return l; }, 6,
         {"Left: IMD SMPTE -58.80 dB above the limit -70", "Right: IMD SMPTE -58.80 dB above the limit -70"}},
        {"IMD at 32 kHz leaves CCIF out", measured(32000), [] { DtLimits l; l.maxImd = -50.0; return l; }, 2, {}},
        {"a figure not measured fails", noThdn, [] { DtLimits l; l.maxThdn = 0.0; return l; }, 2,
         {"Left: THD+N not measured (no tone), so --max-thdn cannot pass"}},
        {"response inside the band's range only", measured(), [] { DtLimits l; l.response = ParseToleranceBand("100 -1 0.5\n20000 -1 0.5\n").band; return l; }, 6,
         {"Left: 20000 Hz: response -1.20 dB outside -1.00 .. 0.50 dB"}},
        {"a channel without a response fails", noResponse, [] { DtLimits l; l.response = ParseToleranceBand("100 -1 0.5\n20000 -1 0.5\n").band; return l; }, 4,
         {"Left: 20000 Hz: response -1.20 dB outside -1.00 .. 0.50 dB",
          "Right: no frequency response measured, so --tolerance cannot pass"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DtLimits limits = c.limits();
        const DtVerdict v = JudgeDeviceTest(c.result, limits);
        EXPECT_EQ(v.checked, limits.Any());
        EXPECT_EQ(v.checks.size(), c.checks);
        EXPECT_EQ(v.Failures(), c.failures);
        EXPECT_EQ(v.Pass(), c.failures.isEmpty());
    }
}

// The verdict's JSON says which limits passed and failed, with the values.
TEST(DeviceTestLimits, VerdictJsonNamesEveryCheckWithItsValue)
{
    const QJsonObject v = DtVerdictJson(JudgeDeviceTest(measured(), {.minDynamicRange = 90.0, .maxThdn = -90.0}));
    EXPECT_TRUE(v["checked"].toBool());
    EXPECT_FALSE(v["pass"].toBool());
    EXPECT_EQ(v["failures"].toArray().size(), 1);
    const QJsonArray checks = v["checks"].toArray();
    ASSERT_EQ(checks.size(), 4);
    const QJsonObject range = checks[0].toObject();
    EXPECT_EQ(range["limit"].toString(), "--min-dynamic-range");
    EXPECT_EQ(range["figure"].toString(), "dynamic_range_db");
    EXPECT_EQ(range["channel"].toString(), "L");
    EXPECT_DOUBLE_EQ(range["value"].toDouble(), 97.6);
    EXPECT_DOUBLE_EQ(range["min"].toDouble(), 90.0);
    EXPECT_TRUE(range["max"].isNull());
    EXPECT_TRUE(range["pass"].toBool());
    const QJsonObject thdn = checks[3].toObject();
    EXPECT_EQ(thdn["channel"].toString(), "R");
    EXPECT_DOUBLE_EQ(thdn["value"].toDouble(), -89.2);
    EXPECT_FALSE(thdn["pass"].toBool());
}

DeviceTestResult selfTestOf(const DtCardKey& key, bool selfTest = true, bool complete = true)
{
    DeviceTestResult r = measured(key.rate);
    r.header.inputDevice = key.input;
    r.header.outputDevice = key.output;
    r.header.inputBits = key.inputBits;
    r.header.outputBits = key.outputBits;
    r.header.selfTest = selfTest;
    r.complete = complete;
    return r;
}

// A reference the user names must be a complete self-test of this card and
// format; a stored one that is not is said and left out, never fatal.
TEST(DeviceTestReference, AFileIsAUsableSelfTestOfThisCardOrAnError)
{
    ScratchDir dir;
    const DtCardKey key{QStringLiteral("hw:CARD=USB,DEV=0"), QStringLiteral("hw:CARD=USB,DEV=0"), 48000, 24, 24};
    DtCardKey other = key;
    other.rate = 44100;
    dir.write("good.json", DtResultToJson(selfTestOf(key)));
    dir.write("run.json", DtResultToJson(selfTestOf(key, false)));
    dir.write("stopped.json", DtResultToJson(selfTestOf(key, true, false)));
    dir.write("other.json", DtResultToJson(selfTestOf(other)));
    dir.write("text.json", "frequency 1000");
    QDir(dir.path()).mkpath("store");
    QDir(dir.path()).mkpath("corrupt");
    const DtReferenceStore empty(dir.file("empty-store"));
    DtReferenceStore stored(dir.file("store"));
    dir.write(QStringLiteral("store/") + QFileInfo(stored.fileFor(key)).fileName(), DtResultToJson(selfTestOf(key)));
    DtReferenceStore corrupt(dir.file("corrupt"));
    dir.write(QStringLiteral("corrupt/") + QFileInfo(corrupt.fileFor(key)).fileName(), "{");

    const struct {
        const char* name;
        QString file;
        bool selfTest;
        const DtReferenceStore& store;
        bool reference;
        const char* error;
        const char* warning;
    } cases[] = {
        {"nothing stored", {}, false, empty, false, "", ""},
        {"the stored one", {}, false, stored, true, "", ""},
        {"a self-test is not compared with the one it may replace", {}, true, stored, false, "", ""},
        {"a stored file that cannot be used", {}, false, corrupt, false, "", "cannot be read"},
        {"the file given", dir.file("good.json"), false, empty, true, "", ""},
        {"the file before the stored one", dir.file("good.json"), true, corrupt, true, "", ""},
        {"missing", dir.file("missing.json"), false, stored, false, "missing.json: it cannot be read", ""},
        {"a folder", dir.path(), false, stored, false, ": it is a folder", ""},
        {"not JSON", dir.file("text.json"), false, stored, false, "text.json: it is no device test report", ""},
        {"a device's run", dir.file("run.json"), false, stored, false, "run.json: it is no self-test", ""},
        {"a stopped self-test", dir.file("stopped.json"), false, stored, false, "did not run to the end", ""},
        {"another format", dir.file("other.json"), false, stored, false,
         "it is the self-test of another card or format (hw:CARD=USB,DEV=0 → hw:CARD=USB,DEV=0, 44100 Hz, 24/24 "
         "bits), this run uses hw:CARD=USB,DEV=0 → hw:CARD=USB,DEV=0, 48000 Hz, 24/24 bits",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DtReferenceChoice choice = ChooseDtReference(c.file, c.selfTest, key, c.store);
        EXPECT_EQ(choice.reference.has_value(), c.reference);
        EXPECT_EQ(choice.error.isEmpty(), *c.error == 0) << choice.error.toStdString();
        EXPECT_TRUE(choice.error.contains(QString::fromUtf8(c.error))) << choice.error.toStdString();
        if (*c.error) {
            EXPECT_TRUE(choice.error.startsWith(QStringLiteral("--reference "))) << choice.error.toStdString();
        }
        EXPECT_EQ(choice.warning.isEmpty(), *c.warning == 0) << choice.warning.toStdString();
        EXPECT_TRUE(choice.warning.contains(QLatin1String(c.warning))) << choice.warning.toStdString();
    }

    // Storing over a reference needs --replace; a card without one is free.
    EXPECT_TRUE(DtStoreConflict(false, key, stored).contains("--replace replaces it"));
    EXPECT_EQ(DtStoreConflict(true, key, stored), QString());
    EXPECT_EQ(DtStoreConflict(false, key, empty), QString());
}

// What a person reads in the terminal: each figure once, left and right
// side by side, the card's flag, every note once with its number, and the
// verdict only where limits were given.
TEST(DeviceTestSummary, OneRowPerFigureWithBothChannelsAndNumberedNotes)
{
    DeviceTestResult r = measured();
    r.header.selfTest = false;
    r.header.note = QStringLiteral("preamp");
    r.figures[0].limitedByCard = true;                         // the left noise
    r.figures[4].note = r.figures[10].note = QStringLiteral("left out"); // CCIF d2, left and right
    r.figures[4].value = r.figures[10].value = NAN;
    DtFigure maxLevel = figure(dtid::MaxLevel, DtChannel::Both, NAN, "dBFS");
    maxLevel.note = QStringLiteral("no clipping up to 0 dBFS");
    r.figures.push_back(maxLevel);
    const QString t = DtSummaryText(r, JudgeDeviceTest(r, {}), 'E');
    const QStringList lines = t.split(QLatin1Char('\n'));
    EXPECT_EQ(lines[0], "Device test");
    EXPECT_TRUE(lines.contains("Device under test: preamp")) << t.toStdString();
    auto row = [&](const char* name) {
        for (const QString& l : lines)
            if (l.startsWith(QLatin1String(name)))
                return l.simplified();
        return QString();
    };
    EXPECT_EQ(row("Noise level"), "Noise level -98.30 dBFS* -98.30 dBFS");
    EXPECT_EQ(row("IMD CCIF d2"), "IMD CCIF d2 not measured [1] not measured [1]");
    EXPECT_EQ(row("Crosstalk 10 kHz"), "Crosstalk 10 kHz (L → R | R → L) -101.00 dB -79.50 dB");
    EXPECT_EQ(row("Maximum level"), "Maximum level at the output (1 % THD+N) not measured [2]");
    EXPECT_EQ(t.count("Noise level"), 1);
    EXPECT_TRUE(lines.contains("[1] left out"));
    EXPECT_TRUE(lines.contains("[2] no clipping up to 0 dBFS"));
    EXPECT_TRUE(lines.contains("* limited by the sound card: within 3 dB of its own value"));
    EXPECT_FALSE(lines.contains("PASS"));
    DtLimits limits;
    limits.maxCrosstalk = -90.0;
    EXPECT_TRUE(DtSummaryText(r, JudgeDeviceTest(r, limits), 'E').endsWith("\nFAIL\n"));
    EXPECT_TRUE(DtSummaryText(r, JudgeDeviceTest(r, limits), 'D').contains("\nRauschpegel "));
}

// The progress counts against the steps a run is expected to take, and
// against its plan once that holds more.
TEST(DeviceTestSummary, ProgressCountsAgainstTheExpectedSteps)
{
    const DtPlan plan = DefaultDtPlan(DtPlanSettings{});
    const int expected = DtExpectedSteps(plan);
    EXPECT_EQ(expected, 28) << "17 steps and the search from -10 dB to full scale in 1 dB steps";
    RunEstimate e;
    e.stepMs.assign(plan.steps.size(), 1000);
    e.approximate = true;
    const DtStep& first = plan.steps.front();
    EXPECT_TRUE(DtProgressLine(0, first, e, expected, 'E')
                    .startsWith(QStringLiteral("step 1 of about %1: ").arg(expected)));
    EXPECT_TRUE(DtProgressLine(0, first, e, expected, 'E').endsWith(QStringLiteral(", %1 left").arg(DurationText(expected * 1000))));
    e.stepMs.assign(size_t(expected + 4), 1000);
    EXPECT_TRUE(DtProgressLine(expected + 1, first, e, expected, 'E')
                    .startsWith(QStringLiteral("step %1 of about %2: ").arg(expected + 2).arg(expected + 4)));
    EXPECT_TRUE(DtProgressLine(0, first, e, expected, 'D').startsWith(QStringLiteral("Schritt 1 von etwa")));
}

} // namespace
