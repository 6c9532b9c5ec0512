// The command line, the tolerance band file and the limits of
// korvanta-measure, without a device.
#include "cli/CommandLanguage.h"
#include "cli/DeviceLock.h"
#include "cli/Limits.h"
#include "cli/MeasureOptions.h"
#include "cli/OptionTexts.h"
#include "cli/ResultFile.h"
#include "generator/SweepSettings.h"
#include "tests/support/TestSupport.h"
#include "cli/ToleranceBand.h"
#include "cli/ValueRanges.h"
#include "devicetest/DeviceTestResult.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <type_traits>

#include <sys/stat.h>

using namespace korvanta;

namespace {

QStringList words(const char* line) { return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

// The command's messages in English, as these tests read them (in a run,
// the settings file or the locale chooses).
class English : public ::testing::Environment {
public:
    void SetUp() override { UseCommandLanguage('E'); }
};
[[maybe_unused]] const auto* const kEnglish = ::testing::AddGlobalTestEnvironment(new English);

TEST(MeasureOptions, ValidLinesFillTheRecord)
{
    const auto t = ParseMeasureArguments(words(
        "thdn --device 1 --rate 48000 --width 24 --fft 16384 --window=flat-top --averages 16 --channels left "
        "--band 20:20000 --fundamental 997 --threshold -50 --max-thdn -80 --json --out r.json"));
    ASSERT_TRUE(t.error.isEmpty()) << t.error.toStdString();
    const MeasureOptions& m = t.options;
    EXPECT_EQ(m.command, Command::Thdn);
    EXPECT_EQ(m.input, "1");
    EXPECT_EQ(m.output, "1");
    EXPECT_EQ(m.rate, 48000);
    EXPECT_EQ(m.width, 24);
    EXPECT_EQ(m.fftPoints, 16384);
    EXPECT_EQ(m.window, 5);
    EXPECT_EQ(m.averages, 16);
    EXPECT_EQ(m.leftOn, true);
    EXPECT_EQ(m.rightOn, false);
    EXPECT_EQ(m.bandLow, 20);
    EXPECT_EQ(m.bandHigh, 20000);
    EXPECT_EQ(m.fundamental, 997.0);
    EXPECT_EQ(m.thresholdDb, -50.0);
    EXPECT_EQ(m.maxThdn, -80.0);
    EXPECT_EQ(m.format, OutputFormat::Json);
    EXPECT_EQ(m.outFile, "r.json");

    const auto g = ParseMeasureArguments(words("generate --signal pink --level -6 --level-right off --duration 2.5"));
    ASSERT_TRUE(g.error.isEmpty()) << g.error.toStdString();
    EXPECT_EQ(g.options.signal, 3);
    EXPECT_EQ(g.options.levelLeft, -6);
    EXPECT_EQ(g.options.levelRight, -100);
    const auto s = ParseMeasureArguments(words("sweep --level -6.5 --mode stereo --linear --dut fast=1"));
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    EXPECT_EQ(s.options.level, -6.5);
    EXPECT_EQ(s.options.mode, 2);
    EXPECT_TRUE(s.options.virtualCard);
    const auto w = ParseMeasureArguments({"level", "--weighting", "a weighting"});
    EXPECT_EQ(w.options.weighting, "A Weighting");
    const auto d = ParseMeasureArguments({"devicetest", "--device", "2", "--note", "preamp 2", "--self-test",
                                          "--store-reference", "--replace", "--level", "-3", "--min-dynamic-range",
                                          "100", "--max-crosstalk", "-80", "--max-noise", "-95", "--max-imd", "-70",
                                          "--max-channel-match", "0.5", "--max-thdn", "-90", "--tolerance", "b.txt", "--out", "r.PDF"});
    ASSERT_TRUE(d.error.isEmpty()) << d.error.toStdString();
    const MeasureOptions& dt = d.options;
    EXPECT_EQ(dt.command, Command::DeviceTest);
    EXPECT_EQ(dt.note, "preamp 2");
    EXPECT_TRUE(dt.selfTest && dt.storeReference && dt.replaceReference);
    EXPECT_EQ(dt.level, -3.0);
    EXPECT_EQ(dt.minDynamicRange, 100.0);
    EXPECT_EQ(dt.maxCrosstalk, -80.0);
    EXPECT_EQ(dt.maxNoise, -95.0);
    EXPECT_EQ(dt.maxImd, -70.0);
    EXPECT_EQ(dt.maxChannelMatch, 0.5);
    EXPECT_EQ(dt.maxThdn, -90.0);
    EXPECT_EQ(dt.toleranceFile, "b.txt");

    // The generator's sine while the analyzer measures, at its own levels.
    const auto p = ParseMeasureArguments(words("thdn --play 997 --level -6 --level-right off --settle 100"));
    ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
    EXPECT_EQ(p.options.playFrequency, 997.0);
    EXPECT_EQ(p.options.levelLeft, -6);
    EXPECT_EQ(p.options.levelRight, -100);
    EXPECT_EQ(p.options.settleMs, 100);

    const auto i = ParseMeasureArguments(words("ir --from 50 --to 15000 --seconds 2 --tail 0.25 --level -12 --count 4 "
                                               "--reference right --gate -2.5:30 --smoothing 12 --out r.CSV"));
    ASSERT_TRUE(i.error.isEmpty()) << i.error.toStdString();
    const MeasureOptions& ir = i.options;
    EXPECT_EQ(ir.command, Command::Ir);
    EXPECT_EQ(ir.from, 50);
    EXPECT_EQ(ir.to, 15000);
    EXPECT_EQ(ir.seconds, 2.0);
    EXPECT_EQ(ir.tailSeconds, 0.25);
    EXPECT_EQ(ir.level, -12.0);
    EXPECT_EQ(ir.count, 4);
    EXPECT_EQ(ir.referenceChannel, 1);
    EXPECT_EQ(ir.gateStartMs, -2.5);
    EXPECT_EQ(ir.gateLengthMs, 30.0);
    EXPECT_EQ(ir.smoothing, 12);
    // The file's ending chooses the report's format; a WAV file takes the
    // response and leaves the report to standard output.
    EXPECT_EQ(ir.format, OutputFormat::Csv);
    EXPECT_FALSE(IrWaveOut(ir));
    EXPECT_TRUE(IrWaveOut(ParseMeasureArguments(words("ir --json --out ir.WAV")).options));
}

TEST(MeasureOptions, BadLinesSayWhatIsWrong)
{
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"", "no command given"},
        {"measure", "unknown command measure"},
        {"--fft 2048 thdn", "--fft before the command"},
        {"thdn --fft 3000", "--fft 3000: not one of 2048, 4096, 8192, 16384"},
        {"thdn --fft", "--fft needs a value (N)"},
        {"thdn --averages 0", "--averages 0: not a whole number from 1 to 9999"},
        {"thdn --band 2000:100", "--band 2000:100: not LOW:HIGH"},
        {"thdn --window kaiser", "--window kaiser: not one of none, hamming"},
        {"thdn --weighting X", "--weighting X: not one of \"none\""},
        {"thdn --max-level -3", "--max-level is not an option of `thdn`"},
        {"spectrum --tolerance band.txt", "--tolerance is not an option of `spectrum`"},
        {"level --csv=1", "--csv takes no value"},
        {"level --frobnicate", "unknown option --frobnicate"},
        {"level extra", "unexpected argument extra"},
        {"generate --level -120", "--level -120: not a whole number of dB from -99 to 0"},
        {"sweep --steps 600", "--steps 600: not a whole number from 1 to 511"},
        {"devicetest --csv", "--csv is not an option of `devicetest`"},
        {"devicetest --level -50", "--level -50: not a number from -40 to -0.5"},
        {"devicetest --level 0", "--level 0: not a number from -40 to -0.5"},
        {"devicetest --json --out r.pdf", "--json writes JSON, and the ending of --out names a page or a PDF"},
        {"level --settle 100", "--settle sets the tone of --play and needs it"},
        {"spectrum --level-left -6", "--level-left sets the tone of --play and needs it"},
        {"thdn --play 0", "--play 0: not a number from 1 to 48000"},
        {"devicetest --store-reference", "--store-reference needs --self-test"},
        {"devicetest --self-test --replace", "--replace needs --store-reference"},
        {"devicetest --out report.txt", "--out report.txt: the report's name must end in .json, .html, .htm or .pdf"},
        {"thdn --min-dynamic-range 90", "--min-dynamic-range is not an option of `thdn`"},
        {"ir --gate 5", "--gate 5: not START:LENGTH in ms"},
        {"ir --gate 0:0", "--gate 0:0: not START:LENGTH in ms"},
        {"ir --gate nan:10", "--gate nan:10: not START:LENGTH in ms"},
        {"ir --seconds 30", "--seconds 30: not a number from 0.5 to 20"},
        {"ir --tail -1", "--tail -1: not a number from 0.05 to 10"},
        {"ir --count 65", "--count 65: not a whole number from 1 to 64"},
        {"ir --smoothing 2", "--smoothing 2: not a whole number from 3 to 48"},
        {"ir --reference up", "--reference up: not one of left, right"},
        {"ir --reference left --channel left", "--reference and --channel name the same input"},
        {"ir --out ir.txt", "--out ir.txt: the file's name must end in .csv, .json or .wav"},
        {"ir --json --out ir.csv", "--out ir.csv: its ending names another format than --csv or --json"},
        {"ir --steps 10", "--steps is not an option of `ir`"},
        {"sweep --gate 0:5", "--gate is not an option of `sweep`"},
    };
    for (const auto& c : cases) {
        const auto r = ParseMeasureArguments(words(c.line));
        EXPECT_TRUE(r.error.startsWith(QString::fromUtf8(c.message))) << c.line << " -> " << r.error.toStdString();
    }
    // An empty name would quietly mean the default file or device.
    for (const char* option : {"--out", "--settings", "--input", "--device"})
        EXPECT_EQ(ParseMeasureArguments({"thdn", option, ""}).error,
                  QLatin1String(option) + QStringLiteral(" '': an empty name names nothing"));
    for (const char* option : {"--reference", "--tolerance"})
        EXPECT_FALSE(ParseMeasureArguments({"devicetest", option, ""}).error.isEmpty()) << option;
    EXPECT_FALSE(ParseMeasureArguments({"generate", "--file", ""}).error.isEmpty());
}

