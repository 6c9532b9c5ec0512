#include "diagram/DiaLegend.h"

#include "diagram/DiaRender.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace korvanta {

namespace {

constexpr int MaxLegendChars = 60;   // longer names are cut with an ellipsis

bool Shown(const MemoryCurve& m) { return m.visible && !m.isEmpty(); }

QString EntryText(const QFontMetrics& fm, int slot, const MemoryCurve& m, int maxWidth)
{
    return fm.elidedText(MemoryLegendText(slot, m).left(MaxLegendChars * 2), Qt::ElideRight, maxWidth);
}

struct LegendGeometry {
    int pad = 0, sample = 0, row = 0, textWidth = 0;
};

// The legend takes at most two thirds of the plot's width.
int MaxTextWidth(const DiaLayout& lay, const LegendGeometry& g)
{
    return std::max(0, lay.plotWidth() * 2 / 3 - g.sample - 3 * g.pad);
}

LegendGeometry Geometry(const QFontMetrics& fm, const DiaLayout& lay, const MemoryBank& bank)
{
    LegendGeometry g;
    g.pad = std::max(2, lay.charW / 2);
    g.sample = 4 * std::max(lay.charW, 4);
    g.row = fm.height();
    const int maxText = MaxTextWidth(lay, g);
    for (int slot = 0; slot < MemorySlots; ++slot)
        if (Shown(bank[size_t(slot)]))
            g.textWidth = std::max(g.textWidth, fm.horizontalAdvance(EntryText(fm, slot, bank[size_t(slot)], maxText)));
    return g;
}

} // namespace

QRect MemoryLegendRect(const QPainter& p, const DiaLayout& lay, const MemoryBank& bank)
{
    const int rows = int(std::count_if(bank.begin(), bank.end(), Shown));
    if (rows == 0)
        return QRect();
    const LegendGeometry g = Geometry(p.fontMetrics(), lay, bank);
    const int w = g.sample + g.textWidth + 3 * g.pad;
    const int h = rows * g.row + 2 * g.pad;
    return QRect(lay.plotRight - w - g.pad, lay.plotTop + g.pad, w, h);
}

void DrawMemoryLegend(QPainter& p, const DiaLayout& lay, const DiagramOptions& opt, const MemoryBank& bank)
{
    const QRect box = MemoryLegendRect(p, lay, bank);
    if (box.isEmpty())
        return;
    const QFontMetrics fm = p.fontMetrics();
    const LegendGeometry g = Geometry(fm, lay, bank);
    const int maxText = MaxTextWidth(lay, g);
    p.fillRect(box, ColorFromRef(opt.colDia));
    p.setPen(QPen(ColorFromRef(opt.colGrid), 0));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    int y = box.top() + g.pad;
    for (int slot = 0; slot < MemorySlots; ++slot) {
        const MemoryCurve& m = bank[size_t(slot)];
        if (!Shown(m))
            continue;
        const MemoryStyle style = MemoryStyleOf(slot);
        const int mid = y + g.row / 2;
        // The sample is drawn as wide as the curve it stands for.
        const int width = DiaCurvePenWidth(lay.fontSize);
        p.setPen(QPen(ColorFromRef(style.colour), width, style.dash, width > 0 ? Qt::FlatCap : Qt::SquareCap));
        p.drawLine(box.left() + g.pad, mid, box.left() + g.pad + g.sample, mid);
        p.setPen(ColorFromRef(opt.colText));
        p.drawText(box.left() + 2 * g.pad + g.sample, y + fm.ascent(), EntryText(fm, slot, m, maxText));
        y += g.row;
    }
}

} // namespace korvanta
