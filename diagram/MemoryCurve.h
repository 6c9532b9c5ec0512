#pragma once
// Memory curves: up to eight stored copies of what the diagram showed (or of
// a loaded table), drawn behind the live curves so that a measurement can be
// compared with an earlier one. Each memory keeps its own points, so it
// survives any later measurement, range change or restart.

#include "diagram/CurveTable.h"
#include "diagram/DiaPointStore.h"
#include "diagram/DiagramOptions.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <vector>

namespace korvanta {

inline constexpr int MemorySlots = 8;
inline constexpr int MemoryNameMax = 120;   // as long as a comment may be

// One stored curve; it is drawn on the scale of the right axis when
// rightScale is set (the live curve 2 and a peak of curve 2 are).
struct MemoryTrace {
    bool rightScale = false;
    std::vector<float> values;

    bool operator==(const MemoryTrace&) const = default;
};

struct MemoryCurve {
    QString name;            // the comment at the time it was stored, or the file name
    QString unit;            // the level axis caption, e.g. "Level [dBV]"
    int32_t xmin = 0, xmax = 0;   // the frequency range that was shown
    QDateTime stored;        // to the second, local time
    bool visible = true;
    std::vector<float> x;    // frequencies in Hz
    std::vector<MemoryTrace> traces;   // one to three, each as long as x

    bool isEmpty() const { return x.empty() || traces.empty(); }
    bool operator==(const MemoryCurve&) const = default;
};

using MemoryBank = std::array<MemoryCurve, MemorySlots>;

// Colour and dash style of memory `slot` (0 ... 7): eight colours that none
// of the default curve colours repeats, with dash styles that tell the
// memories apart on a black-and-white printout too.
struct MemoryStyle {
    ColorRef colour;
    Qt::PenStyle dash;
};
MemoryStyle MemoryStyleOf(int slot);

// Copies the curves the diagram shows (curve 1, curve 2, and curve 3 when it
// carries a peak or a difference) with every point that has a frequency.
// Empty when nothing is shown. A curve drawn on the right scale belongs to
// the right axis only while that axis is shown (a phase); with the right
// axis hidden its scale is the left one's, and the curve (the second
// channel's level) is kept on the left axis, where it was read.
MemoryCurve CaptureShownCurves(const DiaPointStore& points, const DiagramOptions& opt, const DiaRanges& ranges,
                               const QString& name, const QString& unit, const QDateTime& now,
                               bool rightAxisShown = false);

// A loaded table as a memory: its second level column goes to the right
// axis when the diagram shows one (like the live curve 2), else to the left
// axis with the others.
MemoryCurve CurveFromTable(CurveTable table, const QString& name, const QDateTime& now, bool rightAxisShown = false);

// Whether a visible memory has a curve on the right axis: the diagram then
// shows that axis, so the curve can be read.
bool MemoriesUseRightAxis(const MemoryBank& bank);

// The name a memory takes: the diagram's comment, unless the comment is
// empty or still the placeholder a fresh comment line holds ("remark:",
// "Bemerkung:"); then "Speicher n" / "Memory n" in language `letter`.
QString MemoryDefaultName(const QString& comment, int slot, char letter);

// The time stamp memories keep: local time cut to whole seconds, so that
// what is written and read back is the same.
QDateTime MemoryTimeStamp(const QDateTime& t);

// Legend entry: "3: Amplifier A (Level [dBV], 2026-12-08 10:15)".
QString MemoryLegendText(int slot, const MemoryCurve& m);

} // namespace korvanta