TEST(MeasureOptions, HelpOfEveryCommandListsItsOwnOptionsOnly)
{
    const struct {
        Command command;
        const char* has;
        const char* hasNot;
    } cases[] = {
        {Command::Devices, "--json", "--fft"},        {Command::Spectrum, "--unit", "--max-thdn"},
        {Command::Thdn, "--max-thdn", "--min-level"}, {Command::Level, "--max-level", "--fundamental"},
        {Command::Sweep, "--tolerance", "--fft"},     {Command::Generate, "--signal", "--tolerance"},
        {Command::DeviceTest, "--max-crosstalk", "--csv"}, {Command::Ir, "--gate", "--steps"},
    };
    for (const auto& c : cases) {
        const QString help = MeasureHelp(c.command);
        EXPECT_TRUE(help.startsWith("Usage: korvanta-measure " + CommandName(c.command))) << help.toStdString();
        EXPECT_TRUE(help.contains(QLatin1String(c.has))) << CommandName(c.command).toStdString();
        EXPECT_FALSE(help.contains(QLatin1String(c.hasNot))) << CommandName(c.command).toStdString();
        EXPECT_TRUE(MeasureManualPage().contains(".SH " + CommandName(c.command).toUpper()));
    }
}

// --help speaks the command's language; every option and command has its
// German words, so the German help never falls back to English lines.
TEST(MeasureOptions, HelpHasGermanWordsForEveryOptionAndCommand)
{
    const QRegularExpression optionLine(QStringLiteral("^  (--[a-z-]+)"));
    for (const char* command : {"devices", "spectrum", "thdn", "level", "sweep", "generate", "distortion",
                                "devicetest", "ir"}) {
        EXPECT_NE(GermanCommandSummary(command), nullptr) << command;
        const Command c = ParseMeasureArguments({QLatin1String(command)}).options.command;
        for (const QString& line : MeasureHelp(c).split(QLatin1Char('\n'))) {
            const QString option = optionLine.match(line).captured(1);
            if (!option.isEmpty() && option != QLatin1String("--help")) {
                EXPECT_NE(GermanOptionHelp(option.toLatin1().constData()), nullptr) << option.toStdString();
            }
        }
    }
    UseCommandLanguage('D');
    EXPECT_TRUE(MeasureHelp(Command::Thdn).startsWith(QStringLiteral("Aufruf: korvanta-measure thdn [OPTIONEN]\n")));
    EXPECT_TRUE(MeasureHelp(Command::Thdn).contains(QStringLiteral("gemittelte Blöcke (Mittel der linearen Beträge), 1 bis 9999")));
    EXPECT_TRUE(MeasureManualPage().contains(QStringLiteral("blocks averaged (mean of linear magnitudes), 1 to 9999")))
        << "the manual page is English";
    UseCommandLanguage('E');
}

