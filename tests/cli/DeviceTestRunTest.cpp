// korvanta-measure devicetest as a script runs it: the built program in a
// child process on the virtual card. Complete runs (a self-test stored as
// the card's reference and replaced, over a readable and a corrupt one,
// then a device judged against it), and the ways a run ends without a
// report or is refused before it.
#include "tests/cli/MeasureProcess.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

using namespace korvanta::clitest;

Finished measure(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    HowToRun how;
    how.env = env;
    return RunMeasure(QStringList{QStringLiteral("devicetest")} + args, how);
}

// The noise dithers the 16-bit steps, so every figure is well defined; the
// card's default width and rate are the program's.
const QString kCable = QStringLiteral("fast=1 noise=-100");

class DeviceTestRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString settings = qEnvironmentVariable("KORVANTA_SETTINGS");
        references = QDir(QFileInfo(settings).absolutePath()).filePath(QStringLiteral("korvanta-card-references"));
        QDir(references).removeRecursively();
        QDir().mkpath(QFileInfo(settings).absolutePath());
        QFile f(settings);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        // The virtual master follows FGVOLUME; reports in English.
        f.write("[VOLUME]\nFGVOLUME=100\n[MAIN]\nSPRACHE=E\n");
    }

    QString references;
    ScratchDir dir;
};

QJsonObject verdictCheck(const QJsonObject& doc, const char* limit, const char* channel)
{
    for (const QJsonValue& c : doc["verdict"]["checks"].toArray())
        if (c["limit"].toString() == QLatin1String(limit) && c["channel"].toString() == QLatin1String(channel))
            return c.toObject();
    return {};
}

// A bad set-up, a device fault and bad input each end with a message and
// their status, and nothing is written: no JSON on standard output, no file.
TEST_F(DeviceTestRun, EndsWithoutAReportWhereNoneCanBeTrue)
{
    dir.write("notes.json", "the card was fine yesterday");
    const struct {
        const char* name;
        QStringList args;
        int code;
        QString message;
    } cases[] = {
        {"swapped channels", {"--dut", "fast=1 noise=-100 swap=1"}, 3,
         "the check before the run failed: Left and right are swapped"},
        {"nothing at the input", {"--dut", "fast=1 noise=-100 gain=-200"}, 3,
         "the check before the run failed: Nothing arrives at the input"},
        {"the output gone mid-run", {"--dut", "fast=1 noise=-100 fault=outgone"}, 3, "the device test failed at step"},
        {"a reference that cannot be read", {"--dut", kCable, "--reference", dir.file("missing.json")}, 2,
         "--reference " + dir.file("missing.json") + ": it cannot be read"},
        {"a reference that is no report", {"--dut", kCable, "--reference", dir.file("notes.json")}, 2,
         "--reference " + dir.file("notes.json") + ": it is no device test report"},
        {"a tolerance band that is missing", {"--dut", kCable, "--tolerance", dir.file("band.txt")}, 2,
         "tolerance band " + dir.file("band.txt")},
    };
    const QString report = dir.file("report.json");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Finished f = measure(c.args + QStringList{"--out", report});
        EXPECT_EQ(f.code, c.code) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains("korvanta-measure: " + c.message)) << f.err.toStdString();
        EXPECT_TRUE(f.out.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(report));
    }
}

// The stored reference's note, or why it cannot be read.
QString storedNote(const QString& folder)
{
    const QStringList files = QDir(folder).entryList(QDir::Files);
    if (files.size() != 1)
        return QStringLiteral("%1 files").arg(files.size());
    QFile f(QDir(folder).filePath(files[0]));
    if (!f.open(QIODevice::ReadOnly))
        return f.errorString();
    const QJsonObject header = QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("header")).toObject();
    return header.value(QStringLiteral("note")).toString(QStringLiteral("no JSON"));
}

