#include "cli/MeasureOptions.h"

#include "cli/CommandLanguage.h"
#include "cli/OptionTexts.h"
#include "cli/ValueRanges.h"
#include "analysis/WeightingCurves.h"
#include "devicetest/DeviceTestResult.h"
#include "devicetest/DtReportFile.h"

#include <cmath>
#include <functional>
#include <vector>

namespace korvanta {

namespace {

// Which commands take an option.
enum : unsigned {
    kDevices = 1u << 0,
    kSpectrum = 1u << 1,
    kThdn = 1u << 2,
    kLevel = 1u << 3,
    kSweep = 1u << 4,
    kGenerate = 1u << 5,
    kDistortion = 1u << 6,
    kDeviceTest = 1u << 7,
    kIr = 1u << 8,
    kAnalyzer = kSpectrum | kThdn | kLevel,
    kPlaying = kSweep | kGenerate | kDistortion | kDeviceTest | kIr,
    kMeasuring = kAnalyzer | kSweep | kDistortion | kDeviceTest | kIr,
    kAll = kDevices | kMeasuring | kGenerate,
};

bool isAnalyzer(Command c) { return c == Command::Spectrum || c == Command::Thdn || c == Command::Level; }

// The highest reference level of the device test: the test counts a sample
// at 0.999 of full scale as clipped, and the level its tone reaches at the
// input is set through the loop gain measured at -20 dBFS, so half a dB
// keeps a perfect card's peaks clear of that mark.
constexpr double kHighest = -0.5;

using Apply = std::function<QString(MeasureOptions&, const QString&)>;

struct OptionSpec {
    const char* name;
    const char* argument; // nullptr: a flag
    unsigned commands;
    const char* help;
    Apply apply;
};

struct CommandSpec {
    Command command;
    const char* name;
    unsigned bit;
    const char* summary;
};

const CommandSpec kCommands[] = {
    {Command::Devices, "devices", kDevices, "list the input and output devices with the formats they take"},
    {Command::Spectrum, "spectrum", kSpectrum, "record and print the spectrum: frequency and level of every bin"},
    {Command::Thdn, "thdn", kThdn, "THD+N of each channel with the fundamental found"},
    {Command::Level, "level", kLevel, "band level of each channel, optionally weighted"},
    {Command::Sweep, "sweep", kSweep, "frequency response: level (and phase) at every step of a sweep"},
    {Command::Generate, "generate", kGenerate, "play a test signal for a given time or until interrupted"},
    {Command::Distortion, "distortion", kDistortion,
     "THD+N, THD, H2..H9, gain, volts and watts of an amplifier against level or frequency"},
    {Command::DeviceTest, "devicetest", kDeviceTest,
     "a sound card or a device in one run: response, noise, dynamic range, THD+N, IMD, crosstalk, channel match "
     "and maximum level, as a summary per channel, or a JSON, HTML or PDF report"},
    {Command::Ir, "ir", kIr,
     "impulse response from one exponential sweep: latency, polarity, magnitude, phase and group delay at every "
     "bin, H2..H5 and THD against frequency, the response as a float WAV file"},
};

const QStringList kWindowNames = {QStringLiteral("none"),          QStringLiteral("hamming"),
                                  QStringLiteral("hann"),          QStringLiteral("blackman"),
                                  QStringLiteral("blackman-harris"), QStringLiteral("flat-top"),
                                  QStringLiteral("rife-vincent1"), QStringLiteral("rife-vincent2"),
                                  QStringLiteral("rife-vincent3")};
const QStringList kUnitNames = {QStringLiteral("dbfs"), QStringLiteral("dbv"), QStringLiteral("dbu"),
                                QStringLiteral("dbm")};
const QStringList kModeNames = {QStringLiteral("left-ref"), QStringLiteral("right-ref"), QStringLiteral("stereo")};
const QStringList kSignalNames = {QStringLiteral("sine"), QStringLiteral("square"), QStringLiteral("white"),
                                  QStringLiteral("pink")};

constexpr Words kNotWhole{"keine ganze Zahl von %1 bis %2", "not a whole number from %1 to %2"};
constexpr Words kNotNumber{"keine Zahl von %1 bis %2", "not a number from %1 to %2"};
constexpr Words kNotOneOf{"nicht eines von %1", "not one of %1"};
constexpr Words kNotBand{"nicht LOW:HIGH in ganzen Hz mit 1 <= LOW < HIGH", "not LOW:HIGH in whole Hz with 1 <= LOW < HIGH"};
constexpr Words kNotFundamental{"weder „auto“ noch eine ganze Zahl von Hz von 1 bis 96000",
                                "not \"auto\" or a whole number of Hz from 1 to 96000"};
constexpr Words kNotGeneratorLevel{"keine ganze Zahl von dB von -99 bis 0 und nicht „off“",
                                   "not a whole number of dB from -99 to 0, or \"off\""};
constexpr Words kNoName{"ein leerer Name nennt nichts", "an empty name names nothing"};
constexpr Words kUnknownOption{"unbekannte Option %1", "unknown option %1"};
constexpr Words kNotOptionOf{"%1 ist keine Option von `%2`", "%1 is not an option of `%2`"};
constexpr Words kNeedsValue{"%1 braucht einen Wert (%2)", "%1 needs a value (%2)"};
constexpr Words kTakesNoValue{"%1 nimmt keinen Wert", "%1 takes no value"};
constexpr Words kStoreNeedsSelfTest{
    "--store-reference braucht --self-test: nur ein Lauf mit einem einfachen Kabel zeigt, was die Karte selbst kann",
    "--store-reference needs --self-test: only a run with a plain cable is the card's floor"};
constexpr Words kReplaceNeedsStore{"--replace braucht --store-reference", "--replace needs --store-reference"};
constexpr Words kReportEnding{"der Name des Berichts muss auf .json, .html, .htm oder .pdf enden",
                              "the report's name must end in .json, .html, .htm or .pdf"};
constexpr Words kJsonIsNoPage{"--json schreibt JSON, die Endung von --out nennt eine Seite oder ein PDF",
                              "--json writes JSON, and the ending of --out names a page or a PDF"};
constexpr Words kNeedsPlay{"%1 stellt den Ton von --play ein und braucht es", "%1 sets the tone of --play and needs it"};
constexpr Words kBeforeCommand{"%1 vor dem Befehl", "%1 before the command"};
constexpr Words kUnknownCommand{"unbekannter Befehl %1", "unknown command %1"};
constexpr Words kNoCommand{"kein Befehl angegeben", "no command given"};
constexpr Words kUnexpected{"unerwartetes Argument %1", "unexpected argument %1"};

QString listOf(std::initializer_list<const char*> names)
{
    QStringList l;
    for (const char* n : names)
        l << QLatin1String(n);
    return Say(kNotOneOf).arg(l.join(QStringLiteral(", ")));
}

QString bad(const char* option, const QString& value, const QString& why)
{
    return QStringLiteral("%1 %2: %3").arg(QLatin1String(option), value, why);
}

// The option's range from the table the settings file shares. Every option
// that takes a number has one; a missing row is a mistake in this file.
const ValueRange& rangeOf(const char* option)
{
    const ValueRange* r = RangeOfOption(QLatin1String(option));
    if (!r)
        qFatal("no range for %s", option);
    return *r;
}

// Whole number in the option's range.
Apply integer(const char* option, std::optional<int> MeasureOptions::*field)
{
    const ValueRange& r = rangeOf(option);
    const int lo = int(r.lo);
    const int hi = int(r.hi);
    return [=](MeasureOptions& o, const QString& v) {
        bool ok = false;
        const int n = v.toInt(&ok);
        if (!ok || n < lo || n > hi)
            return bad(option, v, Say(kNotWhole).arg(lo).arg(hi));
        o.*field = n;
        return QString();
    };
}

Apply real(const char* option, std::optional<double> MeasureOptions::*field)
{
    const ValueRange& r = rangeOf(option);
    const double lo = r.lo;
    const double hi = r.hi;
    return [=](MeasureOptions& o, const QString& v) {
        bool ok = false;
        const double x = v.toDouble(&ok);
        if (!ok || !std::isfinite(x) || x < lo || x > hi)
            return bad(option, v, Say(kNotNumber).arg(lo).arg(hi));
        o.*field = x;
        return QString();
    };
}

// One of the names (case-insensitive) or its index.
Apply choice(const char* option, const QStringList& names, std::optional<int> MeasureOptions::*field)
{
    return [=](MeasureOptions& o, const QString& v) {
        int i = int(names.indexOf(v.toLower()));
        bool isIndex = false;
        const int n = v.toInt(&isIndex);
        if (i < 0 && isIndex && n >= 0 && n < names.size())
            i = n;
        if (i < 0)
            return bad(option, v, Say(kNotOneOf).arg(names.join(QStringLiteral(", "))));
        o.*field = i;
        return QString();
    };
}

// A file or a device: an empty name would quietly mean "the default one",
// which is not what a script that lost a variable meant.
Apply name(const char* option, QString MeasureOptions::*field)
{
    return [=](MeasureOptions& o, const QString& v) {
        if (v.isEmpty())
            return bad(option, QStringLiteral("''"), Say(kNoName));
        o.*field = v;
        return QString();
    };
}

Apply flag(std::function<void(MeasureOptions&)> set)
{
    return [=](MeasureOptions& o, const QString&) {
        set(o);
        return QString();
    };
}

QString applyFft(MeasureOptions& o, const QString& v)
{
    const int n = v.toInt();
    if (n != 2048 && n != 4096 && n != 8192 && n != 16384)
        return bad("--fft", v, listOf({"2048", "4096", "8192", "16384"}));
    o.fftPoints = n;
    return {};
}

QString applyChannels(MeasureOptions& o, const QString& v)
{
    const QString c = v.toLower();
    if (c != QLatin1String("left") && c != QLatin1String("right") && c != QLatin1String("both"))
        return bad("--channels", v, listOf({"left", "right", "both"}));
    o.leftOn = c != QLatin1String("right");
    o.rightOn = c != QLatin1String("left");
    return {};
}

QString applyBand(MeasureOptions& o, const QString& v)
{
    const QStringList parts = v.split(QLatin1Char(':'));
    bool okLow = false, okHigh = false;
    const int low = parts.value(0).toInt(&okLow);
    const int high = parts.value(1).toInt(&okHigh);
    if (parts.size() != 2 || !okLow || !okHigh || low < 1 || high <= low)
        return bad("--band", v, Say(kNotBand));
    o.bandLow = low;
    o.bandHigh = high;
    return {};
}

QString applyWeighting(MeasureOptions& o, const QString& v)
{
    for (const QString& name : WeightingNames())
        if (name != kWeightingUser && name.compare(v, Qt::CaseInsensitive) == 0) {
            o.weighting = name;
            return {};
        }
    QStringList names = WeightingNames();
    names.removeAll(kWeightingUser);
    return bad("--weighting", v, Say(kNotOneOf).arg(QLatin1Char('"') + names.join(QStringLiteral("\", \"")) + QLatin1Char('"')));
}

QString applyFundamental(MeasureOptions& o, const QString& v)
{
    if (v.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) {
        o.fundamental = 0.0;
        return {};
    }
    bool ok = false;
    const int hz = v.toInt(&ok);
    if (!ok || hz < 1 || hz > 96000)
        return bad("--fundamental", v, Say(kNotFundamental));
    o.fundamental = hz;
    return {};
}

QString applySignal(MeasureOptions& o, const QString& v)
{
    return choice("--signal", kSignalNames, &MeasureOptions::signal)(o, v);
}

QString applyGeneratorLevel(MeasureOptions& o, const QString& v, bool left, bool right, const char* option = "--level")
{
    bool ok = false;
    const int db = v.toInt(&ok);
    const bool off = v.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0;
    if (!off && (!ok || db > 0 || db < -99))
        return bad(option, v, Say(kNotGeneratorLevel));
    const int value = off ? -100 : db;
    if (left)
        o.levelLeft = value;
    if (right)
        o.levelRight = value;
    return {};
}

// The device test's level is the tone's at the input: below -40 dBFS its
// checks before the run would refuse it anyway, and a sine whose peaks
// reach the input's full scale reads as clipped on a perfect card.
QString applyReferenceLevel(MeasureOptions& o, const QString& v)
{
    constexpr double kLowest = -40.0;
    bool ok = false;
    const double db = v.toDouble(&ok);
    if (!ok || !std::isfinite(db) || db < kLowest || db > kHighest)
        return bad("--level", v, Say(kNotNumber).arg(kLowest).arg(kHighest));
    o.level = db;
    return {};
}

// The impulse response's reference: the input that hears it, or none.
QString applyReferenceChannel(MeasureOptions& o, const QString& v)
{
    const QString c = v.toLower();
    if (c == QLatin1String("none")) {
        o.referenceChannel.reset();
        return {};
    }
    return choice("--reference", {QStringLiteral("left"), QStringLiteral("right")}, &MeasureOptions::referenceChannel)(
        o, v);
}

// The note stands in the report's header as the window's one-line field
// gives it: a longer note, or lines of its own, would run off the PDF's page.
QString applyNote(MeasureOptions& o, const QString& v)
{
    if (v.size() > kDtNoteMaxLength)
        return QStringLiteral("--note: %1 characters; at most %2 fit the report's header")
            .arg(v.size())
            .arg(kDtNoteMaxLength);
    if (v.contains(QLatin1Char('\n')) || v.contains(QLatin1Char('\r')))
        return QStringLiteral("--note: a line break; the note is one line");
    o.note = v;
    return {};
}

// START:LENGTH in ms; the start counts from the peak and lies before it
// for all but an odd use, the length must hold something.
QString applyGate(MeasureOptions& o, const QString& v)
{
    constexpr double kMaxMs = 60000.0;
    const QStringList parts = v.split(QLatin1Char(':'));
    bool okStart = false, okLength = false;
    const double start = parts.value(0).toDouble(&okStart);
    const double length = parts.value(1).toDouble(&okLength);
    if (parts.size() != 2 || !okStart || !okLength || !std::isfinite(start) || !std::isfinite(length) ||
        std::abs(start) > kMaxMs || !(length > 0.0) || length > kMaxMs)
        return bad("--gate", v,
                   QStringLiteral("not START:LENGTH in ms with -%1 <= START <= %1 and 0 < LENGTH <= %1").arg(kMaxMs));
    o.gateStartMs = start;
    o.gateLengthMs = length;
    return {};
}

const std::vector<OptionSpec>& optionTable()
{
    static const std::vector<OptionSpec> table = {
        {"--input", "DEV", kMeasuring | kGenerate, "input device by index (as `devices` lists it), by its ALSA name (hw:CARD=USB,DEV=0) or product name",
         name("--input", &MeasureOptions::input)},
        {"--output", "DEV", kPlaying | kAnalyzer, "output device by index, ALSA name or product name (thdn, level, "
         "spectrum: of --play)", name("--output", &MeasureOptions::output)},
        {"--device", "DEV", kMeasuring | kGenerate, "input and output device at once",
         [](MeasureOptions& o, const QString& v) {
             const QString error = name("--device", &MeasureOptions::input)(o, v);
             o.output = o.input;
             return error;
         }},
        {"--rate", "HZ", kMeasuring | kGenerate, "sample rate of the devices (the device must take it exactly)",
         integer("--rate", &MeasureOptions::rate)},
        {"--width", "BITS", kMeasuring | kGenerate, "sample width: 8, 16 or 24",
         [](MeasureOptions& o, const QString& v) {
             if (v != QLatin1String("8") && v != QLatin1String("16") && v != QLatin1String("24"))
                 return bad("--width", v, listOf({"8", "16", "24"}));
             o.width = v.toInt();
             return QString();
         }},
        {"--virtual", nullptr, kAll, "use the virtual loopback card instead of a sound device",
         flag([](MeasureOptions& o) { o.virtualCard = true; })},
        {"--dut", "SPEC", kAll, "the virtual card's device under test, as KORVANTA_DUT describes it (implies --virtual)",
         [](MeasureOptions& o, const QString& v) {
             o.dut = v;
             o.virtualCard = true;
             return QString();
         }},
        {"--settings", "FILE", kAll, "settings file to take calibration, corrections and defaults from (only read)",
         name("--settings", &MeasureOptions::settingsFile)},
        {"--csv", nullptr, kAll & ~kDeviceTest, "comma-separated values with a header line",
         flag([](MeasureOptions& o) { o.format = OutputFormat::Csv; })},
        {"--json", nullptr, kAll, "one JSON document (schema version 1, see README; devicetest: the whole report "
         "instead of the summary)",
         flag([](MeasureOptions& o) { o.format = OutputFormat::Json; })},
        {"--out", "FILE", kAll, "write the result to FILE instead of standard output (devicetest: FILE.json, FILE.html "
         "or FILE.pdf; ir: FILE.csv or FILE.json the report, FILE.wav the impulse response, the report still on "
         "standard output)",
         name("--out", &MeasureOptions::outFile)},
        {"--quiet", nullptr, kAll, "no progress on standard error, even on a terminal",
         flag([](MeasureOptions& o) { o.quiet = true; })},
        {"--fft", "N", kAnalyzer, "FFT size: 2048, 4096, 8192 or 16384", applyFft},
        {"--window", "NAME", kAnalyzer,
         "FFT window: none, hamming, hann, blackman, blackman-harris, flat-top, rife-vincent1..3",
         choice("--window", kWindowNames, &MeasureOptions::window)},
        {"--averages", "K", kAnalyzer, "blocks averaged (mean of linear magnitudes), {range}",
         integer("--averages", &MeasureOptions::averages)},
        {"--channels", "WHICH", kAnalyzer, "left, right or both", applyChannels},
        {"--unit", "UNIT", kSpectrum | kLevel, "level unit: dBFS, dBV, dBu or dBm (dBV and up need a calibration)",
         choice("--unit", kUnitNames, &MeasureOptions::unit)},
        {"--band", "LOW:HIGH", kThdn | kLevel, "analysis band in whole Hz", applyBand},
        {"--weighting", "NAME", kThdn | kLevel, "weighting curve by its name, e.g. \"A Weighting\" or none",
         applyWeighting},
        {"--fundamental", "HZ", kThdn, "the fundamental in whole Hz, or auto to search it in each spectrum",
         applyFundamental},
        {"--threshold", "DB", kThdn, "least level of a fundamental found automatically, dB below full scale",
         real("--threshold", &MeasureOptions::thresholdDb)},
        {"--max-thdn", "DB", kThdn | kDistortion | kDeviceTest,
         "fail when the THD+N of a measured channel (distortion: of a step up to --up-to-watts; devicetest: at the "
         "reference level) lies above DB",
         real("--max-thdn", &MeasureOptions::maxThdn)},
        {"--min-level", "DB", kLevel, "fail when the level of a measured channel lies below DB",
         real("--min-level", &MeasureOptions::minLevel)},
        {"--max-level", "DB", kLevel, "fail when the level of a measured channel lies above DB",
         real("--max-level", &MeasureOptions::maxLevel)},
        {"--from", "HZ", kSweep | kDistortion | kIr, "first frequency, {range} Hz",
         integer("--from", &MeasureOptions::from)},
        {"--to", "HZ", kSweep | kDistortion | kIr, "last frequency, {range} Hz",
         integer("--to", &MeasureOptions::to)},
        {"--steps", "N", kSweep | kDistortion, "number of steps, {range} (N + 1 points)",
         integer("--steps", &MeasureOptions::steps)},
        {"--linear", nullptr, kSweep, "linear frequency steps", flag([](MeasureOptions& o) { o.linear = true; })},
        {"--log", nullptr, kSweep, "logarithmic frequency steps", flag([](MeasureOptions& o) { o.linear = false; })},
        {"--mode", "MODE", kSweep, "left-ref, right-ref (gain against the other channel) or stereo (absolute levels)",
         choice("--mode", kModeNames, &MeasureOptions::mode)},
        {"--phase", nullptr, kSweep, "measure the phase as well (reference modes)",
         flag([](MeasureOptions& o) { o.phase = true; })},
        {"--play", "HZ", kAnalyzer,
         "play a sine of HZ on the output while measuring, as the generator does beside the analyzer (levels: "
         "--level, --level-left, --level-right, else the generator's), {range} Hz",
         real("--play", &MeasureOptions::playFrequency)},
        {"--level", "DB", kSweep | kGenerate | kDistortion | kDeviceTest | kIr | kAnalyzer,
         "output level in dB below full scale (generate, and thdn, level, spectrum with --play: whole dB or off; "
         "distortion: of a run over frequency; devicetest: the THD and IMD level at the input, dBFS from -40 to "
         "{highest}, default -1; ir: the sweep's peak, default -6)",
         [](MeasureOptions& o, const QString& v) {
             if (o.command == Command::Generate || isAnalyzer(o.command))
                 return applyGeneratorLevel(o, v, true, true);
             if (o.command == Command::DeviceTest)
                 return applyReferenceLevel(o, v);
             return real("--level", &MeasureOptions::level)(o, v);
         }},
        {"--settle", "MS", kSweep | kDistortion | kAnalyzer,
         "wait between tone start and recording, {range} ms (thdn, level, spectrum: of --play, default 500)",
         integer("--settle", &MeasureOptions::settleMs)},
        {"--tolerance", "FILE", kSweep | kDeviceTest | kIr,
         "fail when a point leaves the tolerance band in FILE or has no signal (devicetest: the frequency "
         "response, dB relative to 1 kHz; ir: the magnitude of every bin in the swept band, smoothed by --smoothing)",
         name("--tolerance", &MeasureOptions::toleranceFile)},
        {"--signal", "KIND", kGenerate, "sine, square, white or pink", applySignal},
        {"--file", "WAVE", kGenerate, "play a wave file looped at its own rate instead",
         [](MeasureOptions& o, const QString& v) {
             o.signal = 4;
             return name("--file", &MeasureOptions::waveFile)(o, v);
         }},
        {"--frequency", "HZ", kGenerate | kDistortion, "frequency of sine and square (distortion: of a run over level), {range} Hz",
         real("--frequency", &MeasureOptions::frequency)},
        {"--level-left", "DB", kGenerate | kAnalyzer, "left channel level, whole dB from -99 to 0, or off",
         [](MeasureOptions& o, const QString& v) { return applyGeneratorLevel(o, v, true, false, "--level-left"); }},
        {"--level-right", "DB", kGenerate | kAnalyzer, "right channel level, whole dB from -99 to 0, or off",
         [](MeasureOptions& o, const QString& v) { return applyGeneratorLevel(o, v, false, true, "--level-right"); }},
        {"--phase-left", "DEG", kGenerate, "left channel phase in whole degrees, {range}",
         integer("--phase-left", &MeasureOptions::phaseLeft)},
        {"--phase-right", "DEG", kGenerate, "right channel phase in whole degrees, {range}",
         integer("--phase-right", &MeasureOptions::phaseRight)},
        {"--duration", "SECONDS", kGenerate, "play this long (default: until interrupted)",
         real("--duration", &MeasureOptions::duration)},
        {"--over", "WHAT", kDistortion, "level (steps of the played level) or frequency (steps at one level)",
         choice("--over", {QStringLiteral("level"), QStringLiteral("frequency")}, &MeasureOptions::over)},
        {"--from-db", "DB", kDistortion, "first level of a run over level, dB full scale, {range}",
         real("--from-db", &MeasureOptions::fromDb)},
        {"--to-db", "DB", kDistortion, "last level of a run over level, dB full scale, {range}",
         real("--to-db", &MeasureOptions::toDb)},
        {"--linear-levels", nullptr, kDistortion, "equal voltage steps instead of equal dB steps",
         flag([](MeasureOptions& o) { o.linearLevels = true; })},
        {"--stop-thdn", "PERCENT", kDistortion, "end a run over level once THD+N passes PERCENT (0: never)",
         real("--stop-thdn", &MeasureOptions::stopThdn)},
        {"--channel", "WHICH", kDistortion | kIr, "the input the amplifier feeds (ir: the input measured): left or right",
         choice("--channel", {QStringLiteral("left"), QStringLiteral("right")}, &MeasureOptions::channel)},
        {"--load", "OHMS", kDistortion, "load resistance for watts, {range} ohms",
         real("--load", &MeasureOptions::loadOhms)},
        {"--divider", "RATIO", kDistortion, "attenuation before the input, e.g. 10 for 10:1",
         real("--divider", &MeasureOptions::divider)},
        {"--up-to-watts", "W", kDistortion, "--max-thdn applies to the steps up to this output power",
         real("--up-to-watts", &MeasureOptions::upToWatts)},
        {"--min-clip-watts", "W", kDistortion, "fail when THD+N reaches 1 % below this output power",
         real("--min-clip-watts", &MeasureOptions::minClipWatts)},
        {"--note", "TEXT", kDeviceTest, "the device under test, as the report's header names it (one line, at most 150 characters)",
         applyNote},
        {"--self-test", nullptr, kDeviceTest,
         "a plain cable from the output to the input: the run is the card's own floor, marked as such",
         flag([](MeasureOptions& o) { o.selfTest = true; })},
        {"--store-reference", nullptr, kDeviceTest,
         "keep the self-test as the reference of this card and format, in a folder beside the settings file",
         flag([](MeasureOptions& o) { o.storeReference = true; })},
        {"--replace", nullptr, kDeviceTest, "let --store-reference replace the reference stored before",
         flag([](MeasureOptions& o) { o.replaceReference = true; })},
        {"--reference", "FILE", kDeviceTest | kIr,
         "compare with the self-test in FILE (a JSON report of this card and format) instead of the stored one "
         "(ir: WHICH, the input that hears the reference, left or right, or none; the other input is measured and "
         "the response is their ratio)",
         [](MeasureOptions& o, const QString& v) {
             if (o.command == Command::Ir)
                 return applyReferenceChannel(o, v);
             return name("--reference", &MeasureOptions::referenceFile)(o, v);
         }},
        {"--min-dynamic-range", "DB", kDeviceTest, "fail when the dynamic range (unweighted) of a channel lies below DB",
         real("--min-dynamic-range", &MeasureOptions::minDynamicRange)},
        {"--max-crosstalk", "DB", kDeviceTest,
         "fail when the crosstalk either way at 100 Hz, 1 kHz or 10 kHz lies above DB",
         real("--max-crosstalk", &MeasureOptions::maxCrosstalk)},
        {"--max-noise", "DBFS", kDeviceTest, "fail when the noise level (unweighted) of a channel lies above DBFS",
         real("--max-noise", &MeasureOptions::maxNoise)},
        {"--max-imd", "DB", kDeviceTest, "fail when IMD SMPTE, CCIF d2 or CCIF d3 of a channel lies above DB",
         real("--max-imd", &MeasureOptions::maxImd)},
        {"--max-channel-match", "DB", kDeviceTest,
         "fail when the gain of the two channels differs by more than DB at 1 kHz or 10 kHz",
         real("--max-channel-match", &MeasureOptions::maxChannelMatch)},
        {"--seconds", "S", kIr, "length of the sweep, {range} s (default 1)", real("--seconds", &MeasureOptions::seconds)},
        {"--tail", "S", kIr, "silence after each sweep for the latency and the decay, {range} s (default 0.5)",
         real("--tail", &MeasureOptions::tailSeconds)},
        {"--count", "N", kIr, "sweeps played back to back and averaged, {range} (default 1)",
         integer("--count", &MeasureOptions::count)},
        {"--gate", "START:LENGTH", kIr,
         "the part of the response the frequency response is taken from: its start in ms from the peak "
         "(negative: before it) and its length in ms (default: all of the fundamental)",
         applyGate},
        {"--smoothing", "N", kIr, "1/N octave smoothing for the smoothed_db column and --tolerance, {range}",
         integer("--smoothing", &MeasureOptions::smoothing)},
    };
    return table;
}

const CommandSpec* commandNamed(const QString& name)
{
    for (const CommandSpec& c : kCommands)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

const CommandSpec* specOf(Command command)
{
    for (const CommandSpec& c : kCommands)
        if (c.command == command)
            return &c;
    return nullptr;
}

const OptionSpec* optionNamed(const QString& name)
{
    for (const OptionSpec& o : optionTable())
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

// Options are applied once the command is known: the same option may mean
// different things to different commands (--level).
QString applyOption(MeasureOptions& o, unsigned bit, const QStringList& args, int& i)
{
    QString name = args[i];
    QString value;
    bool inlineValue = false;
    if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq > 0) {
        value = name.mid(eq + 1);
        name = name.left(eq);
        inlineValue = true;
    }
    const OptionSpec* spec = optionNamed(name);
    if (!spec)
        return Say(kUnknownOption).arg(name);
    if (!(spec->commands & bit))
        return Say(kNotOptionOf).arg(name, CommandName(o.command));
    if (spec->argument && !inlineValue) {
        if (i + 1 >= args.size())
            return Say(kNeedsValue).arg(name, QLatin1String(spec->argument));
        value = args[++i];
    } else if (!spec->argument && inlineValue) {
        return Say(kTakesNoValue).arg(name);
    }
    const QString error = spec->apply(o, value);
    if (error.isEmpty())
        o.given << name;
    return error;
}

// The option's description, its range written in from the range table.
constexpr Words kRangeText{"%1 bis %2", "%1 to %2"};
constexpr Words kUsage{"Aufruf: korvanta-measure %1 [OPTIONEN]\n%2.\n\nOptionen:\n",
                       "Usage: korvanta-measure %1 [OPTIONS]\n%2.\n\nOptions:\n"};
constexpr Words kThisText{"  --help                  dieser Text\n", "  --help                  this text\n"};
constexpr Words kOverviewHead{"Aufruf: korvanta-measure BEFEHL [OPTIONEN]\n"
                              "Korvantas Messungen ohne Fenster, für Skripte und Messplätze.\n\nBefehle:\n",
                              "Usage: korvanta-measure COMMAND [OPTIONS]\n"
                              "Korvanta's measurements without a window, for scripts and test benches.\n\nCommands:\n"};
constexpr Words kOverviewTail{
    "\n`korvanta-measure BEFEHL --help` listet die Optionen eines Befehls.\n"
    "Nicht gesetzte Werte kommen aus der Einstellungsdatei (vorgegeben die des Programms; sie wird nie "
    "geschrieben).\n"
    "Meldungen und Berichte sind in der Sprache des Programms: SPRACHE der Einstellungsdatei, sonst die des "
    "Systems.\n"
    "Rückgabewert: 0 bestanden, 1 eine Grenze nicht eingehalten, 2 falscher Aufruf, 3 Gerätefehler (devicetest: "
    "auch eine Prüfung vor dem Lauf, die fehlschlug, oder ein Lauf, der nicht zu Ende kam); der Grund steht auf der "
    "Standardfehlerausgabe.\n",
    "\n`korvanta-measure COMMAND --help` lists a command's options.\n"
    "Unset values come from the settings file (the program's own by default; never written).\n"
    "Messages and reports are in the program's language: SPRACHE of the settings file, else the locale.\n"
    "Exit status: 0 pass, 1 a limit failed, 2 bad usage, 3 device error (devicetest: also a failed check "
    "before the run, or a run that did not end); the reason goes to standard error.\n"};

// A text of `letter`'s language: the German one where it has one.
QString inLanguage(const char* english, const char* german, char letter)
{
    return QString::fromUtf8(letter == 'E' || !german ? english : german);
}

QString summaryOf(const CommandSpec& s, char letter)
{
    return inLanguage(s.summary, GermanCommandSummary(s.name), letter);
}

// The option's description, its range written in from the range table.
QString helpText(const OptionSpec& o, char letter)
{
    QString text = inLanguage(o.help, GermanOptionHelp(o.name), letter);
    if (const ValueRange* r = RangeOfOption(QLatin1String(o.name)))
        text.replace(QLatin1String("{range}"),
                     Pick(letter, kRangeText).arg(QString::number(r->lo, 'g', 10), QString::number(r->hi, 'g', 10)));
    text.replace(QLatin1String("{highest}"), QString::number(kHighest));
    return text;
}

QString helpLine(const OptionSpec& o, char letter)
{
    QString head = QLatin1String(o.name);
    if (o.argument)
        head += QLatin1Char(' ') + QLatin1String(o.argument);
    return QStringLiteral("  %1  %2\n").arg(head, -22).arg(helpText(o, letter));
}

QString helpIn(Command c, char letter)
{
    if (c == Command::None) {
        QString t = Pick(letter, kOverviewHead);
        for (const CommandSpec& s : kCommands)
            t += QStringLiteral("  %1  %2\n").arg(QLatin1String(s.name), -10).arg(summaryOf(s, letter));
        return t + Pick(letter, kOverviewTail);
    }
    const CommandSpec* spec = specOf(c);
    QString t = Pick(letter, kUsage).arg(QLatin1String(spec->name), summaryOf(*spec, letter));
    for (const OptionSpec& o : optionTable())
        if (o.commands & spec->bit)
            t += helpLine(o, letter);
    return t + Pick(letter, kThisText);
}

QString roffEscape(QString s)
{
    s.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    s.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (s.startsWith(QLatin1Char('.')) || s.startsWith(QLatin1Char('\'')))
        s.prepend(QStringLiteral("\\&"));
    return s;
}

// Options of the device test that only make sense together, and a report
// name whose ending says no format: found before a run of a minute.
QString deviceTestConflicts(const MeasureOptions& o)
{
    if (o.storeReference && !o.selfTest)
        return Say(kStoreNeedsSelfTest);
    if (o.replaceReference && !o.storeReference)
        return Say(kReplaceNeedsStore);
    const DtReportFormat out = DtReportFormatOf(o.outFile);
    if (!o.outFile.isEmpty() && out == DtReportFormat::Unknown)
        return bad("--out", o.outFile, Say(kReportEnding));
    if (o.format == OutputFormat::Json && !o.outFile.isEmpty() && out != DtReportFormat::Json)
        return Say(kJsonIsNoPage);
    return {};
}

// The tone's options of thdn, level and spectrum act only on --play's tone:
// without it they would be taken and do nothing.
QString analyzerConflicts(const MeasureOptions& o)
{
    if (o.playFrequency)
        return {};
    for (const char* option : {"--level", "--level-left", "--level-right", "--settle", "--output"})
        if (o.given.contains(QLatin1String(option)))
            return Say(kNeedsPlay).arg(QLatin1String(option));
    return {};
}

// The impulse response's --out names its file's kind by its ending: a CSV
// or JSON file takes the report, a WAV file the response itself (and the
// report still goes to standard output). A text format asked for besides
// must be the file's.
QString irConflicts(MeasureOptions& o, bool formatGiven)
{
    if (o.referenceChannel && o.channel && *o.referenceChannel == *o.channel)
        return QStringLiteral("--reference and --channel name the same input: the reference is the input that is "
                              "not measured");
    if (o.outFile.isEmpty())
        return {};
    const QString name = o.outFile.toLower();
    const OutputFormat file = name.endsWith(QLatin1String(".csv"))    ? OutputFormat::Csv
                              : name.endsWith(QLatin1String(".json")) ? OutputFormat::Json
                                                                      : OutputFormat::Human;
    if (file == OutputFormat::Human && !name.endsWith(QLatin1String(".wav")))
        return bad("--out", o.outFile, QStringLiteral("the file's name must end in .csv, .json or .wav"));
    if (file == OutputFormat::Human)
        return {};
    if (formatGiven && o.format != file)
        return bad("--out", o.outFile, QStringLiteral("its ending names another format than --csv or --json"));
    o.format = file;
    return {};
}

} // namespace

bool IrWaveOut(const MeasureOptions& o)
{
    return o.command == Command::Ir && o.outFile.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive);
}

QString CommandName(Command c)
{
    const CommandSpec* spec = specOf(c);
    return spec ? QLatin1String(spec->name) : QString();
}

QStringList WindowOptionNames() { return kWindowNames; }

ParsedCommandLine ParseMeasureArguments(const QStringList& args)
{
    ParsedCommandLine r;
    MeasureOptions& o = r.options;
    int i = 0;
    for (; i < args.size() && o.command == Command::None; ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("help"))
            o.help = true;
        else if (a == QLatin1String("--man"))
            o.manual = true;
        else if (a == QLatin1String("--version"))
            o.version = true;
        else if (const CommandSpec* c = commandNamed(a))
            o.command = c->command;
        else
            return {o, a.startsWith(QLatin1Char('-')) ? Say(kBeforeCommand).arg(a) : Say(kUnknownCommand).arg(a)};
    }
    if (o.command == Command::None) {
        if (!o.help && !o.manual && !o.version)
            r.error = Say(kNoCommand);
        return r;
    }
    const unsigned bit = specOf(o.command)->bit;
    for (; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h")) {
            o.help = true;
            continue;
        }
        if (!args[i].startsWith(QLatin1String("--")))
            return {o, Say(kUnexpected).arg(args[i])};
        if (const QString e = applyOption(o, bit, args, i); !e.isEmpty())
            return {o, e};
    }
    if (o.command == Command::DeviceTest && !o.help)
        r.error = deviceTestConflicts(o);
    if (isAnalyzer(o.command) && !o.help)
        r.error = analyzerConflicts(o);
    if (o.command == Command::Ir && !o.help)
        r.error = irConflicts(o, o.given.contains(QLatin1String("--csv")) || o.given.contains(QLatin1String("--json")));
    return r;
}

