#include "devicetest/DtFigureRows.h"

#include "devicetest/DtBandNoise.h"
#include "devicetest/DtDistortion.h"
#include "devicetest/DtImd.h"
#include "devicetest/DtSpectrum.h"
#include "ir/IrCurves.h"
#include "platform/LanguageTexts.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
constexpr Words kNoLine{"keine Linie 10 dB über dem Rauschen", "no line 10 dB above the noise"};
// A loop without any noise (a digital loop, the virtual card without noise)
// has none to measure: say so rather than leave the row unexplained.
constexpr Words kDigitalSilence{"nur Nullen am Eingang: kein Rauschen messbar", "only zeros at the input: no noise to measure"};
constexpr Words kNearIdle{"höchstens: liegt weniger als 6 dB über der Messung ohne Ton (%1 dB), etwa Netzbrummen",
                          "an upper bound: within 6 dB of the reading with the tone off (%1 dB), e.g. mains hum"};
constexpr Words kNoCorner{"kein −3-dB-Punkt im gemessenen Bereich", "no −3 dB point in the measured range"};
// A leak into a channel that holds only zeros is digital silence, not hum.
constexpr Words kNoLeak{"nur Nullen am Eingang: kein Übersprechen messbar", "only zeros at the input: no crosstalk to measure"};
constexpr Words kRetaken{"nach Übersteuerung des Eingangs erneut gemessen", "taken again after the input clipped"};
constexpr Words kAsked{"verlangt %1 dBFS nach der Schleifenverstärkung bei 997 Hz",
                       "asked %1 dBFS by the loop gain at 997 Hz"};
constexpr Words kAskedBeyondOutput{"verlangt %1 dBFS: die Vollaussteuerung des Ausgangs reicht dafür nicht",
                                   "asked %1 dBFS: the output's full scale does not reach it"};
// A level this far from the one asked gets a note saying what was asked.
constexpr double kAskedSlackDb = 0.1;

const char* const kDbfs = "dBFS";
const char* const kDb = "dB";
const char* const kPercent = "%";
const char* const kHz = "Hz";
const char* const kDegree = "°";

QString Id(const char* id) { return QString::fromLatin1(id); }

DtNote Note(const char* code, const QString& text) { return {QLatin1String(code), text}; }

// The code of a response left out, after the problem's name.
const char* ResponseCode(IrProblem p)
{
    switch (p) {
    case IrProblem::None: break;
    case IrProblem::SweepDoesNotFit: return "response_sweep_does_not_fit";
    case IrProblem::Clipping: return "response_clipping";
    case IrProblem::NoSignal: return "response_no_signal";
    case IrProblem::LatencyBeyondTail: return "response_latency_beyond_tail";
    case IrProblem::ClockDrift: return "response_clock_drift";
    case IrProblem::SweepsDrift: return "response_sweeps_drift";
    }
    return "response_not_measured";
}
} // namespace

void DtRows::Add(const QString& id, DtChannel channel, double value, const char* unit, const DtNote& note)
{
    DtFigure f;
    f.id = id;
    f.channel = channel;
    f.value = std::isfinite(value) ? value : NAN;
    f.unit = QString::fromUtf8(unit);
    f.note = note.text;
    f.noteCode = note.code;
    figures.push_back(std::move(f));
}

QString HzSuffix(double hz) { return QString::number(std::lround(hz)); }

DtCurve SpectrumCurve(const QString& id, DtChannel channel, std::span<const float> x, int rate)
{
    DtCurve c;
    c.id = id;
    c.channel = channel;
    const DtSpectrum s = PowerSpectrum(x, rate);
    if (s.power.empty())
        return c;
    const DtBand band = MeasurementBand(rate);
    // Stretch k of the curve covers [low·r^k, low·r^(k+1)).
    const double ratio = std::pow(band.highHz / band.lowHz, 1.0 / kDtCurvePoints);
    const auto first = size_t(std::max(1.0, std::ceil(band.lowHz / s.binHz)));
    const size_t last = std::min(size_t(std::floor(band.highHz / s.binHz)), s.power.size() - 1);
    int stretch = -1;
    for (size_t k = first; k <= last; ++k) {
        const double hz = double(k) * s.binHz;
        const int at = std::clamp(int(std::log(hz / band.lowHz) / std::log(ratio)), 0, kDtCurvePoints - 1);
        const double db = s.power[k] > 0.0 ? PowerDbfs(s.power[k]) : NAN;
        if (at != stretch) {
            stretch = at;
            c.x.push_back(hz);
            c.y.push_back(db);
        } else if (std::isnan(c.y.back()) || db > c.y.back()) {
            c.x.back() = hz;
            c.y.back() = db;
        }
    }
    return c;
}

void AddNoiseRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate, char letter)
{
    const DtNoise n = BandNoise(x, rate);
    const bool silent = std::all_of(x.begin(), x.end(), [](float v) { return v == 0.0f; });
    const DtNote zeros = silent ? Note("only_zeros", Pick(letter, kDigitalSilence)) : DtNote{};
    rows.Add(Id(dtid::Noise), channel, n.dbfs, kDbfs, zeros);
    rows.Add(Id(dtid::NoiseA), channel, n.dbfsA, kDbfs, zeros);
    const DtNote none = n.hum ? DtNote{} : Note("no_spurious_line", Pick(letter, kNoLine));
    rows.Add(Id(dtid::HumLevel), channel, n.hum ? n.hum->dbfs : NAN, kDbfs, none);
    rows.Add(Id(dtid::HumFrequency), channel, n.hum ? n.hum->hz : NAN, kHz, none);
    rows.curves.push_back(SpectrumCurve(QStringLiteral("noise"), channel, x, rate));
}

void AddDynamicRangeRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate, double toneHz)
{
    const DtDynamicRange d = DynamicRange(AnalyseThd(x, rate, toneHz));
    rows.Add(Id(dtid::DynamicRange), channel, d.db, kDb);
    rows.Add(Id(dtid::DynamicRangeA), channel, d.dbA, kDb);
}

void AddThdRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate, double toneHz)
{
    const DtThd t = AnalyseThd(x, rate, toneHz);
    rows.Add(Id(dtid::ThdPercent), channel, t.thdPercent, kPercent);
    rows.Add(Id(dtid::ThdDb), channel, t.thdDb, kDb);
    rows.Add(Id(dtid::ThdnPercent), channel, t.thdnPercent, kPercent);
    rows.Add(Id(dtid::ThdnDb), channel, t.thdnDb, kDb);
    for (int h = 2; h <= kDtHighestHarmonic; ++h)
        rows.Add(Id(dtid::Harmonic) + QString::number(h), channel, t.harmonicDb[size_t(h - 2)], kDb);
    rows.curves.push_back(SpectrumCurve(QStringLiteral("thd"), channel, x, rate));
}

void AddSmpteRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate)
{
    rows.Add(Id(dtid::ImdSmpte), channel, AnalyseSmpte(x, rate).db, kDb);
    rows.curves.push_back(SpectrumCurve(QStringLiteral("imd"), channel, x, rate));
}

void AddCcifRows(DtRows& rows, DtChannel channel, std::span<const float> x, int rate)
{
    const DtImdCcif c = AnalyseCcif(x, rate);
    rows.Add(Id(dtid::ImdCcifD2), channel, c.d2Db, kDb);
    rows.Add(Id(dtid::ImdCcifD3), channel, c.d3Db, kDb);
}

void AddCcifLeftOutRows(DtRows& rows, DtChannel channel, char letter)
{
    const DtNote leftOut = Note("ccif_rate_too_low", CcifLeftOutText(letter));
    rows.Add(Id(dtid::ImdCcifD2), channel, NAN, kDb, leftOut);
    rows.Add(Id(dtid::ImdCcifD3), channel, NAN, kDb, leftOut);
}

void AddCrosstalkRow(DtRows& rows, DtChannel direction, double hz, const DtCrosstalk& c, char letter)
{
    const DtNote note = c.onlyZeros  ? Note("only_zeros", Pick(letter, kNoLeak))
                        : c.nearIdle ? Note("near_idle_reading", Pick(letter, kNearIdle).arg(c.idleDb, 0, 'f', 1))
                                     : DtNote{};
    rows.Add(Id(dtid::Crosstalk) + HzSuffix(hz), direction, c.db, kDb, note);
    auto curve = std::find_if(rows.curves.begin(), rows.curves.end(),
                              [direction](const DtCurve& k) { return k.channel == direction; });
    if (curve == rows.curves.end()) {
        rows.curves.push_back(DtCurve{QStringLiteral("crosstalk"), direction, {}, {}});
        curve = rows.curves.end() - 1;
    }
    curve->x.push_back(hz);
    curve->y.push_back(std::isfinite(c.db) ? c.db : NAN);
}

