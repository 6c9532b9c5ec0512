#pragma once
// The commands of korvanta-measure. Each runs on an open MeasureSession
// (devices chosen, settings read) and returns its report and exit status;
// the reasons for a failure or an error go to standard error.

#include "cli/MeasureOptions.h"

#include <QString>
#include <QStringList>

namespace korvanta {

class MeasureSession;

struct CommandResult {
    int exitCode = 0;
    QString report;      // the output in the chosen format (may be empty)
    QStringList reasons; // why it failed, one line each
};

CommandResult RunDevices(const MeasureOptions& o);
CommandResult RunAnalyzer(const MeasureOptions& o, MeasureSession& session); // spectrum, thdn, level
CommandResult RunSweep(const MeasureOptions& o, MeasureSession& session);
CommandResult RunGenerate(const MeasureOptions& o, MeasureSession& session);
CommandResult RunDistortion(const MeasureOptions& o, MeasureSession& session);
CommandResult RunDeviceTest(const MeasureOptions& o, MeasureSession& session);
CommandResult RunIr(const MeasureOptions& o, MeasureSession& session);

// The input and output as the report heads name them.
struct RunContext;
RunContext CurrentContext(const QString& command, bool input, bool output);

// Progress of a long run on standard error, only when it is a terminal
// (and not --quiet): one line, rewritten in place.
class Progress {
public:
    explicit Progress(bool quiet);
    ~Progress();
    void show(const QString& text);

private:
    bool on_ = false;
    bool shown_ = false;
};

// For timing the start-up from a script (KORVANTA_EXIT_AT_FIRST_RECORD set):
// once the first recording has been requested, prints "first-record <ns>"
// (CLOCK_MONOTONIC) and ends the process at once. Otherwise nothing.
void ExitIfTimingStartUp();

} // namespace korvanta
