#pragma once
// A distortion run's steps as text, shared by the window's table, its text
// file and the measuring command, so all print the same digits; and the
// clip points read from the steps. Files hold plain numbers in volts and
// watts for the programs that read them; the screen shows the same digits
// with an SI prefix (27.717mV, 2.7717µW), as the diagram's power axis does.

#include "distortion/DistortionEngine.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace korvanta {

// Column heads as the window shows them.
QStringList DistortionColumnHeads();

// One step's cells for files; an absent harmonic (above half the rate) is
// "-", and so is the THD when every harmonic is absent.
QStringList DistortionCells(const DistortionPoint& p);

// The same cells as the window's table shows them: volts and watts with an
// SI prefix and their unit.
QStringList DistortionScreenCells(const DistortionPoint& p);

// A power on screen: `significant` digits, an SI prefix and "W".
QString WattsOnScreen(double watts, int significant);

// The output power at which THD+N reaches `percent`, interpolated between
// the steps around it in order of level; none when no step reached it.
std::optional<double> ClipPointWatts(std::vector<DistortionPoint> points, double percent);

} // namespace korvanta
