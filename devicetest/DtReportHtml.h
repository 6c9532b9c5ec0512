#pragma once
// A device test's report as one HTML page that stands alone: styles inline,
// plots inline as SVG, no file or address it would need to fetch, so it can
// be mailed or archived as it is. Every text a user typed is escaped.

#include "devicetest/DeviceTestResult.h"
#include "devicetest/DtHtmlPage.h"

#include <QByteArray>
#include <QString>

namespace korvanta {

// The page in German ('D') or English ('E'). False with `error` for an
// incomplete result: a run that stopped is never written as a report.
bool DtReportHtml(const DeviceTestResult& result, char letter, QByteArray& html, QString& error);

namespace dthtml {
// The header's rows as the report's table.
QString HeaderTable(const DtHeader& header, char letter);
} // namespace dthtml

} // namespace korvanta
