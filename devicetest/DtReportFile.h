#pragma once
// Saving a device test's report, in the form its file name asks for:
// ".html"/".htm" the page, ".pdf" the PDF, ".json" the JSON. The file is
// replaced whole or not at all.

#include "devicetest/DeviceTestResult.h"

#include <QString>

namespace korvanta {

enum class DtReportFormat { Html, Pdf, Json, Unknown };

DtReportFormat DtReportFormatOf(const QString& fileName);

// Writes the report. False with `error` for an unknown ending, a refused
// result (HTML and PDF take only a complete one; JSON says "complete"
// itself) or a file that could not be written, which then stays as it was.
bool DtSaveReport(const DeviceTestResult& result, const QString& fileName, char letter, QString& error);

} // namespace korvanta
