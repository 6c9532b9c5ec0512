// korvanta-measure as a script runs it: the built program in a child
// process on the virtual card, beside the real main window measuring the
// same device under test from the same settings file.
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "diagram/DiaPointStore.h"
#include "diagram/ui/Diagr3.h"
#include "app/ui/DistortionMenu.h"
#include "distortion/ui/DistortionWindow.h"
#include "app/ui/Main.h"
#include "generator/ui/GeneratorPage.h"
#include "measure/ui/RadioGroup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <cmath>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace korvanta;

namespace {

struct Finished {
    int code = -1;
    QString out;
    QString err;
};

// `inChild` runs in the child before the program starts.
Finished measure(const QStringList& args, const QStringList& env = {}, const std::function<void()>& inChild = {})
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& item : env)
        e.insert(item.section(QLatin1Char('='), 0, 0), item.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(e);
    if (inChild)
        p.setChildProcessModifier(inChild);
    p.start(QStringLiteral(KORVANTA_MEASURE_EXE), args);
    Finished f;
    if (!p.waitForFinished(60000))
        return f;
    f.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    f.out = QString::fromUtf8(p.readAllStandardOutput());
    f.err = QString::fromUtf8(p.readAllStandardError());
    return f;
}

QStringList lines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

constexpr const char* kDut = "fast=1 ext=sine freq=1000 level=-6 h2=-72 h3=-66 noise=-104";

// The command's messages in English, for the tests that read them: ctest
// runs under a German locale, which a settings file without a language
// follows.
const QByteArray kEnglish = "\n[MAIN]\nSPRACHE=E\n";
struct EnglishSettings {
    EnglishSettings()
    {
        dir.write(QStringLiteral("krv14f.ini"), kEnglish);
        qputenv("KORVANTA_SETTINGS", dir.file(QStringLiteral("krv14f.ini")).toLocal8Bit());
    }
    ScratchDir dir;
};

class CliRun : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        qputenv("KORVANTA_DUT", kDut);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        qunsetenv("KORVANTA_DUT");
    }

    // The GUI's analyzer: one single run of the stored number of averages.
    void analyzerRun()
    {
        TAnalyzerPage* page = main->AnalyzerPage;
        page->RunningGroup->setItemIndex(0);
        page->AverVal->setValue(Analyzer().AverCount);
        page->StartButton->click();
        ASSERT_TRUE(QTest::qWaitFor([] { return !Analyzer().Running; }, 30000));
    }
    void sweepRun()
    {
        // Idle once the last step's block has come, not when its recording
        // was asked for.
        QSignalSpy idle(main->GeneratorPage, &TGeneratorPage::sweepIdle);
        main->GeneratorPage->wobbelnBut->click();
        ASSERT_TRUE(idle.wait(60000));
    }
    QStringList exported()
    {
        const QString path = dir.file(QStringLiteral("export.txt"));
        EXPECT_EQ(Forms().Diagramm->SaveAsText(path, QStringLiteral(",")), 0);
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        const QStringList rows = lines(QString::fromUtf8(f.readAll()));
        f.remove();
        return rows;
    }
};