QString MeasureHelp(Command c) { return helpIn(c, CommandLetter()); }

const std::vector<MeasureExample>& MeasureExamples()
{
    static const std::vector<MeasureExample> examples = {
        {"The devices, with the rates and widths each takes exactly", "devices"},
        {"THD+N of the tone on the default input, failing above -80 dB (exit status 1)",
         "thdn --device default --fft 16384 --averages 4 --max-thdn -80"},
        {"The spectrum in dBV (the input calibrated in the program) as a CSV file",
         "spectrum --unit dBV --averages 8 --csv --out spectrum.csv"},
        {"The A-weighted noise level from 20 Hz to 20 kHz, failing above -90 dB",
         "level --weighting \"A Weighting\" --band 20:20000 --max-level -90"},
        {"A frequency response against the left input as the reference, with phase, judged by a tolerance band",
         "sweep --from 20 --to 20000 --steps 60 --log --mode left-ref --phase --tolerance band.txt --csv --out response.csv"},
        {"A 1 kHz sine at -20 dB on both channels for ten seconds",
         "generate --signal sine --frequency 1000 --level -20 --duration 10"},
        {"A power amplifier into 8 ohms behind a 10:1 divider: below -70 dB THD+N up to 40 W, 50 W before 1 %",
         "distortion --channel left --load 8 --divider 10 --from-db -40 --to-db 0 --steps 40 --stop-thdn 10 "
         "--max-thdn -70 --up-to-watts 40 --min-clip-watts 50"},
        {"Without hardware: the virtual card with a simulated third harmonic at -60 dB, as JSON",
         "thdn --dut \"fast=1 ext=sine freq=1000 level=-6 h3=-60\" --json"},
        {"THD+N of a device with the generator's 1 kHz sine on the output at -10 dB, as the window measures it",
         "thdn --device hw:CARD=USB,DEV=0 --play 1000 --level -10 --averages 4"},
        {"The sound card's self-test with a plain cable from the output to the input, kept as its reference",
         "devicetest --device hw:CARD=USB,DEV=0 --rate 48000 --self-test --store-reference --out card.json"},
        {"A device between output and input, against limits, as a page with the card's own floor beside each figure",
         "devicetest --device hw:CARD=USB,DEV=0 --rate 48000 --note \"preamp, gain 20 dB\" --min-dynamic-range 100 "
         "--max-thdn -90 --max-crosstalk -80 --tolerance preamp-band.txt --out preamp.html"},
        {"The impulse response of the virtual card with a delay of 10.37 samples: latency and polarity, every bin "
         "as CSV",
         "ir --dut \"fast=1 delay=10.37\" --seconds 2 --out response.csv"},
        {"The same device's impulse response as a float WAV file, gated from 1 ms before its peak to before a reflection 3 ms after it, "
         "judged by a tolerance band on the 1/12-octave smoothed magnitude",
         "ir --dut \"fast=1 delay=10.37 echo=3:-6\" --gate -1:3 --smoothing 12 --tolerance band.txt --out ir.wav"},
    };
    return examples;
}

