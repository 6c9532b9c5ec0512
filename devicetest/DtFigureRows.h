#pragma once
// One step's recording turned into the rows of a device test's result: the
// figure units' numbers with their ids, units, channels and notes, and the
// small plots. Plain functions, no device, no widget; the procedure decides
// which recording goes where.

#include "devicetest/DeviceTestResult.h"
#include "devicetest/DtChannels.h"
#include "devicetest/DtPlan.h"
#include "devicetest/DtResponse.h"
#include "ir/IrChecks.h"

#include <optional>
#include <span>
#include <vector>

namespace korvanta {

// Figures and curves of one group (the response, the noise, ...).
struct DtRows {
    std::vector<DtFigure> figures;
    std::vector<DtCurve> curves;

    void Add(const QString& id, DtChannel channel, double value, const char* unit, const DtNote& note = {});
};

// The most points a spectrum curve keeps: a plot has no more pixels.
inline constexpr int kDtCurvePoints = 2000;

// The power spectrum of `x` as dBFS per bin over the measurement band,
// reduced to at most kDtCurvePoints log-spaced points, each the strongest
// bin of its stretch so no line disappears between points.
DtCurve SpectrumCurve(const QString& id, DtChannel channel, std::span<const float> x, int rate);

// Idle input: noise unweighted and A-weighted, the largest line and its
// frequency (not measured, with a note, where no line stands out).
void AddNoiseRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate, char letter);

// The -60 dBFS tone: dynamic range, unweighted and A-weighted.
void AddDynamicRangeRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate, double toneHz);

// The reference-level tone: THD and THD+N in % and dB, H2 … H9.
void AddThdRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate, double toneHz);

void AddSmpteRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate);
void AddCcifRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate);
// CCIF's two figures not measured, with the reason.
void AddCcifLeftOutRows(DtRows& rows, DtChannel channel, char letter);

// One direction's crosstalk at `hz`, flagged where it lies near the idle
// reading.
void AddCrosstalkRow(DtRows& rows, DtChannel direction, double hz, const DtCrosstalk& c, char letter);

void AddMatchRows(DtRows& rows, double hz, const DtChannelMatch& m);

// The level `step` reached at the input in `channel`, dBFS, with a note
// where it was taken again after the input clipped (`takes` > 1) or lies
// away from the level `asked` at the input, and why: the output's full
// scale could not reach it (`outputLimited`), or the loop gain at 997 Hz
// did not hold at the step's frequency or level.
void AddInputLevelRow(DtRows& rows, const DtStep& step, DtChannel channel, double dbfs, std::optional<double> asked,
                      int takes, bool outputLimited, char letter);

// The suffix of the input-level id for a step: "loop_gain", "thd",
// "crosstalk_1000" ...
QString InputLevelSuffix(const DtStep& step);

// The response of one channel from its points: the deviation band, the
// -3 dB points (not measured, with a note, where none lies in the points)
// and the curve relative to 1 kHz, a sweep's fine curve reduced to at most
// kDtCurvePoints log-spaced points. Nothing without a point at 1 kHz.
void AddResponseRows(DtRows& rows, DtChannel channel, const std::vector<DtResponsePoint>& points, int rate,
                     char letter);

// The response's four figures of one channel, not measured, with the
// problem that left them out.
void AddResponseNotMeasuredRows(DtRows& rows, DtChannel channel, IrProblem problem, char letter);

// The suffix of a figure id for a frequency: "100", "1000", "10000".
QString HzSuffix(double hz);

} // namespace korvanta