// Same device, same settings: the same digits as the program's result line
// and text export. The settings file is only read.
TEST_F(CliRun, GivesTheProgramsReadingsAndExportToTheLastDigit)
{
    const struct {
        const char* name;
        const char* settings;
        const char* command;
        bool sweep;
        bool readout; // compare the result line, else the export
    } cases[] = {
        {"thdn", "[FFT]\nSAMPLES=16384\nAVERAGE=2\n[ANALYSE]\nTHDMESS=TRUE\n", "thdn", false, true},
        {"level", "[FFT]\nSAMPLES=8192\nWIN=5\nDBMODE=2\n[ANALYSE]\nNOISEMESS=TRUE\nFILTER=A Weighting\n", "level",
         false, true},
        {"spectrum", "[FFT]\nSAMPLES=4096\nWIN=2\nAVERAGE=3\n[MAIN]\nSPRACHE=E\n", "spectrum", false, false},
        {"sweep", "[MAIN]\nPAGE=1\n[WOB]\nFROM=50\nTO=15000\nSTEPS=12\nREFMESS=2\nPEGDIG=-6\nSTARTMESS=0\n", "sweep",
         true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeSettings(QByteArray("[VOLUME]\nFGVOLUME=100\n") + c.settings);
        ResetProcessState();
        VirtualCard::instance().reset();
        VirtualCard::instance().setFastMode(true);
        start();
        c.sweep ? sweepRun() : analyzerRun();
        const QString guiLine = Forms().Diagramm->GetInfoLine();
        const QStringList guiExport = exported();
        const QByteArray before = dir.read(QStringLiteral("krv14f.ini"));
        const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files);

        const Finished cli = measure({QLatin1String(c.command), c.readout ? QStringLiteral("--quiet") : QStringLiteral("--csv")});
        ASSERT_EQ(cli.code, 0) << cli.err.toStdString();
        if (c.readout) {
            ASSERT_FALSE(guiLine.isEmpty());
            EXPECT_TRUE(lines(cli.out).contains(guiLine)) << guiLine.toStdString() << "\n" << cli.out.toStdString();
        } else {
            ASSERT_GT(guiExport.size(), 10);
            EXPECT_EQ(lines(cli.out).mid(1), guiExport);
        }
        EXPECT_EQ(dir.read(QStringLiteral("krv14f.ini")), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), filesBefore);
        closeMain();
    }
}

// A distortion run: the command prints the rows of the distortion window's
// table, digit for digit, from the window's plan in the settings file.
TEST_F(CliRun, DistortionGivesTheWindowsTable)
{
    qputenv("KORVANTA_DUT", "fast=1 k3=0.05");
    VirtualCard::instance().reset();
    VirtualCard::instance().setFastMode(true);
    writeSettings("[VOLUME]\nFGVOLUME=100\n[EICH]\nINPUT=1000\n[VERZERR]\nFROMDB=-20\nTODB=-2\nSTEPS=6\nSETTLE=1\n"
                  "LOAD=4\nDIVIDER=10\nLIMIT=0\n");
    start();
    main->DistortionMenu->Distortion1->trigger();
    TDistortionWindow* window = Forms().Distortion;
    window->StartButton->click();
    ASSERT_TRUE(QTest::qWaitFor([window] { return !window->Engine()->Running(); }, 30000));
    ASSERT_EQ(window->Points().size(), 7u);
    ASSERT_EQ(window->SaveAsText(dir.file(QStringLiteral("table.txt"))), 0);
    QStringList gui = lines(QString::fromUtf8(dir.read(QStringLiteral("table.txt")))).mid(1);
    // CSV leaves an absent harmonic empty where the table shows "-".
    for (QString& row : gui) {
        QStringList cells = row.split(QLatin1Char('\t'));
        cells.replaceInStrings(QRegularExpression(QStringLiteral("^-$")), QString());
        row = cells.join(QLatin1Char(','));
    }

    const Finished cli = measure({QStringLiteral("distortion"), QStringLiteral("--csv")});
    ASSERT_EQ(cli.code, 0) << cli.err.toStdString();
    EXPECT_EQ(lines(cli.out).mid(1), gui);
    closeMain();
}

