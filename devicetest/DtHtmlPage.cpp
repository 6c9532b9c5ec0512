#include "devicetest/DtHtmlPage.h"

namespace korvanta::dthtml {

namespace {
// On the body itself: the page must look right wherever it is opened.
const QLatin1String kBodyStyle("font-family:sans-serif;font-size:14px;color:#000;background:#fff;margin:24px;");
} // namespace

QString Escaped(const QString& text) { return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")); }

QString PageStart(const QString& title, char letter)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"%1\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>%2</title>\n</head>\n<body style=\"%3\">\n<h1>%2</h1>\n")
        .arg(letter == 'E' ? QStringLiteral("en") : QStringLiteral("de"), Escaped(title), kBodyStyle);
}

QString PageEnd() { return QStringLiteral("</body>\n</html>\n"); }

} // namespace korvanta::dthtml
