#include "diagram/MemoryCurve.h"
#include "platform/LanguageTexts.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

// Dark, saturated colours that stand out on the default aqua plot and its
// yellow grid, and differ from the live curves' blue, red and green.
constexpr MemoryStyle Styles[MemorySlots] = {
    {0x0064E6, Qt::DashLine},        // dark orange
    {0x800080, Qt::DashLine},        // purple
    {0x404040, Qt::DashDotLine},     // dark grey
    {0x0000A0, Qt::DotLine},         // dark red
    {0x003C64, Qt::DashDotDotLine},  // brown
    {0xFF00FF, Qt::DashDotLine},     // magenta
    {0xC04080, Qt::DashLine},        // violet
    {0x800000, Qt::DotLine},         // navy
};

void AddTrace(MemoryCurve& m, const float* values, const std::vector<int>& indices, bool rightScale)
{
    MemoryTrace t;
    t.rightScale = rightScale;
    t.values.reserve(indices.size());
    for (int i : indices)
        t.values.push_back(values[i]);
    m.traces.push_back(std::move(t));
}

} // namespace

MemoryStyle MemoryStyleOf(int slot) { return Styles[std::clamp(slot, 0, MemorySlots - 1)]; }

QDateTime MemoryTimeStamp(const QDateTime& t)
{
    QDateTime s = t.toLocalTime();
    s.setTime(QTime(s.time().hour(), s.time().minute(), s.time().second()));
    return s;
}

MemoryCurve CaptureShownCurves(const DiaPointStore& points, const DiagramOptions& opt, const DiaRanges& ranges,
                               const QString& name, const QString& unit, const QDateTime& now, bool rightAxisShown)
{
    MemoryCurve m;
    // A point a shown curve has no value at (NaN: a harmonic above half the
    // sample rate) is left out, so that the memory file holds numbers only.
    auto finite = [&](int i) {
        return (!opt.show1 || std::isfinite(points.curve1()[i])) && (!opt.show2 || std::isfinite(points.curve2()[i])) &&
               (!opt.curve3Active() || std::isfinite(points.curve3()[i]));
    };
    std::vector<int> indices;
    for (int i = 0; i < points.count(); ++i)
        if (points.x()[i] > 0.0f && finite(i))
            indices.push_back(i);
    if (indices.empty())
        return m;
    if (opt.show1)
        AddTrace(m, points.curve1(), indices, false);
    if (opt.show2)
        AddTrace(m, points.curve2(), indices, rightAxisShown);
    if (opt.curve3Active())
        AddTrace(m, points.curve3(), indices, rightAxisShown && opt.peak2 && !opt.peak1 && opt.diffMode == DiffNone);
    if (m.traces.empty())
        return MemoryCurve{};
    for (int i : indices)
        m.x.push_back(points.x()[i]);
    m.name = name.left(MemoryNameMax);
    m.unit = unit;
    m.xmin = ranges.xmin;
    m.xmax = ranges.xmax;
    m.stored = MemoryTimeStamp(now);
    return m;
}

MemoryCurve CurveFromTable(CurveTable table, const QString& name, const QDateTime& now, bool rightAxisShown)
{
    MemoryCurve m;
    m.name = name.left(MemoryNameMax);
    m.stored = MemoryTimeStamp(now);
    if (table.x.empty())
        return m;
    m.xmin = static_cast<int32_t>(std::floor(table.x.front()));
    m.xmax = static_cast<int32_t>(std::ceil(std::min(table.x.back(), 2.0e9f)));
    m.x = std::move(table.x);
    for (size_t c = 0; c < table.levels.size(); ++c)
        m.traces.push_back(MemoryTrace{rightAxisShown && c == 1, std::move(table.levels[c])});
    return m;
}

bool MemoriesUseRightAxis(const MemoryBank& bank)
{
    for (const MemoryCurve& m : bank)
        if (m.visible && !m.isEmpty())
            for (const MemoryTrace& t : m.traces)
                if (t.rightScale)
                    return true;
    return false;
}

QString MemoryDefaultName(const QString& comment, int slot, char letter)
{
    const QString c = comment.trimmed();
    const bool placeholder = c.isEmpty() || c == Pick('D', words::kCommentDefault) || c == Pick('E', words::kCommentDefault);
    if (!placeholder)
        return comment.left(MemoryNameMax);
    static constexpr Words kMemoryName{"Speicher %1", "Memory %1"};
    return Pick(letter, kMemoryName).arg(slot + 1);
}

QString MemoryLegendText(int slot, const MemoryCurve& m)
{
    QStringList details;
    if (!m.unit.isEmpty())
        details << m.unit;
    if (m.stored.isValid())
        details << m.stored.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    QString text = QString::number(slot + 1) + QStringLiteral(": ") + m.name;
    if (!details.isEmpty())
        text += QStringLiteral(" (") + details.join(QStringLiteral(", ")) + QLatin1Char(')');
    return text;
}

} // namespace korvanta
