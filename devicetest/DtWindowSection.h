#pragma once
// The device test window's section "GERAETETEST" of the settings file: the
// note on the device under test, the self-test switch, and where the window
// and its diagram were. A damaged value takes its default; the self-test
// switch is on only for exactly "1", so a damaged file never stores a
// device's figures as the card's own floor.

#include "devicetest/DeviceTestResult.h"

#include <QRect>
#include <QString>

namespace korvanta {

struct DtWindowState {
    QString note;            // one line, as typed
    bool selfTest = false;   // the run is a plain cable: the card's reference
    QRect placement;         // empty: the window's default place
    QRect diagramPlacement;  // likewise for its diagram
};

// The device test diagram's own section: its options and its place, apart
// from the main diagram's and the distortion diagram's.
inline const QString DtDiagramSection = QStringLiteral("GERAETETESTDIAGRAMM");

void ReadDtWindowSection(DtWindowState& state, const QString& path);
// False when the settings file exists but could not be read or written.
bool WriteDtWindowSection(const DtWindowState& state, const QString& path);

} // namespace korvanta
