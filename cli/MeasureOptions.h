#pragma once
// The command line of korvanta-measure: one command and its options, parsed
// into a plain record. Every option is described once in a table that the
// parser, the --help texts and the manual page all read, so the three never
// disagree. Values the user leaves out stay empty and are taken from the
// settings file (as the program's windows would use them).

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace korvanta {

enum class Command { None, Devices, Spectrum, Thdn, Level, Sweep, Generate, Distortion, DeviceTest, Ir };
enum class OutputFormat { Human, Csv, Json };

struct MeasureOptions {
    Command command = Command::None;
    bool help = false;
    bool manual = false;   // print the manual page (for the build)
    bool version = false;
    QStringList given;     // the options the command line set, by name ("--steps")

    // Devices and settings.
    QString input;         // name or index; empty: the settings file's choice
    QString output;
    std::optional<int> rate;
    std::optional<int> width;
    bool virtualCard = false;
    std::optional<QString> dut;
    QString settingsFile;  // empty: the program's own

    // Output.
    OutputFormat format = OutputFormat::Human;
    QString outFile;
    bool quiet = false;    // no progress even on a terminal

    // Spectrum, THD+N and level.
    std::optional<int> fftPoints;
    std::optional<int> window;
    std::optional<int> averages;
    std::optional<int> unit;
    std::optional<bool> leftOn;
    std::optional<bool> rightOn;
    std::optional<int> bandLow;
    std::optional<int> bandHigh;
    std::optional<QString> weighting;
    std::optional<double> fundamental;   // 0: automatic
    std::optional<double> thresholdDb;
    std::optional<double> playFrequency; // a sine played while measuring (also --level-left/right, --settle)

    // Limits.
    std::optional<double> maxThdn;
    std::optional<double> minLevel;
    std::optional<double> maxLevel;
    QString toleranceFile;

    // Sweep.
    std::optional<int> from;
    std::optional<int> to;
    std::optional<int> steps;
    std::optional<bool> linear;
    std::optional<int> mode;
    std::optional<bool> phase;
    std::optional<double> level;   // sweep level, dB
    std::optional<int> settleMs;

    // Generator.
    std::optional<int> signal;     // 0 sine, 1 square, 2 white, 3 pink, 4 file
    QString waveFile;
    std::optional<double> frequency;
    std::optional<int> levelLeft;
    std::optional<int> levelRight;
    std::optional<int> phaseLeft;
    std::optional<int> phaseRight;
    std::optional<double> duration; // seconds; none: until interrupted

    // Distortion (also --from, --to, --steps, --level, --settle, --frequency).
    std::optional<int> over;            // 0 level, 1 frequency
    std::optional<double> fromDb;
    std::optional<double> toDb;
    std::optional<bool> linearLevels;
    std::optional<double> stopThdn;     // percent; 0: run to the last level
    std::optional<int> channel;         // 0 left, 1 right
    std::optional<double> loadOhms;
    std::optional<double> divider;
    std::optional<double> upToWatts;    // --max-thdn applies to steps up to this power
    std::optional<double> minClipWatts; // the 1 % clip point must lie at or above it

    // Device test (also --level: the THD and IMD level at the input, --tolerance,
    // --max-thdn).
    QString note;                         // the device under test, into the report's header
    bool selfTest = false;                // a plain cable: the card's own floor
    bool storeReference = false;          // keep the self-test as the card's reference
    bool replaceReference = false;        // ... in place of one stored before
    QString referenceFile;                // a self-test's JSON report to compare with
    std::optional<double> minDynamicRange;
    std::optional<double> maxCrosstalk;
    std::optional<double> maxNoise;
    std::optional<double> maxImd;
    std::optional<double> maxChannelMatch;

    // Impulse response (also --from, --to, --level, --channel, --tolerance).
    std::optional<double> seconds;        // the sweep's length
    std::optional<double> tailSeconds;    // the silence after it
    std::optional<int> count;             // sweeps averaged
    std::optional<int> referenceChannel;  // 0 left, 1 right: the input that hears the reference
    std::optional<double> gateStartMs;
    std::optional<double> gateLengthMs;
    std::optional<int> smoothing;         // 1/N octave, 3 … 48
};

struct ParsedCommandLine {
    MeasureOptions options;
    QString error; // empty when the line is usable
};

// Parses the arguments after the program name.
ParsedCommandLine ParseMeasureArguments(const QStringList& args);

// The impulse response's --out is a WAV file: it takes the response, and the
// report goes to standard output.
bool IrWaveOut(const MeasureOptions& o);

// The command's name as typed ("thdn"), and the command of a name.
QString CommandName(Command c);

// Help texts: the overview (Command::None) or one command's options, in
// the command's language (the manual page is English).
QString MeasureHelp(Command c);

// The manual page in roff, made from the same descriptions.
QString MeasureManualPage();

// A worked command line of the manual page: what it does, and the
// arguments after "korvanta-measure" as a shell would be given them.
struct MeasureExample {
    const char* what;
    const char* arguments;
};
const std::vector<MeasureExample>& MeasureExamples();

// The names the window option takes, in the order of the window types.
QStringList WindowOptionNames();

} // namespace korvanta
