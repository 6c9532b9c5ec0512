#include "devicetest/DtCompare.h"

#include "devicetest/DtHtmlPage.h"
#include "devicetest/DtReportTexts.h"

#include <cmath>

namespace korvanta {

namespace {

const DtFigure* Find(const std::vector<DtFigure>& figures, const QString& id, DtChannel channel)
{
    for (const DtFigure& f : figures)
        if (f.id == id && f.channel == channel)
            return &f;
    return nullptr;
}

DtComparedFigure Pair(const DtFigure* a, const DtFigure* b)
{
    const DtFigure& any = a ? *a : *b;
    DtComparedFigure row;
    row.id = any.id;
    row.channel = any.channel;
    row.unit = any.unit;
    row.unitB = b ? b->unit : QString();
    row.inA = a != nullptr;
    row.inB = b != nullptr;
    if (a)
        row.a = a->value;
    if (b)
        row.b = b->value;
    row.unitsDiffer = a && b && a->unit != b->unit;
    if (!row.unitsDiffer)
        row.difference = row.b - row.a;   // NaN when either is
    return row;
}

const QLatin1String kTableStyle("border-collapse:collapse;margin:8px 0 16px 0;");
const QLatin1String kCellStyle("border:1px solid #999;padding:3px 8px;text-align:left;");
const QLatin1String kNumberStyle("border:1px solid #999;padding:3px 8px;text-align:right;white-space:nowrap;");
const QLatin1String kHeadStyle("border:1px solid #999;padding:3px 8px;text-align:left;background:#e8e8e8;");

QString Cell(const QString& text, QLatin1String style = kCellStyle)
{
    return QStringLiteral("<td style=\"%1\">%2</td>").arg(style, dthtml::Escaped(text));
}

QString Head(const QString& text) { return QStringLiteral("<th style=\"%1\">%2</th>").arg(kHeadStyle, dthtml::Escaped(text)); }

QString SideText(bool present, double v, const QString& unit, char letter)
{
    if (!present)
        return Pick(letter, dtwords::kMissing);
    if (std::isnan(v))
        return Pick(letter, dtwords::kNotMeasured);
    return DtNumberText(v, unit) + QLatin1Char(' ') + unit;
}

QString DifferenceText(const DtComparedFigure& r, char letter)
{
    if (r.unitsDiffer)
        return Pick(letter, dtwords::kOtherUnit);
    if (std::isnan(r.difference))
        return {};
    const QString sign = r.difference > 0 ? QStringLiteral("+") : QString();
    return sign + DtNumberText(r.difference, r.unit) + QLatin1Char(' ') + r.unit;
}

QString Headers(const DtComparison& c, char letter)
{
    using namespace dtwords;
    const auto a = DtHeaderRows(c.a, letter), b = DtHeaderRows(c.b, letter);
    QString t = QStringLiteral("<table style=\"%1\">\n<tr>").arg(kTableStyle) + Head(QString()) +
                Head(Pick(letter, kFirst)) + Head(Pick(letter, kSecond)) + QStringLiteral("</tr>\n");
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i)
        t += QStringLiteral("<tr>") + Head(a[i].first) + Cell(a[i].second) + Cell(b[i].second) + QStringLiteral("</tr>\n");
    return t + QStringLiteral("</table>\n");
}

} // namespace

DtComparison DtCompareResults(const DeviceTestResult& a, const DeviceTestResult& b)
{
    DtComparison c;
    c.a = a.header;
    c.b = b.header;
    c.complete = a.complete && b.complete;
    for (const DtFigure& f : a.figures)
        if (Find(a.figures, f.id, f.channel) == &f)   // a repeated row is paired once
            c.rows.push_back(Pair(&f, Find(b.figures, f.id, f.channel)));
    for (const DtFigure& f : b.figures)
        if (!Find(a.figures, f.id, f.channel) && Find(b.figures, f.id, f.channel) == &f)
            c.rows.push_back(Pair(nullptr, &f));
    return c;
}

} // namespace korvanta

namespace korvanta {

bool DtComparisonHtml(const DtComparison& c, char letter, QByteArray& html, QString& error)
{
    using namespace dtwords;
    if (!c.complete) {
        error = Pick(letter, kIncomplete);
        return false;
    }
    QString page = dthtml::PageStart(Pick(letter, kComparisonTitle), letter);
    page += QStringLiteral("<h2>%1</h2>\n").arg(Pick(letter, kHeaderHeading)) + Headers(c, letter);
    page += QStringLiteral("<h2>%1</h2>\n<table style=\"%2\">\n<tr>").arg(Pick(letter, kFiguresHeading), kTableStyle);
    for (const Words& w : {kFigure, kChannel, kFirst, kSecond, kDifference})
        page += Head(Pick(letter, w));
    page += QStringLiteral("</tr>\n");
    for (const DtComparedFigure& r : c.rows)
        page += QStringLiteral("<tr>") + Cell(DtFigureName(r.id, letter)) + Cell(DtChannelName(r.channel, letter)) +
                Cell(SideText(r.inA, r.a, r.unit, letter), kNumberStyle) +
                Cell(SideText(r.inB, r.b, r.unitB, letter), kNumberStyle) + Cell(DifferenceText(r, letter), kNumberStyle) +
                QStringLiteral("</tr>\n");
    page += QStringLiteral("</table>\n") + dthtml::PageEnd();
    html = page.toUtf8();
    return true;
}

} // namespace korvanta
