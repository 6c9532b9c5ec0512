#include "devicetest/DtReportFile.h"

#include "devicetest/DtJson.h"
#include "devicetest/DtReportHtml.h"
#include "devicetest/DtReportPdf.h"
#include "platform/AtomicFile.h"
#include "platform/LanguageTexts.h"

#include <QDir>
#include <QFileInfo>

namespace korvanta {

namespace {
constexpr Words kUnknownEnding{"Der Bericht braucht eine Endung .html, .pdf oder .json: %1",
                               "The report needs a name ending in .html, .pdf or .json: %1"};
constexpr Words kNotWritten{"Der Bericht konnte nicht nach %1 geschrieben werden: %2",
                            "The report could not be written to %1: %2"};
} // namespace

DtReportFormat DtReportFormatOf(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return DtReportFormat::Html;
    if (suffix == QLatin1String("pdf"))
        return DtReportFormat::Pdf;
    if (suffix == QLatin1String("json"))
        return DtReportFormat::Json;
    return DtReportFormat::Unknown;
}

bool DtSaveReport(const DeviceTestResult& result, const QString& fileName, char letter, QString& error)
{
    QByteArray bytes;
    bool made = false;
    switch (DtReportFormatOf(fileName)) {
    case DtReportFormat::Html: made = DtReportHtml(result, letter, bytes, error); break;
    case DtReportFormat::Pdf: made = DtReportPdf(result, letter, bytes, error); break;
    case DtReportFormat::Json:
        bytes = DtResultToJson(result);
        made = true;
        break;
    case DtReportFormat::Unknown: error = Pick(letter, kUnknownEnding).arg(QDir::toNativeSeparators(fileName)); break;
    }
    if (!made)
        return false;
    QString reason;
    if (!WriteFileAtomically(fileName, bytes, reason)) {
        error = Pick(letter, kNotWritten).arg(QDir::toNativeSeparators(fileName), reason);
        return false;
    }
    return true;
}

} // namespace korvanta