// A user copies an example from the manual page: it must be a command line
// the program takes, and the page must show it.
TEST(MeasureOptions, EveryExampleOfTheManualPageParsesAndIsShown)
{
    const QString page = MeasureManualPage();
    ASSERT_GE(MeasureExamples().size(), 6u);
    for (const MeasureExample& e : MeasureExamples()) {
        const QString line = QString::fromLatin1(e.arguments);
        const ParsedCommandLine r = ParseMeasureArguments(QProcess::splitCommand(line));
        EXPECT_TRUE(r.error.isEmpty()) << e.arguments << ": " << r.error.toStdString();
        EXPECT_NE(r.options.command, Command::None) << e.arguments;
        QString shown = line;
        shown.replace(QLatin1Char('-'), QStringLiteral("\\-"));
        EXPECT_TRUE(page.contains("korvanta\\-measure " + shown)) << e.arguments;
    }
}

TEST(ToleranceBandFile, ParsesOrNamesTheLine)
{
    const struct {
        const char* text;
        const char* error; // empty: parses
        size_t points;
    } cases[] = {
        {"# band\r\n20 -3 1\r\n1000, -0.5, 0.5 ; flat\r\n\r\n20000\t-3\t1\r\n", "", 3},
        {"", "no points", 0},
        {"# only a comment\n", "no points", 0},
        {"20 -3\n", "line 1: expected frequency, min and max, found 2 values", 0},
        {"20 -3 1\n10 -3 1\n", "line 2: frequencies must ascend", 0},
        {"20 1 -3\n", "line 1: min is above max", 0},
        {"0 -3 1\n", "line 1: the frequency must be above 0 Hz and at most 1e+06 Hz", 0},
        {"20 -3 1e5\n", "line 1: a limit lies beyond +/-10000 dB", 0},
        {"20 nan 1\n", "line 1: a value is not a number", 0},
        {"20 -3 1e999\n", "line 1: a value is not a number", 0},
    };
    for (const auto& c : cases) {
        const BandParse p = ParseToleranceBand(QByteArray(c.text));
        EXPECT_EQ(p.error.toStdString(), c.error) << c.text;
        EXPECT_EQ(p.band.points.size(), c.points) << c.text;
    }
}

