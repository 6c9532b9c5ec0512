#pragma once
// The impulse response window's section "IMPULSANTWORT" of the settings
// file: the sweep, the mode, the gate, the smoothing, the view shown, and
// where the window and its diagram were. A value out of range or unreadable
// takes its default, so a damaged file never plays a sweep at a harmful
// level or of a length the program refuses.

#include "ir/IrAnalysis.h"

#include <QRect>
#include <QString>

namespace korvanta {

struct IrWindowState {
    IrSettings run;          // sweep.rate is not stored: the devices' rate is taken at the start
    bool autoTop = true;     // f2 = min(20 kHz, 0.45·rate) whatever the rate (run.sweep.f2 unused)
    bool wholeFundamental = true; // the gate takes all of the fundamental (run.gate unused)
    int view = 0;            // IrView
    QRect placement;         // empty: the window's default place
    QRect diagramPlacement;  // likewise for its diagram
};

// The impulse response diagram's own section: its options and its place,
// apart from every other diagram's.
inline const QString IrDiagramSection = QStringLiteral("IMPULSANTWORTDIAGRAMM");

// The shortest tail a user sets: the latency and the response's decay need
// room after the sweep, and with none every run would be refused.
inline constexpr double kIrMinTailSeconds = 0.05;
inline constexpr double kIrMaxTailSeconds = 10.0;
inline constexpr double kIrLowestLevelDbfs = -60.0;
inline constexpr double kIrMaxGateMs = 20000.0;

// The defaults: 20 Hz to the top for the rate, 1 s, 0.5 s of tail,
// -6 dBFS, one sweep, the left channel alone, all of the fundamental, no
// smoothing, magnitude and phase.
IrWindowState DefaultIrWindowState();

void ReadIrSection(IrWindowState& state, const QString& path);
// False when the settings file exists but could not be read or written.
bool WriteIrSection(const IrWindowState& state, const QString& path);

} // namespace korvanta
