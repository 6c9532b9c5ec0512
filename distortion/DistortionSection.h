#pragma once
// The distortion window's section "VERZERR" of the settings file: its plan,
// load, divider, the quantities of its two curves and its placement; and the
// placement of its diagram, kept in the diagram's own section beside the
// diagram's options. Values out of range or unreadable take their
// defaults, so a damaged file never starts a run at a harmful level.

#include "distortion/DistortionEngine.h"
#include "distortion/DistortionPlot.h"

#include <QRect>
#include <QString>

namespace korvanta {

struct DistortionWindowState {
    DistortionSettings run;
    int curve1 = int(DistortionQuantity::ThdN);   // DistortionQuantity of each curve
    int curve2 = int(DistortionQuantity::H3);
    QRect placement;          // empty: the window's default place
    QRect diagramPlacement;   // likewise for the diagram
};

// The distortion diagram's section: its options (as the main diagram's
// DIAGPRIV) and its placement. The main diagram's sections are never touched.
inline const QString DistortionDiagramSection = QStringLiteral("VERZDIAGRAMM");

void ReadDistortionSection(DistortionWindowState& state, const QString& path);
bool WriteDistortionSection(const DistortionWindowState& state, const QString& path);

} // namespace korvanta
