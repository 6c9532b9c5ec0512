#pragma once
// The results of korvanta-measure as text: human-readable, CSV or JSON.
// Every number is printed as the program's windows print it (the result
// lines of the analyzer, the diagram's text export), so a script reads the
// same digits a user reads on the screen; the pass/fail checks compare
// those printed values.
//
// JSON schema, version 1: one object with "schema": "korvanta-measure",
// "version": 1, "command", "input" and/or "output" ({"device", "rate",
// "bits"}), the command's own fields (README.md, "Automation"), and
// "verdict": {"checked": bool, "pass": bool, "failures": [text ...]}.

#include "measure/AnalyzerEngine.h"
#include "distortion/DistortionEngine.h"
#include "cli/MeasureOptions.h"
#include "generator/SweepEngine.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace korvanta {

struct DeviceFormat {
    QString name;
    std::optional<int> rate;
    std::optional<int> bits;
};

struct RunContext {
    QString command;
    std::optional<DeviceFormat> input;
    std::optional<DeviceFormat> output;
};

struct Verdict {
    bool checked = false; // a limit was given
    QStringList failures; // one line per failed limit
    bool pass() const { return failures.isEmpty(); }
};

// Texts of single values as the program shows them.
QString ThdValueText(double thdDb);   // 1 decimal, "-192" for a THD+N that could not be formed
QString LevelValueText(double db);    // 2 decimals
QString FundamentalText(double hz);   // no decimals
QString PointText(double v);          // diagram export: 2 decimals, never "-0.00"

// The sine that played while the analyzer measured (--play), as played:
// the levels after the output correction.
struct PlayedTone {
    double frequency = 0.0;
    int levelLeft = 0;
    int levelRight = 0;
};

// What the analyzer measured, with its set-up for the read-out heads.
struct AnalyzerRun {
    AnalyzerSpectrum spectrum;
    QString window;
    int averages = 1;
    int bandLow = 0;
    int bandHigh = 0;
    QString filter;
    std::optional<PlayedTone> play;
};

QString ReportSpectrum(const AnalyzerRun& run, const RunContext& ctx, OutputFormat format);
QString ReportThdn(const AnalyzerRun& run, const RunContext& ctx, const Verdict& verdict, OutputFormat format);
QString ReportLevel(const AnalyzerRun& run, const RunContext& ctx, const Verdict& verdict, OutputFormat format);

struct SweepRun {
    std::vector<SweepPoint> points;
    int mode = 0;
    bool phaseOn = false;
    bool complete = true; // false: ended early (above half the rate)
};
// A value of a silent channel is "no signal" in the text, empty in CSV and
// null in JSON.
QString ReportSweep(const SweepRun& run, const RunContext& ctx, const Verdict& verdict, OutputFormat format);
// One line per point with a silent channel ("1000.00 Hz: no signal on the
// right channel").
QStringList NoSignalLines(const SweepRun& run);

struct DeviceEntry {
    int index = 0;
    bool input = true;
    QString name;
    QString id;               // what names it for good (its ALSA PCM name)
    std::vector<int> rates;   // rates taken at 16 bits
    std::vector<int> widths;  // widths taken at 44100 Hz (or the first rate)
    bool answered = true;     // false: it did not answer, and its formats are unknown
};
QString ReportDevices(const std::vector<DeviceEntry>& devices, const QString& backend, OutputFormat format);

struct GenerateRun {
    QString signal;
    double frequency = 0.0;
    int levelLeft = 0;
    int levelRight = 0;
    double seconds = 0.0;
    bool interrupted = false;
};
QString ReportGenerate(const GenerateRun& run, const RunContext& ctx, OutputFormat format);

struct DistortionRun {
    std::vector<DistortionPoint> points; // in the order the window shows them
    bool overFrequency = false;
    bool stoppedAtLimit = false;
    std::optional<double> clip1Watts;    // THD+N reached 1 % / 10 % there
    std::optional<double> clip10Watts;
};
// Rows with the digits of the distortion window's table; CSV and JSON name
// the columns level_dbfs, frequency_hz, volts_rms, watts, gain_db,
// thdn_percent, thdn_db, thd_db, h2_db ... h9_db (an absent harmonic is
// empty in CSV, null in JSON).
QString ReportDistortion(const DistortionRun& run, const RunContext& ctx, const Verdict& verdict, OutputFormat format);

// The pieces every report shares, for a command whose report is written
// elsewhere: the JSON head's fields (schema, version, command, devices)
// without the braces, the verdict object, a JSON string, and the text
// report's device lines and PASS/FAIL line.
QString JsonHeadFields(const RunContext& ctx);
QString VerdictJsonText(const Verdict& v);
QString JsonQuoted(const QString& s);
QString HumanHeadText(const RunContext& ctx);
QString HumanVerdictText(const Verdict& v);

} // namespace korvanta
