#pragma once
// A distortion run's steps as text, shared by the window's table, its text
// file and the measuring command, so all three print the same digits; and
// the clip points read from the steps.

#include "DistortionEngine.h"

#include <QStringList>
#include <optional>
#include <vector>

// Column heads as the window shows them.
QStringList DistortionColumnHeads();

// One step's cells; an absent harmonic (above half the rate) is "-".
QStringList DistortionCells(const DistortionPoint& p);

// The output power at which THD+N reaches `percent`, interpolated between
// the steps around it in order of level; none when no step reached it.
std::optional<double> ClipPointWatts(std::vector<DistortionPoint> points, double percent);