// A channel that hears nothing is no perfect response, in the window and
// in the command alike. The window's read-out says "no signal" and its
// diagram has no value there (a gap); the command writes "no signal", an
// empty CSV field or null in JSON, names the point on standard error, and
// fails any tolerance band.
TEST_F(CliRun, ASilentChannelIsNoSignalInTheWindowAndTheCommand)
{
    qputenv("KORVANTA_DUT", "fast=1 gainr=-200");
    VirtualCard::instance().reset();
    VirtualCard::instance().setFastMode(true);
    writeSettings("[VOLUME]\nFGVOLUME=100\n[MAIN]\nPAGE=1\nSPRACHE=E\n[WOB]\nFROM=100\nTO=1000\nSTEPS=2\nREFMESS=0\n"
                  "PEGDIG=-6\nSTARTMESS=0\n");
    start();
    sweepRun();
    EXPECT_EQ(main->GeneratorPage->Label7->text(), QStringLiteral("0.50FS no signal"));
    const DiaPointStore& drawn = Forms().Diagramm->Points();
    int measured = 0;
    for (int i = 0; i < drawn.count(); ++i) {
        if (drawn.x()[i] == 0.0f)
            continue;
        ++measured;
        EXPECT_TRUE(std::isnan(drawn.curve1()[i])) << "point " << i << ": " << drawn.curve1()[i];
    }
    EXPECT_EQ(measured, 3);
    closeMain();

    ScratchDir scratch;
    scratch.write(QStringLiteral("band.txt"), "100 -1 1\n10000 -1 1\n");
    const QString band = scratch.file(QStringLiteral("band.txt"));
    const QStringList stereoSilence{"--dut", "fast=1", "--mode", "stereo", "--level", "-100"};
    const struct {
        QStringList args;
        int code;
        const char* row;    // the first point as written
        const char* err;
    } cases[] = {
        {{"sweep"}, 0, "100.00  no signal", "100.00 Hz: no signal on the right channel"},
        {{"sweep", "--csv"}, 0, "100.00,", "100.00 Hz: no signal on the right channel"},
        {{"sweep", "--json"}, 0, "[100.00, null]", "100.00 Hz: no signal on the right channel"},
        {{"sweep", "--tolerance", band}, 1, "100.00  no signal", "100.00 Hz: no signal on the right channel"},
        {QStringList{"sweep"} + stereoSilence, 0, "100.00  no signal  no signal", "100.00 Hz: no signal on either channel"},
        {QStringList{"sweep", "--json"} + stereoSilence, 0, "[100.00, null, null]", "no signal on either channel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Finished f = measure(c.args);
        EXPECT_EQ(f.code, c.code) << f.err.toStdString();
        EXPECT_TRUE(f.out.contains(QLatin1String(c.row))) << f.out.toStdString();
        EXPECT_TRUE(f.err.contains(QLatin1String(c.err))) << f.err.toStdString();
    }
}

// What a test bench relies on: the exit status and the reason on standard
// error, for a failed limit, bad usage and device faults.
TEST(CliExit, StatusAndReasonForEveryOutcome)
{
    const EnglishSettings english;
    ScratchDir dir;
    const QString band = dir.file(QStringLiteral("band.txt"));
    dir.write(QStringLiteral("band.txt"), "100 -0.5 0.5\n10000 -0.5 0.5\n");
    const QString out = dir.file(QStringLiteral("result.json"));
    const QString userWeighting = dir.file(QStringLiteral("user.ini"));
    dir.write(QStringLiteral("user.ini"), "[ANALYSE]\nFILTER=USER\nUSERFILE=" + dir.file("missing.cor").toUtf8() + kEnglish);
    const QString dut = QString::fromLatin1(kDut);
    // A rate stored for the device, as a file from another machine has it.
    const QString stored44k = dir.file(QStringLiteral("stored44k.ini"));
    dir.write(QStringLiteral("stored44k.ini"), "[SDSOUND]\nin Korvanta_virtual_card_(loopback)_inputsf=44100\n" + kEnglish);
    // The wave file form stored, with no file chosen.
    const QString fileForm = dir.file(QStringLiteral("fileform.ini"));
    dir.write(QStringLiteral("fileform.ini"), "[GEN]\nMODE=4\n" + kEnglish);
    // Files the loaders refuse: the reason, in the command's language, with
    // the file's name.
    const QString badCor = dir.file(QStringLiteral("descending.cor"));
    dir.write(QStringLiteral("descending.cor"), "2000 0\n1000 0\n");
    const QString badCorrection = dir.file(QStringLiteral("badcorrection.ini"));
    dir.write(QStringLiteral("badcorrection.ini"), "[MAIN]\nSPRACHE=E\nINCONAME=" + badCor.toUtf8() + "\nINCOAKT=TRUE\n");
    const QString badWeighting = dir.file(QStringLiteral("badweighting.ini"));
    dir.write(QStringLiteral("badweighting.ini"), "[ANALYSE]\nFILTER=USER\nUSERFILE=" + badCor.toUtf8() + kEnglish);
    const QString notWave = dir.file(QStringLiteral("notwave.wav"));
    dir.write(QStringLiteral("notwave.wav"), "not a wave file");
    dir.write(QStringLiteral("plain"), "x");
    const struct {
        QStringList args;
        int code;
        QString err;
    } cases[] = {
        {{"thdn", "--dut", dut, "--max-thdn", "-40", "--json", "--out", out}, 0, ""},
        {{"thdn", "--dut", dut, "--max-thdn", "-70"}, 1, "dB above the limit -70 dB"},
        {{"level", "--dut", dut, "--min-level", "-3", "--channels", "right"}, 1, "right: level -"},
        {{"sweep", "--dut", "fast=1 lp=2000", "--steps", "4", "--mode", "stereo", "--settle", "0", "--tolerance", band},
         1, "Hz: right level"},
        {{"thdn", "--fft", "3000"}, 2, "--fft 3000: not one of"},
        {{"thdn", "--dut", "frobnicate=1"}, 2, "unknown key \"frobnicate\""},
        {{"sweep", "--dut", "fast=1", "--tolerance", dir.file("missing.txt")}, 2, "tolerance band"},
        {{"level", "--dut", "fast=1", "--settings", userWeighting}, 2, "missing.cor named in"},
        {{"thdn", "--dut", dut, "--input", "no such card"}, 3, "no input device no such card"},
        {{"generate", "--dut", dut, "--output", "3"}, 3, "no output device 3"},
        {{"thdn", "--dut", "fast=1 fault=open"}, 3, "the recording cannot start"},
        {{"level", "--dut", "fast=1 fault=gone"}, 3, "the input failed"},
        {{"sweep", "--dut", "fast=1 fault=outopen", "--steps", "2"}, 3, "the sweep failed at"},
        {{"thdn", "--dut", "fast=1 rates=48000", "--settings", stored44k}, 3, "does not take 44100 Hz"},
        // Nothing stored: the device starts at a rate it takes.
        {{"thdn", "--dut", "fast=1 rates=48000"}, 0, ""},
        {{"distortion", "--dut", "fast=1 gain=6", "--settle", "1", "--from-db", "-12", "--to-db", "0", "--steps", "12",
          "--stop-thdn", "10", "--min-clip-watts", "1"},
         1, "THD+N reaches 1 percent at"},
        {{"distortion", "--dut", "fast=1 k3=0.05", "--settle", "1", "--from-db", "-20", "--to-db", "-2", "--steps", "3",
          "--max-thdn", "-65", "--up-to-watts", "1", "--divider", "10", "--load", "8"},
         1, "lies above -65 dB"},
        {{"distortion", "--dut", "fast=1 fault=outopen", "--steps", "2"}, 3, "the distortion run failed at the output"},
        {{"distortion", "--virtual", "--from-db", "0", "--to-db", "-10"}, 2, "--to-db must lie above --from-db"},
        {{"thdn", "--dut", dut, "--settings", badCorrection}, 2,
         "the input correction file " + badCor + " named in " + badCorrection + " cannot be used: Frequencies not ascending"},
        {{"level", "--dut", dut, "--settings", badWeighting}, 2,
         "the weighting file " + badCor + " named in " + badWeighting + " cannot be used: Frequencies not ascending"},
        {{"generate", "--dut", "fast=1", "--file", notWave, "--duration", "1"}, 3,
         notWave + " cannot be played\nkorvanta-measure: PlayUserWave: notwave.wav: "},
        {{"generate", "--dut", "fast=1", "--settings", fileForm, "--duration", "1"}, 3,
         "no wave file is chosen: name one with --file"},
        // Found before the device is even opened.
        {{"thdn", "--dut", "fast=1 fault=open", "--out", dir.file("plain/result.json")}, 2,
         "--out " + dir.file("plain/result.json") + " cannot be written: " + dir.file("plain") + " is not a folder"},
    };
    for (const auto& c : cases) {
        const Finished f = measure(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(f.code, c.code) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(c.err)) << f.err.toStdString();
    }
    // A settings file that is not there names no language: the locale's.
    const Finished missing = measure({"thdn", "--settings", dir.file("missing.ini")}, {"LANG=C", "LC_ALL="});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains("no readable file")) << missing.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("missing.cor")))) << "nothing is created";
    QFile json(out);
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QByteArray doc = json.readAll();
    EXPECT_TRUE(doc.startsWith("{\"schema\": \"korvanta-measure\", \"version\": 1, \"command\": \"thdn\"")) << doc.data();
    EXPECT_TRUE(doc.contains("\"verdict\": {\"checked\": true, \"pass\": true")) << doc.data();
}

