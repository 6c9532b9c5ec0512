#include "devicetest/DtPlotSeries.h"

#include "diagram/DiaPointStore.h"
#include "diagram/DiagramOptions.h"
#include "platform/LanguageTexts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace korvanta {

namespace {

struct PlotKind {
    const char* id;
    Words title;
    const char* yCaption;
};

const std::array<PlotKind, 5> kPlots{{
    {"response", {"Frequenzgang", "Frequency response"}, "dB"},
    {"noise", {"Rauschspektrum", "Noise spectrum"}, "dBFS"},
    {"thd", {"THD-Spektrum", "THD spectrum"}, "dBFS"},
    {"imd", {"IMD-Spektrum", "IMD spectrum"}, "dBFS"},
    {"crosstalk", {"Übersprechen", "Crosstalk"}, "dB"},
}};

constexpr int kMaxCurvesPerPlot = 2;
// A spectrum's floor can lie 200 dB down where the input is digital zero;
// the plot shows this much below its highest point.
constexpr double kMaxSpanDb = 160.0;
constexpr double kPadShare = 0.05;
constexpr double kCoarseSpanDb = 30.0;
constexpr double kCoarseStepDb = 10.0;
constexpr double kFineStepDb = 1.0;
constexpr double kFlatSpanDb = 1.0;
// Levels are dB; beyond this only a damaged report goes, and the
// diagram's floats would not hold it.
constexpr double kLevelLimitDb = 1e4;

double Plottable(double db) { return std::isnan(db) ? db : std::clamp(db, -kLevelLimitDb, kLevelLimitDb); }

struct Range {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    void add(double v)
    {
        if (!std::isfinite(v))
            return;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    bool valid() const { return lo <= hi; }
};

// y from the curve at x, linear between its points on a log axis; NaN
// outside it.
double Interpolate(const std::vector<std::pair<double, double>>& pts, double x)
{
    const auto it = std::lower_bound(pts.begin(), pts.end(), x, [](const auto& p, double v) { return p.first < v; });
    if (it == pts.end())
        return NAN;
    if (it->first == x || it == pts.begin())
        return it->first == x ? it->second : NAN;
    const auto& [x0, y0] = *(it - 1);
    const auto& [x1, y1] = *it;
    const double t = std::log(x / x0) / std::log(x1 / x0);
    return y0 + t * (y1 - y0);
}

DiaRanges RangesOf(const std::vector<std::vector<std::pair<double, double>>>& curves)
{
    Range x, y;
    for (const auto& c : curves)
        for (const auto& [px, py] : c) {
            x.add(px);
            y.add(py);
        }
    if (!y.valid())
        y.add(0.0);   // nothing measured: a flat plot at 0 dB
    DiaRanges r;
    r.xmin = static_cast<int32_t>(std::max(1.0, std::floor(x.lo)));
    r.xmax = static_cast<int32_t>(std::ceil(x.hi));
    if (r.xmax <= r.xmin)
        r.xmax = r.xmin + 1;
    const double lo = std::max(y.lo, y.hi - kMaxSpanDb);
    const double span = std::max(y.hi - lo, kFlatSpanDb);
    const double step = span > kCoarseSpanDb ? kCoarseStepDb : kFineStepDb;
    r.ymin = static_cast<float>(std::floor((lo - kPadShare * span) / step) * step);
    r.ymax = static_cast<float>(std::ceil((y.hi + kPadShare * span) / step) * step);
    return r;
}

QString LegendText(const DtPlot& plot, char letter)
{
    static constexpr std::array<Words, kMaxCurvesPerPlot> kColours{{{"blau", "blue"}, {"rot", "red"}}};
    QStringList parts;
    for (size_t i = 0; i < plot.curves.size(); ++i)
        parts << Pick(letter, kColours[i]) + QStringLiteral(": ") + DtChannelKey(plot.curves[i]->channel);
    return parts.join(QStringLiteral(", "));
}

} // namespace

std::vector<DtPlot> DtReportPlots(const DeviceTestResult& result, char letter)
{
    std::vector<DtPlot> plots;
    for (const PlotKind& k : kPlots) {
        DtPlot plot{QLatin1String(k.id), Pick(letter, k.title), QLatin1String(k.yCaption), {}};
        for (const DtCurve& c : result.curves)
            if (c.id == plot.id && int(plot.curves.size()) < kMaxCurvesPerPlot)
                plot.curves.push_back(&c);
        if (!plot.curves.empty())
            plots.push_back(std::move(plot));
    }
    return plots;
}

std::vector<std::pair<double, double>> DtThinCurve(const DtCurve& curve, int columns)
{
    std::vector<std::pair<double, double>> pts;
    const size_t n = std::min(curve.x.size(), curve.y.size());
    for (size_t i = 0; i < n; ++i)
        if (curve.x[i] > 0 && curve.x[i] <= kDtPlotTopHz)
            pts.emplace_back(curve.x[i], Plottable(curve.y[i]));
    std::sort(pts.begin(), pts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    if (int(pts.size()) <= columns || pts.empty())
        return pts;
    const double lo = std::log(pts.front().first);
    const double width = std::max(std::log(pts.back().first) - lo, std::numeric_limits<double>::min());
    std::vector<std::pair<double, double>> thin;
    int column = -1;
    for (const auto& p : pts) {
        const int c = std::min(columns - 1, static_cast<int>((std::log(p.first) - lo) / width * columns));
        if (c != column || thin.empty()) {
            thin.push_back(p);
            column = c;
        } else if (std::isnan(thin.back().second) || p.second > thin.back().second) {
            thin.back() = p;   // the column's highest point: a spectral line stays in sight
        }
    }
    return thin;
}

QString DtPlotLegend(const DtPlot& plot, char letter) { return LegendText(plot, letter); }

DtPlotSeries DtPlotPoints(const DtPlot& plot)
{
    std::vector<std::vector<std::pair<double, double>>> curves;
    for (const DtCurve* c : plot.curves)
        curves.push_back(DtThinCurve(*c));
    DtPlotSeries series;
    if (curves.empty() || curves.front().empty())
        return series;
    const DiaRanges ranges = RangesOf(curves);
    series.xmin = ranges.xmin;
    series.xmax = ranges.xmax;
    series.ymin = ranges.ymin;
    series.ymax = ranges.ymax;
    // Points without a value sit on the plot's floor rather than breaking
    // the renderer's line.
    auto shown = [&](double y) { return static_cast<float>(std::isfinite(y) ? y : ranges.ymin); };
    const auto& first = curves.front();
    const int count = std::min<int>(int(first.size()), DiaPointStore::MaxPoints);
    for (int i = 0; i < count; ++i) {
        series.x.push_back(first[i].first);
        series.y1.push_back(shown(first[i].second));
        if (curves.size() > 1)
            series.y2.push_back(shown(Interpolate(curves[1], first[i].first)));
    }
    return series;
}

} // namespace korvanta
