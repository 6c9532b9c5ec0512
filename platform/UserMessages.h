#pragma once
// Event types of the messages that pass between the program's windows. Each
// is posted (or sent) as a plain QEvent of this type to the receiving object
// and handled in its event() override.

#include <QEvent>

namespace korvanta {

namespace um {
constexpr QEvent::Type Type(int n) { return static_cast<QEvent::Type>(QEvent::User + n); }
} // namespace um

inline constexpr QEvent::Type UM_NEXTBLOCK = um::Type(1);    // analyzer: start the next block
inline constexpr QEvent::Type UM_OSZI_FRAME = um::Type(2);   // oscilloscope: capture the next frame
inline constexpr QEvent::Type UM_SWEEP_STEP = um::Type(3);   // sweep: run the next step
inline constexpr QEvent::Type UM_CAL_LOOP = um::Type(4);     // calibration: next block
inline constexpr QEvent::Type UM_DIA_OPTIONS = um::Type(6);  // diagram: apply the options dialog's record
inline constexpr QEvent::Type UM_STOP_ALL = um::Type(7);     // main window: stop every measurement but the calibration's
inline constexpr QEvent::Type UM_CAL_DONE = um::Type(8);     // main window: take over the calibration
inline constexpr QEvent::Type MM_WIM_DATA = um::Type(0x3C0); // audio: a recorded block is complete
inline constexpr QEvent::Type MM_WOM_FAULT = um::Type(0x3C8); // audio: the playing output failed
inline constexpr QEvent::Type MM_MIXM_LINE_CHANGE = um::Type(0x3D0);
inline constexpr QEvent::Type MM_MIXM_CONTROL_CHANGE = um::Type(0x3D1);

} // namespace korvanta