// An output that stops taking frames fails the run with the output error,
// although every step is far shorter than the second its report takes.
TEST(CliExit, AStalledOutputFailsTheRun)
{
    const EnglishSettings english;
    const struct {
        QStringList args;
        const char* err;
    } cases[] = {
        {{"sweep", "--dut", "fast=1 fault=outstall", "--steps", "3", "--settle", "150"}, "the sweep failed at 20.00 Hz"},
        {{"distortion", "--dut", "fast=1 fault=outstall", "--steps", "3", "--settle", "200"},
         "the distortion run failed at the output"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Finished f = measure(c.args);
        EXPECT_EQ(f.code, 3) << f.out.toStdString();
        EXPECT_TRUE(f.err.contains(QLatin1String(c.err))) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(QLatin1String("The output device stopped taking data"))) << f.err.toStdString();
    }
}

// A sine or square at or above half the output rate would play an alias
// reported as the frequency asked for; noise does not depend on it.
TEST(CliGenerate, FrequencyNotBelowHalfTheRateIsRefused)
{
    const EnglishSettings english;
    ScratchDir dir;
    const QString huge = dir.file(QStringLiteral("huge.ini"));
    dir.write(QStringLiteral("huge.ini"), "[GEN]\nFGEN=1e308\n" + kEnglish);
    const QStringList play{"generate", "--dut", "fast=1", "--duration", "0.1"};
    const struct {
        QStringList args;
        int code;
        const char* err;
    } cases[] = {
        {play + QStringList{"--frequency", "40000", "--rate", "44100"}, 2,
         "the frequency 40000.00 Hz is not below half the sample rate (22050 Hz)"},
        {play + QStringList{"--signal", "square", "--frequency", "24000", "--rate", "48000"}, 2,
         "not below half the sample rate (24000 Hz)"},
        {play + QStringList{"--settings", huge, "--rate", "48000"}, 2, "not below half the sample rate (24000 Hz)"},
        {play + QStringList{"--frequency", "22049", "--rate", "44100"}, 0, ""},
        {play + QStringList{"--signal", "white", "--frequency", "40000", "--rate", "44100"}, 0, ""},
    };
    for (const auto& c : cases) {
        const Finished f = measure(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(f.code, c.code) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(QLatin1String(c.err))) << f.err.toStdString();
        EXPECT_EQ(f.out.contains(QStringLiteral("played")), c.code == 0) << f.out.toStdString();
    }
}

