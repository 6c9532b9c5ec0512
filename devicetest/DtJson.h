#pragma once
// A device test's result as the JSON of korvanta-measure's schema version 1,
// with "command": "devicetest". The window saves it, the command prints it,
// the card's reference is stored in it and a comparison reads two of them:
// one format for all.
//
//   {"schema": "korvanta-measure", "version": 1, "command": "devicetest",
//    "input": {"device", "rate", "bits"}, "output": {"device", "rate", "bits"},
//    "header": {"input_volume_percent", "output_volume_percent", "calibration",
//               "date", "program_version", "note", "band_low_hz",
//               "band_high_hz", "reference_level_dbfs", "self_test"},
//    "complete": bool, "error": text,
//    "figures": [{"id", "channel", "value", "unit", "volts", "reference",
//                 "limited_by_card", "note", "note_code"}],
//    "curves": [{"id", "channel", "points": [[hz, value], ...]}]}
//
// A value that was not measured (NaN) or is not finite is null; so is an
// absent volts or reference. "note_code" names the note for a script, in
// either language ("" without a note; older files lack it). The command
// adds its own "verdict".

#include "devicetest/DeviceTestResult.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace korvanta {

inline constexpr const char* kDtJsonCommand = "devicetest";

// A report is a few hundred kilobytes at most; a file far larger is no
// report, and is not read into memory whole.
inline constexpr qint64 kDtReportMaxBytes = 64 << 20;

// The result as JSON text, indented, ending in a newline. `extra` adds
// top-level fields (the command's verdict); it cannot replace any of ours.
QByteArray DtResultToJson(const DeviceTestResult& result, const QJsonObject& extra = {});

// Reads what DtResultToJson wrote. On any fault (not JSON, another schema,
// version or command, a missing or mistyped field, an unknown channel)
// returns false with `error` saying what and where, in the language of
// `letter`, and leaves `result` untouched.
bool DtResultFromJson(const QByteArray& bytes, DeviceTestResult& result, QString& error, char letter = 'E');

} // namespace korvanta
