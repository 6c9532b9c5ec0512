#include "cli/IrReport.h"

#include "diagram/DiaScale.h"

#include <cmath>

namespace korvanta {

namespace {

// A value at `decimals`, or `none` where it is unknown (or no number at
// all, which JSON could not carry).
QString cell(double v, int decimals, const QString& none) { return std::isfinite(v) ? FixedText(v, decimals) : none; }

QStringList columnNames(bool smoothed)
{
    QStringList c{QStringLiteral("frequency_hz"), QStringLiteral("magnitude_db"), QStringLiteral("phase_deg"),
                  QStringLiteral("group_delay_ms")};
    if (smoothed)
        c << QStringLiteral("smoothed_db");
    for (int k = 2; k <= kIrHighestHarmonic; ++k)
        c << QStringLiteral("h%1_db").arg(k);
    return c << QStringLiteral("thd_db");
}

// Frequency to a ten-thousandth of a Hz (the bins are the rate over a power
// of two), levels to a thousandth of a dB.
QStringList rowCells(const IrRow& r, bool smoothed, const QString& none)
{
    QStringList c{cell(r.freq, 4, none), cell(r.magnitudeDb, 3, none), cell(r.phaseDeg, 2, none),
                  cell(r.groupDelayMs, 4, none)};
    if (smoothed)
        c << cell(r.smoothedDb, 3, none);
    for (double h : r.harmonicDb)
        c << cell(h, 2, none);
    return c << cell(r.thdDb, 2, none);
}

QString channelName(int c) { return c == 1 ? QStringLiteral("right") : QStringLiteral("left"); }

QString sweepJson(const IrSweep& s)
{
    return QStringLiteral("{\"from_hz\": %1, \"to_hz\": %2, \"seconds\": %3, \"tail_seconds\": %4, "
                          "\"level_dbfs\": %5, \"count\": %6, \"rate\": %7}")
        .arg(FixedText(s.f1, 2), FixedText(s.f2, 2), FixedText(s.seconds, 3), FixedText(s.tailSeconds, 3),
             FixedText(s.levelDbfs, 2))
        .arg(s.count)
        .arg(s.rate);
}

QString referenceJson(const IrSettings& s)
{
    return QStringLiteral("{\"mode\": %1, \"measured\": \"%2\", \"reference\": %3}")
        .arg(s.referenceMode ? QStringLiteral("true") : QStringLiteral("false"), channelName(s.measuredChannel),
             s.referenceMode ? JsonQuoted(channelName(1 - s.measuredChannel)) : QStringLiteral("null"));
}

QString summaryJson(const IrMeasurement& m)
{
    const int rate = m.ir.rate;
    return QStringLiteral("{\"latency_ms\": %1, \"latency_samples\": %2, \"polarity\": \"%3\", "
                          "\"peak_to_noise_db\": %4, \"drift_db\": %5, \"phase_delay_removed_samples\": %2, "
                          "\"gate\": {\"start_ms\": %6, \"length_ms\": %7, \"fade_ms\": %8}}")
        .arg(FixedText(m.peak.latencyMs(rate), 4), FixedText(m.peak.samples, 3),
             m.peak.inverted() ? QStringLiteral("inverted") : QStringLiteral("normal"), FixedText(m.peakToNoiseDb, 1),
             FixedText(m.driftDb, 1), FixedText(m.gate.startMs, 3), FixedText(m.gate.lengthMs, 3),
             FixedText(m.gate.fadeMs, 3));
}

QString json(const IrMeasurement& m, const std::vector<IrRow>& rows, const RunContext& ctx, const Verdict& verdict)
{
    const bool smoothed = m.settings.smoothing >= 3;
    QStringList columns, points;
    for (const QString& c : columnNames(smoothed))
        columns << JsonQuoted(c);
    points.reserve(static_cast<qsizetype>(rows.size()));
    for (const IrRow& r : rows)
        points << QLatin1Char('[') + rowCells(r, smoothed, QStringLiteral("null")).join(QStringLiteral(", ")) +
                      QLatin1Char(']');
    QString t = QLatin1Char('{') + JsonHeadFields(ctx);
    t += QStringLiteral(", \"sweep\": ") + sweepJson(m.settings.sweep);
    t += QStringLiteral(", \"reference\": ") + referenceJson(m.settings);
    t += QStringLiteral(", \"summary\": ") + summaryJson(m);
    t += QStringLiteral(", \"smoothing\": %1").arg(smoothed ? m.settings.smoothing : 0);
    t += QStringLiteral(", \"columns\": [") + columns.join(QStringLiteral(", ")) + QLatin1Char(']');
    t += QStringLiteral(", \"points\": [") + points.join(QStringLiteral(", ")) + QLatin1Char(']');
    return t + QStringLiteral(", \"verdict\": ") + VerdictJsonText(verdict) + QStringLiteral("}\n");
}

QString csv(const IrMeasurement& m, const std::vector<IrRow>& rows)
{
    const bool smoothed = m.settings.smoothing >= 3;
    QString t = columnNames(smoothed).join(QLatin1Char(',')) + QLatin1Char('\n');
    for (const IrRow& r : rows)
        t += rowCells(r, smoothed, QString()).join(QLatin1Char(',')) + QLatin1Char('\n');
    return t;
}

// The row nearest each octave centre from 31.5 Hz up, within the band.
QString octaveTable(const IrMeasurement& m, const std::vector<IrRow>& rows)
{
    const bool smoothed = m.settings.smoothing >= 3;
    QString t = QStringLiteral("frequency [Hz]  magnitude [dB]  phase [deg]  group delay [ms]%1\n")
                    .arg(smoothed ? QStringLiteral("  1/%1 octave [dB]").arg(m.settings.smoothing) : QString());
    size_t i = 0;
    for (double centre = 1000.0 / 32.0; centre <= m.settings.sweep.f2 && !rows.empty(); centre *= 2.0) {
        if (centre < m.settings.sweep.f1)
            continue;
        while (i + 1 < rows.size() && std::abs(rows[i + 1].freq - centre) <= std::abs(rows[i].freq - centre))
            ++i;
        const IrRow& r = rows[i];
        t += QStringLiteral("%1  %2  %3  %4").arg(PointText(r.freq), 14).arg(PointText(r.magnitudeDb), 14)
                 .arg(PointText(r.phaseDeg), 11).arg(FixedText(r.groupDelayMs, 4), 16);
        if (smoothed)
            t += QStringLiteral("  %1").arg(PointText(r.smoothedDb), 16);
        t += QLatin1Char('\n');
    }
    return t;
}

QString human(const IrMeasurement& m, const std::vector<IrRow>& rows, const RunContext& ctx, const Verdict& verdict)
{
    const IrSweep& s = m.settings.sweep;
    QString t = HumanHeadText(ctx);
    t += QStringLiteral("sweep %1 .. %2 Hz in %3 s, tail %4 s, peak %5 dBFS, %6 sweep(s) averaged, %7 Hz\n")
             .arg(PointText(s.f1), PointText(s.f2), FixedText(s.seconds, 2), FixedText(s.tailSeconds, 2),
                  FixedText(s.levelDbfs, 1))
             .arg(s.count)
             .arg(s.rate);
    const QString measured = channelName(m.settings.measuredChannel);
    t += m.settings.referenceMode ? QStringLiteral("the %1 input over the %2 input (reference)\n")
                                        .arg(measured, channelName(1 - m.settings.measuredChannel))
                                  : QStringLiteral("the %1 input\n").arg(measured);
    t += QStringLiteral("latency %1 ms (%2 samples), polarity %3\n")
             .arg(FixedText(m.peak.latencyMs(m.ir.rate), 4), FixedText(m.peak.samples, 3),
                  m.peak.inverted() ? QStringLiteral("inverted") : QStringLiteral("normal"));
    t += QStringLiteral("peak to noise %1 dB, drift %2 dB (drifting clocks from %3 dB)\n")
             .arg(FixedText(m.peakToNoiseDb, 1), FixedText(m.driftDb, 1), FixedText(kIrDriftDb, 0));
    t += QStringLiteral("gate from %1 ms, %2 ms long; phase with the latency taken out\n")
             .arg(FixedText(m.gate.startMs, 2), FixedText(m.gate.lengthMs, 2));
    return t + octaveTable(m, rows) + HumanVerdictText(verdict);
}

} // namespace

QString ReportIr(const IrMeasurement& m, const std::vector<IrRow>& rows, const RunContext& ctx, const Verdict& verdict,
                 OutputFormat format)
{
    switch (format) {
    case OutputFormat::Json: return json(m, rows, ctx, verdict);
    case OutputFormat::Csv: return csv(m, rows);
    case OutputFormat::Human: break;
    }
    return human(m, rows, ctx, verdict);
}

} // namespace korvanta
