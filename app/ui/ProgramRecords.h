#pragma once
// The window program's own measuring records: one set for its one main
// window, shared by the pages, menus and dialogs that show and change them.
// Measuring code never includes this: engines and commands are handed their
// records.

#include "app/MeasuringRecords.h"

namespace korvanta {

MeasuringRecords& ProgramRecords();

inline AnalyzerState& Analyzer() { return ProgramRecords().analyzer; }
inline GeneratorSettings& Generator() { return ProgramRecords().generator; }
inline SweepSettings& Sweep() { return ProgramRecords().sweep; }
inline OscilloscopeSettings& Oscilloscope() { return ProgramRecords().scope; }

} // namespace korvanta
