#include "diagram/DiaScale.h"

#include <array>
#include <cmath>

namespace korvanta {

namespace {
constexpr std::array<double, 21> kNiceSteps = {0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50,
                                               100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000,
                                               100000};

// Per decade the lines 1 ... 9; labels only at 1, 2, 3 and 5 so that the
// texts never collide on a narrow window.
const char* const kLogLabels[LogGridCount] = {
    "0",   "1",   "2",   "3",   "", "5",   "", "", "", "",
    "10",  "20",  "30",  "",    "50",  "", "", "", "",
    "100", "200", "300", "",    "500", "", "", "", "",
    "1k",  "2k",  "3k",  "",    "5k",  "", "", "", "",
    "10k", "20k", "30k", "",    "50k", "", "", "", "",
    "100k"};
} // namespace

double NiceStep(double v) { return SmallestAbove(kNiceSteps, v); }

namespace {
constexpr double kSteps[] = {1.0, 2.0, 5.0, 10.0};

double Decade(double v) { return std::pow(10.0, std::floor(std::log10(v))); }
} // namespace

double NiceBelow(double v)
{
    const double d = Decade(v);
    double best = d;
    for (double s : kSteps)
        if (s * d <= v * (1 + 1e-12))
            best = s * d;
    return best;
}

double NiceAbove(double v)
{
    const double d = Decade(v);
    for (double s : kSteps)
        if (s * d >= v * (1 - 1e-12))
            return s * d;
    return 10 * d;
}


double LogGridFreq(int index)
{
    if (index <= 0)
        return 0.0;
    if (index >= LogGridCount - 1)
        return 100000.0;
    // Index 1 ... 9 is the decade 1 ... 9, 10 ... 18 the decade 10 ... 90, ...
    const int decade = (index - 1) / 9;
    const int digit = (index - 1) % 9 + 1;
    return digit * std::pow(10.0, decade);
}

QString LogGridLabel(int index)
{
    if (index < 0 || index >= LogGridCount)
        return QString();
    return QString::fromLatin1(kLogLabels[index]);
}

int FirstLogGridIndex(double xmin)
{
    for (int k = 1; k < LogGridCount; ++k)
        if (LogGridFreq(k - 1) < xmin && xmin <= LogGridFreq(k))
            return k;
    return LogGridCount;
}

std::vector<int> LogGridLines(double xmin, double xmax)
{
    std::vector<int> lines;
    for (int j = FirstLogGridIndex(xmin); j < LogGridCount && LogGridFreq(j) <= xmax; ++j)
        lines.push_back(j);
    return lines;
}

std::vector<int> LinearTicks(int xmin, int xmax, int step)
{
    std::vector<int> ticks;
    if (step <= 0 || xmax < xmin)
        return ticks;
    ticks.push_back(xmin);
    const int first = xmin / step;
    const int count = xmax / step - first;
    for (int i = 1; i <= count; ++i)
        ticks.push_back((first + i) * step);
    return ticks;
}

QString LinearTickLabel(int hz)
{
    if (hz < 1000)
        return QString::number(hz);
    return QString::number(hz / 1000.0, 'f', 2) + QLatin1Char('k');
}

QString PrefixedText(double v, int significant)
{
    const double a = std::fabs(v);
    struct Prefix {
        double below, scale;
        const char* text;
    };
    static const Prefix kPrefixes[] = {{1e-3, 1e6, "µ"}, {1.0, 1e3, "m"}, {1e3, 1.0, ""}, {1e300, 1e-3, "k"}};
    if (a == 0.0 || !std::isfinite(a))
        return QString::number(v);
    for (const Prefix& p : kPrefixes)
        if (a < p.below)
            return QString::number(v * p.scale, 'g', significant) + QString::fromUtf8(p.text);
    return QString::number(v);
}

std::vector<ScaledGridLine> ScaledLogGrid(double xmin, double xmax, double factor)
{
    std::vector<ScaledGridLine> lines;
    if (!(xmin > 0.0) || !(xmax > xmin))
        return lines;
    const int first = static_cast<int>(std::floor(std::log10(xmin)));
    const int last = static_cast<int>(std::ceil(std::log10(xmax)));
    const bool crowded = last - first > 5;
    for (int k = first; k <= last; ++k)
        for (int d = 1; d <= 9; ++d) {
            const double x = d * std::pow(10.0, k);
            if (x < xmin * (1 - 1e-9) || x > xmax * (1 + 1e-9))
                continue;
            const bool labelled = d == 1 || (!crowded && (d == 2 || d == 5));
            lines.push_back({x, labelled ? PrefixedText(x * factor, 3) : QString()});
        }
    return lines;
}

QString FixedText(double v, int decimals)
{
    QString s = QString::number(v, 'f', decimals);
    if (s.startsWith(QLatin1Char('-')) && s.toDouble() == 0.0)
        s.remove(0, 1);
    return s;
}

QString LeftAxisLabel(double v, int decimals)
{
    return FixedText(v, decimals).rightJustified(3, QLatin1Char(' ')).left(20);
}

QString RightAxisLabel(double v)
{
    return FixedText(v, 1).rightJustified(5, QLatin1Char(' '));
}

int LabelDecimals(double yStep)
{
    if (yStep < 0.1)
        return 2;
    if (yStep < 1.0)
        return 1;
    return 0;
}

std::vector<double> NiceTicks(double lo, double hi, int maxIntervals)
{
    if (lo > hi)
        std::swap(lo, hi);
    const double span = hi - lo;
    if (maxIntervals <= 0 || !std::isfinite(span) || span <= 0.0)
        return {};
    const double step = NiceAbove(span / maxIntervals);
    // Values that are multiples of the step up to rounding count as on it.
    const double slack = step * 1e-9;
    std::vector<double> ticks;
    for (double k = std::ceil((lo - slack) / step); k * step <= hi + slack; k += 1.0) {
        const double v = k * step;
        ticks.push_back(std::fabs(v) < slack ? 0.0 : v);
    }
    return ticks;
}

} // namespace korvanta
