#pragma once
// A device test's report as a PDF: the HTML page's content on A4 pages,
// with the same plots drawn as vectors. Written through QPdfWriter, so
// the measuring command, which links no print support, can write it too.

#include "devicetest/DeviceTestResult.h"

#include <QByteArray>
#include <QString>

namespace korvanta {

// The PDF in German ('D') or English ('E'). False with `error` for an
// incomplete result.
bool DtReportPdf(const DeviceTestResult& result, char letter, QByteArray& pdf, QString& error);

} // namespace korvanta
