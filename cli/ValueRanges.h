#pragma once
// The ranges of the numbers korvanta-measure takes, in one table that the
// command line and the settings file share. An option refuses a value
// outside its range; the settings file's value that the option stands for
// is clamped into the same range, with a line on standard error, so a file
// can never ask for what the command line refuses (a sweep of 100001
// points, a settle wait of weeks, a level above full scale).

#include "cli/MeasureOptions.h"

#include <QString>
#include <QStringList>

namespace korvanta {

struct SweepSettings;

struct ValueRange {
    const char* option; // "--steps"
    double lo;
    double hi;
    bool whole;         // whole numbers only
};

// The range of an option, or nullptr for one that takes no number.
const ValueRange* RangeOfOption(const QString& option);

// Every option with a range, in table order.
QStringList OptionsWithRange();

// Clamps the values of the sweep record that came from the settings file at
// `settingsPath` and that `command` uses into the ranges of their options. A
// value whose option is among `givenOptions` is left alone: the command
// line replaces it. Returns one line per value changed.
QStringList ClampStoredValues(SweepSettings& sweep, Command command, const QStringList& givenOptions,
                              const QString& settingsPath);

} // namespace korvanta
