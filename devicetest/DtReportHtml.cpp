#include "devicetest/DtReportHtml.h"

#include "devicetest/DtReportPlot.h"
#include "devicetest/DtReportTexts.h"

#include <array>

namespace korvanta {

namespace {

// Styles written on each element: the page must look right wherever it is
// opened, with nothing beside it (the body's is the page frame's).
const QLatin1String kTableStyle("border-collapse:collapse;margin:8px 0 16px 0;");
const QLatin1String kCellStyle("border:1px solid #999;padding:3px 8px;text-align:left;vertical-align:top;");
const QLatin1String kHeadCellStyle("border:1px solid #999;padding:3px 8px;text-align:left;background:#e8e8e8;");
const QLatin1String kNumberStyle("border:1px solid #999;padding:3px 8px;text-align:right;white-space:nowrap;");
const QLatin1String kLimitedStyle("background:#fde3c8;");

constexpr std::array<DtChannel, 5> kChannelOrder{DtChannel::Left, DtChannel::Right, DtChannel::LeftToRight,
                                                 DtChannel::RightToLeft, DtChannel::Both};

QString Cell(const QString& text, QLatin1String style = kCellStyle)
{
    return QStringLiteral("<td style=\"%1\">%2</td>").arg(style, dthtml::Escaped(text));
}

QString HeadRow(const QStringList& heads)
{
    QString row = QStringLiteral("<tr>");
    for (const QString& h : heads)
        row += QStringLiteral("<th style=\"%1\">%2</th>").arg(kHeadCellStyle, dthtml::Escaped(h));
    return row + QStringLiteral("</tr>\n");
}

struct Columns {
    bool volts = false;
    bool reference = false;
};

Columns ColumnsOf(const DeviceTestResult& r)
{
    Columns c;
    for (const DtFigure& f : r.figures) {
        c.volts = c.volts || f.volts.has_value();
        c.reference = c.reference || f.reference.has_value();
    }
    return c;
}

QString FigureRow(const DtFigure& f, const Columns& columns, char letter)
{
    QString row = f.limitedByCard ? QStringLiteral("<tr style=\"%1\">").arg(kLimitedStyle) : QStringLiteral("<tr>");
    row += Cell(DtFigureName(f.id, letter)) + Cell(DtValueText(f, letter), kNumberStyle);
    if (columns.volts)
        row += Cell(f.volts ? DtVoltsText(*f.volts) : QString(), kNumberStyle);
    if (columns.reference)
        row += Cell(f.reference ? DtNumberText(*f.reference, f.unit) + QLatin1Char(' ') + f.unit : QString(),
                    kNumberStyle);
    return row + Cell(DtRemarkText(f, letter)) + QStringLiteral("</tr>\n");
}

QString FigureTables(const DeviceTestResult& r, char letter)
{
    using namespace dtwords;
    const Columns columns = ColumnsOf(r);
    QStringList heads{Pick(letter, kFigure), Pick(letter, kValue)};
    if (columns.volts)
        heads << Pick(letter, kVolts);
    if (columns.reference)
        heads << Pick(letter, kReference);
    heads << Pick(letter, kRemark);
    QString t;
    for (DtChannel channel : kChannelOrder) {
        QString rows;
        for (const DtFigure& f : r.figures)
            if (f.channel == channel)
                rows += FigureRow(f, columns, letter);
        if (rows.isEmpty())
            continue;
        t += QStringLiteral("<h3>%1</h3>\n").arg(dthtml::Escaped(DtChannelName(channel, letter)));
        t += QStringLiteral("<table style=\"%1\">\n").arg(kTableStyle) + HeadRow(heads) + rows + QStringLiteral("</table>\n");
    }
    return t;
}

// The SVG document without its XML prologue, ready to sit in the page.
QString InlineSvg(const QByteArray& svg)
{
    const qsizetype start = svg.indexOf("<svg");
    return start < 0 ? QString() : QString::fromUtf8(svg.mid(start));
}

QString Plots(const DeviceTestResult& r, char letter)
{
    QString t;
    for (const DtPlot& plot : DtReportPlots(r, letter)) {
        const QString svg = InlineSvg(DtPlotSvg(plot, letter));
        if (!svg.isEmpty())
            t += QStringLiteral("<div style=\"margin:8px 0;\">\n%1</div>\n").arg(svg);
    }
    return t.isEmpty() ? t : QStringLiteral("<h2>%1</h2>\n").arg(Pick(letter, dtwords::kPlotsHeading)) + t;
}

} // namespace

namespace dthtml {

QString HeaderTable(const DtHeader& h, char letter)
{
    QString t = QStringLiteral("<table style=\"%1\">\n").arg(kTableStyle);
    for (const auto& [label, value] : DtHeaderRows(h, letter))
        t += QStringLiteral("<tr><th style=\"%1\">%2</th>").arg(kHeadCellStyle, Escaped(label)) + Cell(value) +
             QStringLiteral("</tr>\n");
    return t + QStringLiteral("</table>\n");
}

} // namespace dthtml

bool DtReportHtml(const DeviceTestResult& r, char letter, QByteArray& html, QString& error)
{
    using namespace dtwords;
    if (!r.complete) {
        error = Pick(letter, kIncomplete);
        return false;
    }
    QString page = dthtml::PageStart(Pick(letter, r.header.selfTest ? kSelfTestTitle : kTitle), letter);
    page += QStringLiteral("<h2>%1</h2>\n").arg(Pick(letter, kHeaderHeading)) + dthtml::HeaderTable(r.header, letter);
    page += QStringLiteral("<h2>%1</h2>\n<ul>\n").arg(Pick(letter, kConventionsHeading));
    for (const QString& line : DtConventionLines(r.header, letter))
        page += QStringLiteral("<li>%1</li>\n").arg(dthtml::Escaped(line));
    page += QStringLiteral("</ul>\n<h2>%1</h2>\n").arg(Pick(letter, kFiguresHeading)) + FigureTables(r, letter);
    page += Plots(r, letter) + dthtml::PageEnd();
    html = page.toUtf8();
    return true;
}

} // namespace korvanta
