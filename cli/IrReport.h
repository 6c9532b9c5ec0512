#pragma once
// The impulse response's report: text for a person, CSV and JSON (schema 1)
// for scripts.
//
// CSV: one header line, then one row per bin of the swept band:
// frequency_hz, magnitude_db, phase_deg (the measured latency taken out),
// group_delay_ms (absolute), smoothed_db (only with smoothing), h2_db …
// h5_db and thd_db (empty where unknown). JSON: the head of every report,
// then "sweep", "reference", "summary" (latency, polarity, peak to noise,
// how the clocks were checked, the harmonics' floor, what each input's
// peak reached, the gate both after the first played frame and from the
// peak), "smoothing", "columns" and "points" as the CSV has them (null
// where unknown), and "verdict". The text: the summary, the gate in
// --gate's own terms, and the response at the octave centres in the band.

#include "cli/IrRows.h"
#include "cli/MeasureReport.h"

namespace korvanta {

QString ReportIr(const IrMeasurement& m, const std::vector<IrRow>& rows, const RunContext& ctx, const Verdict& verdict,
                 OutputFormat format);

} // namespace korvanta