// A script that reads the last result while a new one is written reads the
// old one whole: the new file replaces it, it never overwrites it in place.
TEST(CliExit, TheResultFileIsReplacedWhole)
{
    const EnglishSettings english;
    ScratchDir dir;
    dir.write(QStringLiteral("result.json"), "the previous result\n");
    QFile previous(dir.file(QStringLiteral("result.json")));
    ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
    const Finished f = measure({"level", "--dut", QLatin1String(kDut), "--json", "--out", dir.file("result.json")});
    ASSERT_EQ(f.code, 0) << f.err.toStdString();
    EXPECT_EQ(previous.readAll(), "the previous result\n");
    EXPECT_TRUE(dir.read(QStringLiteral("result.json")).startsWith("{\"schema\": \"korvanta-measure\""));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"result.json"});
}

// A result that cannot be written once the measurement is done (a full disk:
// here a file size limit of 0) leaves the previous file as it was, and the
// measurement's own reasons still reach standard error.
TEST(CliExit, AResultThatCannotBeWrittenKeepsTheReasons)
{
    const EnglishSettings english;
    ScratchDir dir;
    dir.write(QStringLiteral("result.json"), "the previous result\n");
    const QString out = dir.file(QStringLiteral("result.json"));
    const Finished f = measure({"thdn", "--dut", QLatin1String(kDut), "--max-thdn", "-70", "--json", "--out", out}, {}, [] {
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &none);
        ::signal(SIGXFSZ, SIG_IGN);
    });
    EXPECT_EQ(f.code, 2) << f.err.toStdString();
    EXPECT_TRUE(f.err.contains(QStringLiteral("dB above the limit -70 dB\n"))) << f.err.toStdString();
    EXPECT_TRUE(f.err.endsWith("korvanta-measure: cannot write " + out + "\n")) << f.err.toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("result.json")), "the previous result\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"result.json"});
}