TEST(ToleranceBandFile, LimitsRunStraightOnALogarithmicAxisAndStopAtTheEnds)
{
    const ToleranceBand band = ParseToleranceBand("100 -10 0\n1000 -1 1\n").band;
    EXPECT_FALSE(band.at(99.9));
    EXPECT_FALSE(band.at(1000.1));
    const auto mid = band.at(std::sqrt(100.0 * 1000.0)); // half way on the log axis
    ASSERT_TRUE(mid);
    EXPECT_NEAR(mid->min, -5.5, 1e-9);
    EXPECT_NEAR(mid->max, 0.5, 1e-9);
    EXPECT_EQ(band.at(1000)->min, -1);
}

TEST(MeasureLimits, JudgeThePrintedValues)
{
    AnalyzerSpectrum s;
    s.thdLeft = -80.04;   // printed -80.0: within -80
    s.thdRight = -79.96;  // printed -80.0 as well
    s.fundamentalLeft = s.fundamentalRight = 1000;
    EXPECT_TRUE(CheckThdn(s, -80.0).pass());
    EXPECT_FALSE(CheckThdn(s, -80.1).pass());
    EXPECT_FALSE(CheckThdn(s, std::nullopt).checked);
    s.fundamentalRight = 0;
    EXPECT_EQ(CheckThdn(s, 0.0).failures, QStringList{"right: no fundamental above the threshold"});
    s.rightOn = false;
    EXPECT_TRUE(CheckThdn(s, 0.0).pass());

    s.levelLeft = -6.004;
    s.unitLabel = "dbFS";
    EXPECT_TRUE(CheckLevel(s, -6.0, -5.0).pass());
    EXPECT_EQ(CheckLevel(s, -5.5, 0.0).failures, QStringList{"left: level -6.00dbFS below the limit -5.5"});

    SweepRun run;
    run.mode = kNoReference;
    SweepPoint p;
    p.frequency = 1000;
    p.values = {0.2f, -2.5f};
    run.points = {p};
    const ToleranceBand band = ParseToleranceBand("100 -1 1\n10000 -1 1\n").band;
    EXPECT_EQ(CheckSweep(run, band).failures, QStringList{"1000.00 Hz: left level -2.50 dB outside -1.00 .. 1.00 dB"});
    run.mode = kLeftReference; // value 2 is a phase then, never judged
    EXPECT_TRUE(CheckSweep(run, band).pass());
}

