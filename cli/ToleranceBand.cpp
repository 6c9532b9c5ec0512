#include "cli/ToleranceBand.h"

#include "platform/RegularFile.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

QString lineError(int line, const QString& what) { return QStringLiteral("line %1: %2").arg(line).arg(what); }

// The text of a line without its comment, trimmed.
QByteArray withoutComment(QByteArray line)
{
    const qsizetype hash = line.indexOf('#');
    const qsizetype semi = line.indexOf(';');
    qsizetype cut = -1;
    for (qsizetype p : {hash, semi})
        if (p >= 0 && (cut < 0 || p < cut))
            cut = p;
    if (cut >= 0)
        line.truncate(cut);
    return line.trimmed();
}

bool number(const QString& text, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

std::optional<ToleranceBand::Limits> ToleranceBand::at(double f) const
{
    if (points.empty() || !(f >= points.front().frequency) || !(f <= points.back().frequency))
        return std::nullopt;
    size_t hi = 0;
    while (points[hi].frequency < f)
        ++hi;
    if (points[hi].frequency == f || hi == 0)
        return Limits{points[hi].min, points[hi].max};
    const BandPoint& a = points[hi - 1];
    const BandPoint& b = points[hi];
    const double span = std::log(b.frequency / a.frequency);
    // Two frequencies too close for their ratio to differ from 1.
    if (!(span > 0.0))
        return Limits{b.min, b.max};
    const double t = std::clamp(std::log(f / a.frequency) / span, 0.0, 1.0);
    return Limits{(1.0 - t) * a.min + t * b.min, (1.0 - t) * a.max + t * b.max};
}

BandParse ParseToleranceBand(const QByteArray& text)
{
    BandParse result;
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray line = withoutComment(lines[i]);
        if (line.isEmpty())
            continue;
        const int lineNo = i + 1;
        const QStringList fields = QString::fromUtf8(line).split(separators, Qt::SkipEmptyParts);
        BandPoint p;
        if (fields.size() != 3)
            return {{}, lineError(lineNo, QStringLiteral("expected frequency, min and max, found %1 values").arg(fields.size()))};
        if (!number(fields[0], p.frequency) || !number(fields[1], p.min) || !number(fields[2], p.max))
            return {{}, lineError(lineNo, QStringLiteral("a value is not a number"))};
        if (!(p.frequency > 0.0) || p.frequency > kMaxBandHz)
            return {{}, lineError(lineNo, QStringLiteral("the frequency must be above 0 Hz and at most %1 Hz").arg(kMaxBandHz))};
        if (std::abs(p.min) > kMaxBandDb || std::abs(p.max) > kMaxBandDb)
            return {{}, lineError(lineNo, QStringLiteral("a limit lies beyond +/-%1 dB").arg(kMaxBandDb))};
        if (p.min > p.max)
            return {{}, lineError(lineNo, QStringLiteral("min is above max"))};
        if (!result.band.points.empty() && !(p.frequency > result.band.points.back().frequency))
            return {{}, lineError(lineNo, QStringLiteral("frequencies must ascend"))};
        if (static_cast<int>(result.band.points.size()) >= kMaxBandPoints)
            return {{}, lineError(lineNo, QStringLiteral("more than %1 points").arg(kMaxBandPoints))};
        result.band.points.push_back(p);
    }
    if (result.band.points.empty())
        result.error = QStringLiteral("no points");
    return result;
}

BandParse LoadToleranceBand(const QString& path)
{
    auto failed = [&](const QString& why) { return BandParse{{}, QStringLiteral("tolerance band %1: %2").arg(path, why)}; };
    QByteArray text;
    FileProblem problem;
    if (!ReadRegularFile(path, kMaxBandFileBytes, text, problem))
        return failed(FileProblemText(problem, 'E'));
    BandParse parsed = ParseToleranceBand(text);
    if (!parsed.error.isEmpty())
        return failed(parsed.error);
    return parsed;
}

} // namespace korvanta