QString MeasureManualPage()
{
    QString t = QStringLiteral(".TH KORVANTA-MEASURE 1 \"\" \"Korvanta %1\" \"User Commands\"\n")
                    .arg(QStringLiteral(KORVANTA_VERSION));
    t += QStringLiteral(".SH NAME\nkorvanta\\-measure \\- Korvanta's measurements without a window\n");
    t += QStringLiteral(".SH SYNOPSIS\n.B korvanta\\-measure\n.I COMMAND\n[\\fIOPTIONS\\fR]\n");
    t += QStringLiteral(".SH DESCRIPTION\n") + roffEscape(helpIn(Command::None, 'E').section(QLatin1Char('\n'), 1, 1)) +
         QStringLiteral("\nValues not given come from the settings file of the program, which is only read.\n"
                        "Messages, text reports and read\\-outs are in the program's language: SPRACHE of the "
                        "settings file where it has one, else the locale (LANG); options, CSV heads and JSON keys "
                        "are the same in both.\n");
    for (const CommandSpec& s : kCommands) {
        t += QStringLiteral(".SH %1\n%2.\n").arg(QString::fromLatin1(s.name).toUpper(), roffEscape(summaryOf(s, 'E')));
        for (const OptionSpec& o : optionTable()) {
            if (!(o.commands & s.bit))
                continue;
            t += QStringLiteral(".TP\n.B %1").arg(roffEscape(QLatin1String(o.name)));
            if (o.argument)
                t += QStringLiteral(" \\fI%1\\fR").arg(roffEscape(QLatin1String(o.argument)));
            t += QStringLiteral("\n%1\n").arg(roffEscape(helpText(o, 'E')));
        }
    }
    t += QStringLiteral(
        ".SH EXIT STATUS\n"
        ".TP\n.B 0\nevery measurement asked for happened and passed every limit given\n"
        ".TP\n.B 1\na limit failed\n"
        ".TP\n.B 2\nbad usage: an unknown option, a value outside its range, an empty name, a file that cannot be "
        "read or is refused, an \\-\\-out path that cannot be written, standard output closed where the report goes, "
        "a sweep plan above half the sample rate, a result that could not be written to its file or to standard "
        "output; devicetest: a rate its tones do not fit, a \\-\\-reference that is no complete self\\-test of this "
        "card and format, a stored reference that \\-\\-store\\-reference would replace without \\-\\-replace or "
        "cannot store, an \\-\\-out that names the self\\-test it is compared with; ir: a sweep that does not fit "
        "the sample rate, a \\-\\-gate that does not fit in the response\n"
        ".TP\n.B 3\ndevice error: no such device, a format it does not take, a device in use by another "
        "measurement, one that fails to open, stalls or disappears; devices: no device answered; devicetest: "
        "a check before the run failed (nothing at the input, the input clips, the tone too low or too near "
        "the noise, the channels swapped or one missing), or the run ended before its end (a device fault, "
        "an interruption), and no report is written; ir: no sweep at the input, clipping, a latency longer "
        "than the tail, drifting clocks, a device fault or an interruption, and no file is written\n"
        ".PP\nThe reason is written to standard error.\n");
    t += QStringLiteral(".SH FILES\n.TP\n.I $XDG_RUNTIME_DIR/korvanta/*.lock\n"
                        "one lock per device and direction in use (\\fI/tmp/korvanta\\-UID\\fR without "
                        "XDG_RUNTIME_DIR)\n");
    t += QStringLiteral(".SH EXAMPLES\n");
    for (const MeasureExample& e : MeasureExamples())
        t += QStringLiteral(".PP\n%1:\n.RS\n.nf\nkorvanta\\-measure %2\n.fi\n.RE\n")
                 .arg(roffEscape(QLatin1String(e.what)), roffEscape(QLatin1String(e.arguments)));
    t += QStringLiteral(".SH SEE ALSO\n.BR korvanta (1)\n");
    return t;
}

} // namespace korvanta
