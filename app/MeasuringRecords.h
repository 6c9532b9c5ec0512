#pragma once
// The settings records one user of the instruments measures with: the
// window program has one set for its pages, the measuring command another.
// Nothing in the measuring code reaches for a record of the process; each
// engine is handed the records it works on, so two sets never mix.

#include "analysis/AnalysisSettings.h"
#include "audio/GeneratorSettings.h"
#include "correction/CorrectionTable.h"
#include "generator/SweepSettings.h"
#include "measure/samplemem.h"
#include "scope/OscilloscopeSettings.h"

namespace korvanta {

struct MeasuringRecords {
    AnalyzerState analyzer;
    AnalysisSettings analysis;
    CorrectionTable weighting;        // the analysis's weighting curve
    CorrectionTable inputCorrection;  // of the measuring chain's input
    CorrectionTable outputCorrection; // and of its output
    GeneratorSettings generator;
    SweepSettings sweep;
    OscilloscopeSettings scope;
};

} // namespace korvanta