// Values of the settings file outside the options' ranges are clamped into
// them, each with a line: a level 20 dB above full scale becomes full scale
// (the sweep's steps are set here, so the file's are left alone and not
// mentioned).
TEST(CliExit, SettingsValuesAreHeldToTheOptionsRanges)
{
    const EnglishSettings english;
    ScratchDir dir;
    dir.write(QStringLiteral("k.ini"), "[WOB]\nFROM=500\nTO=2000\nSTEPS=100000\nPEGDIG=20\nSTARTMESS=-5\nREFMESS=2\n" + kEnglish);
    const QString ini = dir.file(QStringLiteral("k.ini"));
    const Finished f = measure({"sweep", "--dut", "fast=1", "--settings", ini, "--steps", "2", "--csv"});
    ASSERT_EQ(f.code, 0) << f.err.toStdString();
    EXPECT_EQ(lines(f.err), (QStringList{
        "korvanta-measure: [WOB] PEGDIG=20 in " + ini + " lies outside -200 to 0 (the range of --level): 0 is used",
        "korvanta-measure: [WOB] STARTMESS=-5 in " + ini + " lies outside 0 to 10000 (the range of --settle): 0 is used"}));
    const QStringList rows = lines(f.out);
    ASSERT_EQ(rows.size(), 4) << f.out.toStdString();
    for (const QString& row : rows.mid(1))
        for (const QString& level : row.split(QLatin1Char(',')).mid(1))
            EXPECT_LE(level.toDouble(), 0.0) << "no level above full scale: " << row.toStdString();
}

// A distortion run on an amplifier that gives nothing reads -192 dB in
// every row: it fails any limit, and without one it is still said.
TEST(CliExit, ADistortionRunWithoutSignalFailsItsLimits)
{
    const EnglishSettings english;
    const QStringList dead{"distortion", "--dut", "fast=1 gain=-200", "--steps", "2", "--settle", "1"};
    const struct {
        QStringList args;
        int code;
    } cases[] = {{dead + QStringList{"--max-thdn", "-40"}, 1}, {dead + QStringList{"--min-clip-watts", "1"}, 1}, {dead, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Finished f = measure(c.args);
        EXPECT_EQ(f.code, c.code) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(QStringLiteral("-30.00 dBFS, 1000.0 Hz: no signal at the input"))) << f.err.toStdString();
    }
}

