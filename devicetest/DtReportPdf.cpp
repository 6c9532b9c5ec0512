#include "devicetest/DtReportPdf.h"

#include "devicetest/DtReportPlot.h"
#include "devicetest/DtReportTexts.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <array>
#include <vector>

namespace korvanta {

namespace {

constexpr int kPdfDpi = 300;
constexpr double kMarginMm = 15.0;
constexpr double kTitlePoints = 16.0;
constexpr double kHeadingPoints = 12.0;
constexpr double kTextPoints = 9.0;
constexpr int kCellPadding = 12;          // device pixels, about 1 mm
constexpr int kGapAfterBlock = 30;
constexpr int kHeadingRoom = 100;         // a heading's line, device pixels
const QColor kLimitedFill(0xfd, 0xe3, 0xc8);   // the page's colours, so both look alike
const QColor kHeadFill(0xe8, 0xe8, 0xe8);
const QColor kRuleColour(0x99, 0x99, 0x99);

constexpr std::array<DtChannel, 5> kChannelOrder{DtChannel::Left, DtChannel::Right, DtChannel::LeftToRight,
                                                 DtChannel::RightToLeft, DtChannel::Both};

// Writes from top to bottom and starts a new page when a block would not
// fit on this one.
class PageWriter {
public:
    PageWriter(QPdfWriter& writer, QPainter& painter) : writer_(writer), p_(painter) {}

    int width() const { return p_.viewport().width(); }

    void ensure(int height)
    {
        if (y_ > 0 && y_ + height > p_.viewport().height()) {
            writer_.newPage();
            y_ = 0;
        }
    }

    void text(const QString& t, double points, bool bold = false)
    {
        p_.setFont(Font(points, bold));
        const QRect box = p_.boundingRect(QRect(0, 0, width(), 0), Qt::TextWordWrap, t);
        ensure(box.height());
        p_.drawText(QRect(0, y_, width(), box.height()), Qt::TextWordWrap, t);
        y_ += box.height();
    }

    void gap() { y_ += kGapAfterBlock; }

    // One table row: cells in columns of the given shares of the width.
    void row(const QStringList& cells, const std::vector<double>& shares, bool head, bool limited)
    {
        p_.setFont(Font(kTextPoints, head));
        std::vector<QRect> boxes;
        int x = 0, height = 0;
        for (int i = 0; i < cells.size(); ++i) {
            const int w = int(shares[size_t(i)] * width());
            const QRect inner(x + kCellPadding, 0, w - 2 * kCellPadding, 0);
            height = std::max(height, p_.boundingRect(inner, Qt::TextWordWrap, cells[i]).height());
            boxes.push_back(inner);
            x += w;
        }
        height += 2 * kCellPadding;
        ensure(height);
        if (limited || head)
            p_.fillRect(QRect(0, y_, x, height), head ? kHeadFill : kLimitedFill);
        for (int i = 0; i < cells.size(); ++i)
            p_.drawText(boxes[size_t(i)].adjusted(0, y_ + kCellPadding, 0, y_ + height), Qt::TextWordWrap, cells[i]);
        p_.setPen(kRuleColour);
        p_.drawLine(0, y_ + height, x, y_ + height);
        p_.setPen(Qt::black);
        y_ += height;
    }

    int pictureHeight(QSize size) const { return width() * size.height() / size.width(); }

    void picture(const QByteArray& svg, QSize size)
    {
        QSvgRenderer renderer(svg);
        if (!renderer.isValid())
            return;
        const int h = pictureHeight(size);
        ensure(h);
        renderer.render(&p_, QRectF(0, y_, width(), h));
        y_ += h;
    }

private:
    static QFont Font(double points, bool bold)
    {
        QFont f(QStringLiteral("sans-serif"));
        f.setPointSizeF(points);
        f.setBold(bold);
        return f;
    }

    QPdfWriter& writer_;
    QPainter& p_;
    int y_ = 0;
};

void WriteHeader(PageWriter& w, const DtHeader& h, char letter)
{
    using namespace dtwords;
    w.text(Pick(letter, kHeaderHeading), kHeadingPoints, true);
    for (const auto& [label, value] : DtHeaderRows(h, letter))
        w.row({label, value}, {0.3, 0.7}, false, false);
    w.gap();
    w.text(Pick(letter, kConventionsHeading), kHeadingPoints, true);
    for (const QString& line : DtConventionLines(h, letter))
        w.text(QStringLiteral("• ") + line, kTextPoints);
    w.gap();
}

void WriteFigures(PageWriter& w, const DeviceTestResult& r, char letter)
{
    using namespace dtwords;
    w.text(Pick(letter, kFiguresHeading), kHeadingPoints, true);
    const std::vector<double> shares{0.26, 0.15, 0.1, 0.15, 0.34};
    const QStringList heads{Pick(letter, kFigure), Pick(letter, kValue), Pick(letter, kVolts), Pick(letter, kReference),
                            Pick(letter, kRemark)};
    for (DtChannel channel : kChannelOrder) {
        std::vector<const DtFigure*> rows;
        for (const DtFigure& f : r.figures)
            if (f.channel == channel)
                rows.push_back(&f);
        if (rows.empty())
            continue;
        w.text(DtChannelName(channel, letter), kTextPoints, true);
        w.row(heads, shares, true, false);
        for (const DtFigure* f : rows)
            w.row({DtFigureName(f->id, letter), DtValueText(*f, letter), f->volts ? DtVoltsText(*f->volts) : QString(),
                   f->reference ? DtNumberText(*f->reference, f->unit) + QLatin1Char(' ') + f->unit : QString(),
                   DtRemarkText(*f, letter)},
                  shares, false, f->limitedByCard);
        w.gap();
    }
}

void WritePlots(PageWriter& w, const DeviceTestResult& r, char letter)
{
    const std::vector<DtPlot> plots = DtReportPlots(r, letter);
    if (plots.empty())
        return;
    // The heading goes with the first plot, never alone at a page's foot.
    w.ensure(w.pictureHeight(kDtPlotSize) + kHeadingRoom);
    w.text(Pick(letter, dtwords::kPlotsHeading), kHeadingPoints, true);
    for (const DtPlot& plot : plots) {
        w.picture(DtPlotSvg(plot, letter), kDtPlotSize);
        w.gap();
    }
}

} // namespace

bool DtReportPdf(const DeviceTestResult& r, char letter, QByteArray& pdf, QString& error)
{
    using namespace dtwords;
    if (!r.complete) {
        error = Pick(letter, kIncomplete);
        return false;
    }
    const QString title = Pick(letter, r.header.selfTest ? kSelfTestTitle : kTitle);
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfDpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
    writer.setTitle(r.header.note.isEmpty() ? title : title + QStringLiteral(": ") + r.header.note);
    writer.setCreator(QStringLiteral("Korvanta"));
    QPainter painter(&writer);
    PageWriter w(writer, painter);
    w.text(title, kTitlePoints, true);
    w.gap();
    WriteHeader(w, r.header, letter);
    WriteFigures(w, r, letter);
    WritePlots(w, r, letter);
    painter.end();
    return true;
}

} // namespace korvanta
