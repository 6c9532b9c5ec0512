// The device test's report reader, and what is built on a report it read,
// on hostile files. A file is refused with a reason, or it reads into a
// result that writes back to JSON of the same meaning; its comparison with
// itself pairs every figure with its twin and finds no difference, its
// comparison with an empty report lists each figure once, the comparison
// page exists exactly for complete reports and carries no markup from the
// file; and its plots' points and ranges stay where a diagram can hold them.

#include "fuzz/FuzzSupport.h"
#include "devicetest/DtCompare.h"
#include "devicetest/DtJson.h"
#include "devicetest/DtPlotSeries.h"

#include <QJsonDocument>
#include <cmath>
#include <set>

using namespace korvanta;

namespace {

void checkRoundTrip(const DeviceTestResult& read)
{
    const QByteArray written = DtResultToJson(read);
    DeviceTestResult again;
    QString error;
    if (!DtResultFromJson(written, again, error))
        fuzz::Fail("what the reader took, written back, reads again");
    if (QJsonDocument::fromJson(DtResultToJson(again)) != QJsonDocument::fromJson(written))
        fuzz::Fail("a report read back writes the same JSON");
}

void checkComparisons(const DeviceTestResult& r, char letter)
{
    const DtComparison self = DtCompareResults(r, r);
    for (const DtComparedFigure& row : self.rows) {
        const bool same = std::isnan(row.a) ? std::isnan(row.difference) : row.difference == 0.0;
        if (!row.inA || !row.inB || row.unitsDiffer || !same)
            fuzz::Fail("a report against itself pairs each figure with its twin, with no difference");
    }
    std::set<std::pair<QString, int>> distinct;
    for (const DtFigure& f : r.figures)
        distinct.insert({f.id, int(f.channel)});
    const DtComparison alone = DtCompareResults(r, DeviceTestResult{});
    if (alone.rows.size() != distinct.size() || self.rows.size() != distinct.size())
        fuzz::Fail("a comparison lists each figure of a channel once");
    QByteArray html;
    QString error;
    const bool built = DtComparisonHtml(self, letter, html, error);
    if (built != r.complete || error.isEmpty() != r.complete)
        fuzz::Fail("the comparison page exists exactly for complete reports, else says why");
    if (html.toLower().contains("<script"))
        fuzz::Fail("no markup from the file reaches the page");
}

void checkPlots(const DeviceTestResult& r, char letter)
{
    for (const DtPlot& plot : DtReportPlots(r, letter)) {
        const DtPlotSeries s = DtPlotPoints(plot);
        if (s.x.empty())
            continue;
        if (!(s.xmin >= 1 && s.xmin < s.xmax && s.xmax <= kDtPlotTopHz + 1) || !std::isfinite(s.ymin) ||
            !std::isfinite(s.ymax) || !(s.ymin < s.ymax))
            fuzz::Fail("a plot's ranges are whole Hz above zero and finite levels");
        if (s.y1.size() != s.x.size() || (!s.y2.empty() && s.y2.size() != s.x.size()))
            fuzz::Fail("each point of a plot has its levels");
        for (size_t i = 0; i < s.x.size(); ++i)
            if (!(s.x[i] > 0 && s.x[i] <= kDtPlotTopHz) || !std::isfinite(s.y1[i]) ||
                (!s.y2.empty() && !std::isfinite(s.y2[i])))
                fuzz::Fail("a plot's points lie within what the diagram holds");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const char letter = size % 2 ? 'D' : 'E';
    DeviceTestResult read;
    QString error;
    if (!DtResultFromJson(bytes, read, error, letter)) {
        if (error.isEmpty())
            fuzz::Fail("a refused report says why");
        return 0;
    }
    checkRoundTrip(read);
    checkComparisons(read, letter);
    checkPlots(read, letter);
    return 0;
}