// A value of the settings file is held to the range its option has: the
// option takes the top of the range and refuses one more, and the same
// value one more from the file is clamped to the top, with a line saying
// so. A value the command line replaces is left alone.
// A field of the sweep record, read and written as a double.
template <auto F>
struct SweepField {
    static double get(const SweepSettings& s) { return double(s.*F); }
    static void set(SweepSettings& s, double v) { s.*F = std::remove_reference_t<decltype(s.*F)>(v); }
};

TEST(MeasureRanges, TheFileIsHeldToTheOptionsRanges)
{
    const struct {
        const char* option;
        const char* key;
        double (*stored)(const SweepSettings&);
        void (*store)(SweepSettings&, double);
    } cases[] = {
        {"--steps", "STEPS", SweepField<&SweepSettings::steps>::get, SweepField<&SweepSettings::steps>::set},
        {"--settle", "STARTMESS", SweepField<&SweepSettings::settleMs>::get, SweepField<&SweepSettings::settleMs>::set},
        {"--level", "PEGDIG", SweepField<&SweepSettings::digitalLevel>::get,
         SweepField<&SweepSettings::digitalLevel>::set},
        {"--from", "FROM", SweepField<&SweepSettings::fromFrequency>::get,
         SweepField<&SweepSettings::fromFrequency>::set},
        {"--to", "TO", SweepField<&SweepSettings::toFrequency>::get, SweepField<&SweepSettings::toFrequency>::set},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        const ValueRange* r = RangeOfOption(QLatin1String(c.option));
        ASSERT_NE(r, nullptr);
        const QString top = QString::number(r->hi);
        const QString above = QString::number(r->hi + 1);
        EXPECT_TRUE(ParseMeasureArguments({"sweep", c.option, top}).error.isEmpty());
        EXPECT_FALSE(ParseMeasureArguments({"sweep", c.option, above}).error.isEmpty());

        SweepSettings sweep;
        c.store(sweep, r->hi + 1);
        EXPECT_TRUE(ClampStoredValues(sweep, Command::Sweep, {QLatin1String(c.option)}, "k.ini").isEmpty());
        EXPECT_TRUE(ClampStoredValues(sweep, Command::Thdn, {}, "k.ini").isEmpty()) << "the sweep plan is not a thdn's";
        EXPECT_EQ(c.stored(sweep), r->hi + 1);
        const QStringList lines = ClampStoredValues(sweep, Command::Sweep, {}, "k.ini");
        EXPECT_EQ(c.stored(sweep), r->hi);
        ASSERT_EQ(lines.size(), 1);
        EXPECT_EQ(lines[0], QStringLiteral("[WOB] %1=%2 in k.ini lies outside %3 to %4 (the range of %5): %4 is used")
                                .arg(QLatin1String(c.key), above, QString::number(r->lo), top, QLatin1String(c.option)));
    }
}

