#pragma once
// What the device test window lists, as plain text in either language: one
// line per step of the plan with its planned duration, and one row of cells
// per figure of a result. No widget here, so the window only copies the
// cells into its table and a test reads the same words the user does.

#include "audio/RunEstimate.h"
#include "devicetest/DeviceTestResult.h"
#include "devicetest/DtPlan.h"

#include <QString>
#include <QStringList>

namespace korvanta {

// What a step measures and with what ("Frequenzgang 1000 Hz",
// "Crosstalk L → R 10000 Hz").
QString DtStepText(const DtStep& step, char letter);

// The plan's lines: each step's text and its planned duration, then the
// total ("ca." where steps are added while it runs).
QStringList DtPlanLines(const DtPlan& plan, const RunEstimate& estimate, char letter);

// The columns of the figures' table.
enum class DtColumn { Figure, Channel, Value, Volts, Reference, Limited, Note, Count };

QStringList DtFigureHeads(char letter);

// One figure's cells, in the order of DtColumn: empty where the figure has
// no volts or no reference.
QStringList DtFigureCells(const DtFigure& figure, char letter);

} // namespace korvanta