// Through ALSA (two test PCMs): a device is chosen by its ALSA name, its
// product name or its index.
TEST(CliDevices, ChosenByAlsaNameProductNameOrIndex)
{
    const EnglishSettings english;
    const QStringList alsa{QStringLiteral("KORVANTA_AUDIO=alsa"), QStringLiteral("ALSA_CONFIG_PATH=" KORVANTA_ALSA_CONF)};
    for (const char* choice : {"korvanta_second", "test pcm second", "1"}) {
        const Finished f = measure({QStringLiteral("level"), QStringLiteral("--input"), QLatin1String(choice)}, alsa);
        EXPECT_EQ(f.code, 0) << choice << f.err.toStdString();
        EXPECT_TRUE(f.out.startsWith(QStringLiteral("input: Test PCM Second,"))) << choice << f.out.toStdString();
    }
    const Finished unknown = measure({QStringLiteral("level"), QStringLiteral("--input"), QStringLiteral("korvanta_third")}, alsa);
    EXPECT_EQ(unknown.code, 3);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("no input device korvanta_third"))) << unknown.err.toStdString();
}

// Two processes on one device would hear each other's signal: the second
// is refused while the first plays; the other direction and other devices
// stay free, and a process killed with its lock held blocks nothing.
TEST(CliLock, ASecondProcessOnTheSameDeviceIsRefused)
{
    const EnglishSettings english;
    ScratchDir runtime;
    const QStringList alsa{QStringLiteral("KORVANTA_AUDIO=alsa"), QStringLiteral("ALSA_CONFIG_PATH=" KORVANTA_ALSA_CONF),
                           "XDG_RUNTIME_DIR=" + runtime.path()};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& item : alsa)
        env.insert(item.section(QLatin1Char('='), 0, 0), item.section(QLatin1Char('='), 1));
    QProcess holder;
    holder.setProcessEnvironment(env);
    holder.start(QStringLiteral(KORVANTA_MEASURE_EXE),
                 {"generate", "--output", "korvanta_second", "--duration", "60", "--quiet"});
    const QString lockFile = runtime.file(QStringLiteral("korvanta/output-korvanta_second.lock"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(lockFile); }, 20000));
    const struct {
        QStringList args;
        int code;
        const char* err;
    } cases[] = {
        {{"generate", "--output", "korvanta_second", "--duration", "0.1"}, 3,
         "the output device \"Test PCM Second\" is in use by another measurement (process "},
        {{"sweep", "--device", "korvanta_second", "--steps", "1"}, 3, "is in use by another measurement"},
        {{"level", "--input", "korvanta_second"}, 0, ""},
        {{"generate", "--output", "korvanta_first", "--duration", "0.1"}, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Finished f = measure(c.args, alsa);
        EXPECT_EQ(f.code, c.code) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(QLatin1String(c.err))) << f.err.toStdString();
    }
    EXPECT_EQ(holder.state(), QProcess::Running);
    holder.kill();
    holder.waitForFinished(10000);
    EXPECT_TRUE(QFileInfo::exists(lockFile)) << "a killed process leaves its lock";
    const Finished after = measure({"generate", "--output", "korvanta_second", "--duration", "0.1"}, alsa);
    EXPECT_EQ(after.code, 0) << after.err.toStdString();
}

TEST(CliExit, HelpForEveryCommand)
{
    const EnglishSettings english;
    for (const char* command : {"devices", "spectrum", "thdn", "level", "sweep", "generate", "distortion"}) {
        const Finished f = measure({QLatin1String(command), QStringLiteral("--help")});
        EXPECT_EQ(f.code, 0);
        EXPECT_TRUE(f.out.startsWith(QStringLiteral("Usage: korvanta-measure ") + QLatin1String(command))) << command;
    }
    const Finished overview = measure({QStringLiteral("--help")});
    EXPECT_EQ(overview.code, 0);
    EXPECT_TRUE(overview.out.contains(QStringLiteral("3 device error")));
}

} // namespace
