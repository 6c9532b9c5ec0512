// korvanta-measure in a child process, for what a script relies on beyond
// a good run: a report that cannot reach standard output is never a
// success, what can be found before a run is refused before it, the one
// language it speaks, and a tone it plays while it measures.
#include "tests/cli/MeasureProcess.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

using namespace korvanta::clitest;

Finished measure(const QStringList& args, Stdout out = Stdout::Pipe, const QStringList& env = {})
{
    HowToRun how;
    how.env = WithEnvironment(env);
    how.out = out;
    return RunMeasure(args, how);
}

// Every test speaks English unless it says otherwise: ctest runs under a
// German locale, and the command follows it where the file names no language.
class CliRefusal : public ::testing::Test {
protected:
    void SetUp() override { writeSettings("[VOLUME]\nFGVOLUME=100\n[MAIN]\nSPRACHE=E\n"); }
    void writeSettings(const QByteArray& text)
    {
        QDir().mkpath(QFileInfo(settings).absolutePath());
        QFile f(settings);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

    const QString settings = qEnvironmentVariable("KORVANTA_SETTINGS");
    ScratchDir dir;
};

// A report that does not reach standard output is a lost result: status 2
// and a line naming standard output, for a large report (which the C
// library's buffer used to lose without a word), a small one, and an output
// closed from the start (refused before anything is measured).
TEST_F(CliRefusal, AReportThatCannotReachStandardOutputIsNoSuccess)
{
    const QString dut = QStringLiteral("fast=1 noise=-100");
    const struct {
        QStringList args;
        Stdout out;
        const char* err;
    } cases[] = {
        {{"ir", "--dut", dut, "--csv"}, Stdout::Full, "the report could not be written to standard output: "},
        {{"ir", "--dut", dut, "--json"}, Stdout::Full, "the report could not be written to standard output: "},
        {{"spectrum", "--dut", dut, "--csv"}, Stdout::Full, "the report could not be written to standard output: "},
        {{"thdn", "--dut", dut}, Stdout::Full, "the report could not be written to standard output: "},
        {{"devices", "--virtual", "--json"}, Stdout::Full, "the report could not be written to standard output: "},
        {{"thdn", "--help"}, Stdout::Full, "the report could not be written to standard output: "},
        {{"spectrum", "--dut", "fast=1 fault=open", "--csv"}, Stdout::Closed,
         "the report would go to standard output, but standard output was closed"},
        {{"devicetest", "--dut", "fast=1 fault=open", "--json"}, Stdout::Closed, "standard output was closed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Finished f = measure(c.args, c.out);
        EXPECT_EQ(f.code, 2) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(QLatin1String(c.err))) << f.err.toStdString();
    }
    // Closed, but the report goes to a file: nothing is lost.
    const Finished toFile = measure({"thdn", "--dut", dut, "--out", dir.file("r.json"), "--json"}, Stdout::Closed);
    EXPECT_EQ(toFile.code, 0) << toFile.err.toStdString();
    EXPECT_TRUE(dir.read("r.json").startsWith("{\"schema\": \"korvanta-measure\""));
}

// Found before the run, status 2: a device that fails to open would give 3
// if the run had begun.
TEST_F(CliRefusal, WhatCanBeFoundBeforeTheRunIsRefusedBeforeIt)
{
    const QString failing = QStringLiteral("fast=1 fault=open");
    const QString longName = dir.file(QString(240, QLatin1Char('r')) + QStringLiteral(".json"));
    QString deep = dir.path();
    while (deep.size() < 4200)
        deep += QLatin1Char('/') + QString(200, QLatin1Char('d'));
    // A file where the folder of the card's references belongs.
    const QString blocked = dir.file(QStringLiteral("blocked.ini"));
    dir.write("blocked.ini", "[MAIN]\nSPRACHE=E\n");
    dir.write("korvanta-card-references", "not a folder");
    const struct {
        QStringList args;
        const char* err;
    } cases[] = {
        {{"devicetest", "--dut", failing, "--out", longName}, "the name is 245 bytes long"},
        {{"thdn", "--dut", failing, "--json", "--out", longName}, "the name is 245 bytes long"},
        {{"devicetest", "--dut", failing, "--out", deep + "/r.json"}, "the system allows a path"},
        {{"devicetest", "--dut", failing, "--self-test", "--store-reference", "--settings", blocked},
         "korvanta-card-references is not a folder"},
        {{"devicetest", "--dut", failing, "--reference", ""}, "--reference '': an empty name names nothing"},
        {{"devicetest", "--dut", failing, "--out", ""}, "--out '': an empty name names nothing"},
        {{"thdn", "--dut", failing, "--settings", ""}, "--settings '': an empty name names nothing"},
        {{"devicetest", "--dut", failing, "--level", "0"}, "--level 0: not a number from -40 to -0.5"},
        {{"devicetest", "--dut", failing, "--json", "--out", dir.file("r.html")}, "--json writes JSON"},
        {{"devicetest", "--dut", "fast=1", "--rate", "16000"},
         "the device test cannot run at 16000 Hz: step 10 (Crosstalk Left → Right 10000 Hz) does not fit"},
        {{"devicetest", "--dut", "fast=1", "--rate", "11025"}, "it needs at least 22050 Hz (--rate)"},
        {{"thdn", "--dut", failing, "--level", "-6"}, "--level sets the tone of --play and needs it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Finished f = measure(c.args);
        EXPECT_EQ(f.code, 2) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(QString::fromUtf8(c.err))) << f.err.toStdString();
        EXPECT_TRUE(f.out.isEmpty());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"blocked.ini", "korvanta-card-references"}));

    // A settings folder the user may not write to keeps no reference.
    ScratchDir readOnly;
    readOnly.write("k.ini", "[MAIN]\nSPRACHE=E\n");
    QFile(readOnly.file("k.ini")).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadOther);
    QFile(readOnly.path()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
    HowToRun unprivileged;
    unprivileged.unprivileged = true;
    const Finished f = RunMeasure({"devicetest", "--dut", failing, "--self-test", "--store-reference", "--settings",
                                   readOnly.file("k.ini")},
                                  unprivileged);
    EXPECT_EQ(f.code, 2) << f.err.toStdString();
    EXPECT_TRUE(f.err.contains("the card's reference cannot be stored: ")) << f.err.toStdString();
    EXPECT_TRUE(f.err.contains(readOnly.file("korvanta-card-references/"))) << f.err.toStdString();
    QFile(readOnly.path()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// One language throughout, by the window's rule: the file's SPRACHE where
// it has one, else the locale. The analyzer's read-out, the command's own
// words and a check before a device test's run alike.
TEST_F(CliRefusal, TheCommandSpeaksTheLanguageOfTheSettingsElseOfTheLocale)
{
    const QString dut = QStringLiteral("fast=1 ext=sine freq=1000 level=-6 noise=-100");
    const struct {
        const char* settings;
        const char* lang;
        QStringList args;
        const char* out;
        const char* err;
    } cases[] = {
        {"[MAIN]\nSPRACHE=E\n", "de_DE.UTF-8", {"thdn", "--dut", dut}, "THD+N -", ""},
        {"[MAIN]\nSPRACHE=E\n", "de_DE.UTF-8", {"thdn", "--dut", dut}, " le ", ""},
        {"[MAIN]\nSPRACHE=D\n", "C", {"thdn", "--dut", dut}, " LI ", ""},
        {"[MAIN]\nSPRACHE=D\n", "C", {"thdn", "--dut", dut}, "Hz, Filter", ""},
        {"", "de_DE.UTF-8", {"thdn", "--fft", "3000"}, "", "--fft 3000: nicht eines von 2048"},
        {"", "C", {"thdn", "--fft", "3000"}, "", "--fft 3000: not one of 2048"},
        {"[MAIN]\nSPRACHE=D\n", "C", {"devicetest", "--dut", "fast=1 noise=-100 gainr=-200"}, "",
         "die Prüfung vor dem Lauf schlug fehl: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + c.lang + c.args.join(' ').toStdString());
        writeSettings(c.settings);
        const Finished f = measure(c.args, Stdout::Pipe, {QStringLiteral("LANG=") + c.lang, "LC_ALL="});
        EXPECT_TRUE(QString::fromUtf8(f.out).contains(QString::fromUtf8(c.out))) << f.out.toStdString();
        EXPECT_TRUE(f.err.contains(QString::fromUtf8(c.err))) << f.err.toStdString();
    }
}

// --play: the generator's sine on the output while the analyzer measures,
// at the levels asked for, each channel its own; a tone the output cannot
// play is refused.
TEST_F(CliRefusal, PlayPutsTheGeneratorsSineOnTheOutputWhileMeasuring)
{
    const QStringList play{"--dut", "fast=1 noise=-110", "--play", "1000", "--settle", "0", "--json"};
    const Finished thdn =
        measure(QStringList{"thdn"} + play + QStringList{"--level", "-6", "--fundamental", "auto", "--fft", "16384"});
    ASSERT_EQ(thdn.code, 0) << thdn.err.toStdString();
    const QJsonObject t = QJsonDocument::fromJson(thdn.out).object();
    EXPECT_EQ(t["play"]["frequency_hz"].toDouble(), 1000.0);
    EXPECT_EQ(t["output"]["device"].toString().isEmpty(), false);
    for (const QJsonValue& ch : t["channels"].toArray())
        EXPECT_NEAR(ch["fundamental_hz"].toDouble(), 1000.0, 3.0) << "a bin of the transform";

    auto levels = [&](const QStringList& extra) {
        const Finished f = measure(QStringList{"level"} + play + extra);
        EXPECT_EQ(f.code, 0) << f.err.toStdString();
        const QJsonArray channels = QJsonDocument::fromJson(f.out).object()["channels"].toArray();
        return std::pair{channels[0]["level"].toDouble(), channels[1]["level"].toDouble()};
    };
    const auto loud = levels({"--level", "-6"});
    const auto quiet = levels({"--level-left", "-26", "--level-right", "off"});
    EXPECT_NEAR(loud.first - quiet.first, 20.0, 0.05);
    EXPECT_GT(loud.second - quiet.second, 60.0) << "the right channel is off";

    const Finished alias = measure({"thdn", "--dut", "fast=1", "--play", "30000", "--rate", "44100"});
    EXPECT_EQ(alias.code, 2) << alias.err.toStdString();
    EXPECT_TRUE(alias.err.contains("the frequency 30000.00 Hz is not below half the sample rate (22050 Hz)"))
        << alias.err.toStdString();
}

} // namespace