// The note stands in the report's header as the window's field gives it:
// one line of at most 150 characters, so the PDF's page holds it.
TEST(MeasureOptions, TheNoteIsOneLineThatFitsTheHeader)
{
    const QString longest(kDtNoteMaxLength, QLatin1Char('n'));
    EXPECT_EQ(ParseMeasureArguments({"devicetest", "--note", longest}).options.note, longest);
    const QString tooLong = ParseMeasureArguments({"devicetest", "--note", longest + 'n'}).error;
    EXPECT_TRUE(tooLong.startsWith("--note: 151 characters; at most 150")) << tooLong.toStdString();
    EXPECT_TRUE(ParseMeasureArguments({"devicetest", "--note", "amp\nline 2"}).error.contains("line break"));
}

// --out is checked before anything is measured; the check leaves nothing.
TEST(MeasureResultFile, PathsThatCannotBeWrittenAreFoundFirst)
{
    ScratchDir dir;
    dir.write(QStringLiteral("plain"), "x");
    QDir(dir.path()).mkdir(QStringLiteral("folder"));
    const struct {
        QString path;
        const char* error; // empty: writable
    } cases[] = {
        {dir.file("result.json"), ""},
        {dir.file("new/deeper/result.json"), ""},
        {dir.file("folder"), "is a folder"},
        {dir.file("plain/result.json"), "plain is not a folder"},
        {dir.file("plain/sub/result.json"), "plain is not a folder"},
        {dir.file("pipe"), "is not a regular file"}, // a write would replace the pipe (or a device) by a file
    };
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file("pipe")).constData(), 0600), 0);
    for (const auto& c : cases) {
        const QString error = CheckResultPath(c.path);
        EXPECT_EQ(error.isEmpty(), *c.error == 0) << c.path.toStdString() << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.error))) << error.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{"folder", "pipe", "plain"}));
}

// One holder per device and direction; the other direction and other
// devices are free, and a released lock can be taken again.
TEST(MeasureDeviceLock, OneHolderPerDeviceAndDirection)
{
    ScratchDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    DeviceLocks first, second;
    EXPECT_EQ(first.acquire('O', "hw:CARD=USB,DEV=0", "USB Audio"), QString());
    EXPECT_TRUE(QFileInfo::exists(dir.file("korvanta/output-hw%3ACARD%3DUSB%2CDEV%3D0.lock")));
    EXPECT_TRUE(second.acquire('O', "hw:CARD=USB,DEV=0", "USB Audio")
                    .startsWith(QStringLiteral("the output device \"USB Audio\" is in use by another measurement (process %1)")
                                    .arg(QCoreApplication::applicationPid())));
    EXPECT_EQ(second.acquire('I', "hw:CARD=USB,DEV=0", "USB Audio"), QString());
    EXPECT_EQ(second.acquire('O', "default", "Default"), QString());
    first.release();
    EXPECT_EQ(second.acquire('O', "hw:CARD=USB,DEV=0", "USB Audio"), QString());
    qunsetenv("XDG_RUNTIME_DIR");
}

} // namespace