TEST_F(DeviceTestRun, SelfTestBecomesTheReferenceAndADeviceIsJudgedAgainstLimits)
{
    // The self-test, with one limit it meets and one it cannot (the noise
    // alone lies near -97 dB), stored as the card's reference; its JSON on
    // standard output.
    const Finished self = measure({"--dut", kCable, "--self-test", "--store-reference", "--min-dynamic-range", "80",
                                   "--max-thdn", "-110", "--quiet", "--json", "--note", "first"});
    ASSERT_EQ(self.code, 1) << self.err.toStdString();
    EXPECT_TRUE(self.err.contains("THD+N")) << self.err.toStdString();
    EXPECT_TRUE(self.err.contains("above the limit -110")) << self.err.toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(self.out).object();
    EXPECT_EQ(doc["command"].toString(), "devicetest");
    EXPECT_TRUE(doc["complete"].toBool());
    EXPECT_TRUE(doc["header"]["self_test"].toBool());
    EXPECT_FALSE(doc["verdict"]["pass"].toBool());
    for (const char* channel : {"L", "R"}) {
        const QJsonObject range = verdictCheck(doc, "--min-dynamic-range", channel);
        EXPECT_TRUE(range["pass"].toBool()) << channel;
        EXPECT_GT(range["value"].toDouble(), 80.0) << channel;
        const QJsonObject thdn = verdictCheck(doc, "--max-thdn", channel);
        EXPECT_FALSE(thdn["pass"].toBool()) << channel;
        EXPECT_GT(thdn["value"].toDouble(), -110.0) << channel;
    }
    // A script reads each note by its code, in either language.
    for (const QJsonValue& f : doc["figures"].toArray())
        EXPECT_EQ(f["note"].toString().isEmpty(), f["note_code"].toString().isEmpty()) << f["id"].toString().toStdString();
    ASSERT_EQ(storedNote(references), "first");

    // A second self-test cannot replace it without --replace: said at once.
    const Finished again = measure({"--dut", kCable, "--self-test", "--store-reference"});
    EXPECT_EQ(again.code, 2);
    EXPECT_TRUE(again.err.contains("already have a reference")) << again.err.toStdString();
    // With --replace it does, a readable reference and a corrupt one alike.
    // Without --out or --json the run prints its summary.
    const Finished replaced = measure({"--dut", kCable, "--self-test", "--store-reference", "--replace", "--note",
                                       "second", "--quiet"});
    ASSERT_EQ(replaced.code, 0) << replaced.err.toStdString();
    EXPECT_EQ(storedNote(references), "second");
    const QString summary = QString::fromUtf8(replaced.out);
    EXPECT_TRUE(summary.startsWith("Device test: self-test of the sound card\n")) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QRegularExpression("\nDynamic range +[0-9.]+ dB\\*? +[0-9.]+ dB"))) << summary.toStdString();
    const QString stored = QDir(references).filePath(QDir(references).entryList(QDir::Files).value(0));
    {
        QFile corrupt(stored);
        ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly | QIODevice::Truncate));
        corrupt.write("{\"schema\": \"korvanta-measure\", \"version\": \"1\"");
    }
    const Finished overCorrupt = measure({"--dut", kCable, "--self-test", "--store-reference", "--replace", "--note",
                                          "first", "--quiet", "--json"});
    ASSERT_EQ(overCorrupt.code, 0) << overCorrupt.err.toStdString();
    EXPECT_EQ(storedNote(references), "first");

    // A report over the self-test it is compared with, or over the stored
    // reference, would lose it: refused before the run.
    dir.write("card.json", self.out);
    const QString failing = QStringLiteral("fast=1 fault=open");
    const struct {
        QStringList args;
        const char* err;
    } overwrites[] = {
        {{"--dut", failing, "--reference", dir.file("card.json"), "--out", dir.file("card.json")},
         "is the self-test that --reference names"},
        {{"--dut", failing, "--out", stored}, "is the card's stored reference"},
    };
    for (const auto& c : overwrites) {
        const Finished f = measure(c.args);
        EXPECT_EQ(f.code, 2) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(QLatin1String(c.err))) << f.err.toStdString();
    }
    EXPECT_EQ(dir.read("card.json"), self.out);

    // The same cable as a device: every figure lies at the card's own
    // floor, and the page says so beside the figures.
    dir.write("band.txt", "100 -0.5 0.5\n10000 -0.5 0.5\n");
    const QString page = dir.file("device.html");
    // Qt's notes on its environment stay off standard error.
    QProcessEnvironment noRuntime = QProcessEnvironment::systemEnvironment();
    noRuntime.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    const Finished device = measure({"--dut", kCable, "--note", "Cable \"B\"", "--tolerance", dir.file("band.txt"),
                                     "--max-noise", "-80", "--out", page, "--quiet"},
                                    noRuntime);
    ASSERT_EQ(device.code, 0) << device.err.toStdString();
    EXPECT_TRUE(device.out.isEmpty());
    EXPECT_TRUE(device.err.isEmpty()) << device.err.toStdString();
    const QString html = QString::fromUtf8(dir.read("device.html"));
    EXPECT_TRUE(html.contains("limited by the sound card"));
    EXPECT_TRUE(html.contains("Cable &quot;B&quot;") || html.contains("Cable \"B\"")) << "the note in the header";

    // A stored reference that is a link to nothing is found before the run.
    QFile::remove(stored);
    ASSERT_TRUE(QFile::link(dir.file("gone/card.json"), stored));
    const Finished dangling = measure({"--dut", failing, "--self-test", "--store-reference", "--replace"});
    EXPECT_EQ(dangling.code, 2) << dangling.err.toStdString();
    EXPECT_TRUE(dangling.err.contains("is a link to " + dir.file("gone/card.json") + ", which does not exist"))
        << dangling.err.toStdString();
}

} // namespace