void AddMatchRows(DtRows& rows, double hz, const DtChannelMatch& m)
{
    rows.Add(Id(dtid::MatchGain) + HzSuffix(hz), DtChannel::Both, m.gainDb, kDb);
    rows.Add(Id(dtid::MatchPhase) + HzSuffix(hz), DtChannel::Both, m.phaseDeg, kDegree);
}

QString InputLevelSuffix(const DtStep& step)
{
    const double hz = step.frequencies.empty() ? 0.0 : step.frequencies.front();
    switch (step.kind) {
    case DtStepKind::Level: return QStringLiteral("loop_gain");
    case DtStepKind::Response: return step.sweep ? QStringLiteral("response") : QStringLiteral("response_") + HzSuffix(hz);
    case DtStepKind::DynamicRange: return QStringLiteral("dynamic_range");
    case DtStepKind::Thd: return QStringLiteral("thd");
    case DtStepKind::ImdSmpte: return QStringLiteral("imd_smpte");
    case DtStepKind::ImdCcif: return QStringLiteral("imd_ccif");
    case DtStepKind::Crosstalk: return QStringLiteral("crosstalk_") + HzSuffix(hz);
    case DtStepKind::Match: return QStringLiteral("match_") + HzSuffix(hz);
    case DtStepKind::MaxLevel: return QStringLiteral("max_level");
    case DtStepKind::Noise:
    case DtStepKind::CrosstalkOff: break;
    }
    return {};
}

void AddInputLevelRow(DtRows& rows, const DtStep& step, DtChannel channel, double dbfs, std::optional<double> asked,
                      int takes, bool outputLimited, char letter)
{
    // Both notes may apply; their codes join as their texts do.
    QStringList codes;
    QStringList notes;
    if (takes > 1) {
        codes << QStringLiteral("taken_again");
        notes << Pick(letter, kRetaken);
    }
    if (asked && std::abs(dbfs - *asked) > kAskedSlackDb) {
        codes << QLatin1String(outputLimited ? "asked_beyond_output" : "asked_level");
        notes << Pick(letter, outputLimited ? kAskedBeyondOutput : kAsked).arg(*asked, 0, 'f', 2);
    }
    rows.Add(Id(dtid::InputLevel) + InputLevelSuffix(step), channel, dbfs, kDbfs,
             {codes.join(QLatin1Char(';')), notes.join(QStringLiteral("; "))});
}

void AddResponseRows(DtRows& rows, DtChannel channel, const std::vector<DtResponsePoint>& points, int rate, char letter)
{
    const DtResponseFigures f = ResponseFigures(points, MeasurementBand(rate));
    if (std::isnan(f.referenceDb))
        return;
    rows.Add(Id(dtid::ResponseLow), channel, f.lowDb, kDb);
    rows.Add(Id(dtid::ResponseHigh), channel, f.highDb, kDb);
    const DtNote noCorner = Note("no_minus3_point", Pick(letter, kNoCorner));
    rows.Add(Id(dtid::Minus3Low), channel, f.minus3Low.value_or(NAN), kHz, f.minus3Low ? DtNote{} : noCorner);
    rows.Add(Id(dtid::Minus3High), channel, f.minus3High.value_or(NAN), kHz, f.minus3High ? DtNote{} : noCorner);
    std::vector<DtResponsePoint> sorted = points;
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.hz < b.hz; });
    DtCurve c{QStringLiteral("response"), channel, {}, {}};
    for (const DtResponsePoint& p : sorted) {
        c.x.push_back(p.hz);
        c.y.push_back(p.db - f.referenceDb);
    }
    if (c.x.size() > size_t(kDtCurvePoints)) {
        // Each point the power mean of its cell: a plot has no more pixels,
        // and the reports and their references stay small.
        IrCurve reduced = ReduceLogSpaced(c.x, c.y, c.x.front(), c.x.back(), IrReduce::PowerMean, kDtCurvePoints);
        c.x = std::move(reduced.freq);
        c.y = std::move(reduced.value);
    }
    rows.curves.push_back(std::move(c));
}

void AddResponseNotMeasuredRows(DtRows& rows, DtChannel channel, IrProblem problem, char letter)
{
    const DtNote why = Note(ResponseCode(problem), IrProblemText(problem, letter));
    rows.Add(Id(dtid::ResponseLow), channel, NAN, kDb, why);
    rows.Add(Id(dtid::ResponseHigh), channel, NAN, kDb, why);
    rows.Add(Id(dtid::Minus3Low), channel, NAN, kHz, why);
    rows.Add(Id(dtid::Minus3High), channel, NAN, kHz, why);
}

} // namespace korvanta
