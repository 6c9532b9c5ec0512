#pragma once
// The window program's own measuring records: one set for its one main
// window, shared by the pages, menus and dialogs that show and change them.
// Measuring code never includes this: engines and commands are handed their
// records.

#include "app/MeasuringRecords.h"

namespace korvanta {

MeasuringRecords& ProgramRecords();

inline AnalyzerState& Analyzer() { return ProgramRecords().analyzer; }
inline AnalysisSettings& Analysis() { return ProgramRecords().analysis; }
inline CorrectionTable& WeightingCurve() { return ProgramRecords().weighting; }
inline CorrectionTable& InputCorrection() { return ProgramRecords().inputCorrection; }
inline CorrectionTable& OutputCorrection() { return ProgramRecords().outputCorrection; }
inline GeneratorSettings& Generator() { return ProgramRecords().generator; }
inline SweepSettings& Sweep() { return ProgramRecords().sweep; }
inline OscilloscopeSettings& Oscilloscope() { return ProgramRecords().scope; }

} // namespace korvanta
