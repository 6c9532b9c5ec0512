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

// The gate's start counted from the peak, as --gate gives it.
double gateFromPeakMs(const IrMeasurement& m) { return m.gate.startMs - m.peak.latencyMs(m.ir.rate); }

QString clockCheckName(IrClockCheck c)
{
    switch (c) {
    case IrClockCheck::Sweeps: return QStringLiteral("sweeps");
    case IrClockCheck::OneSweep: return QStringLiteral("one_sweep");
    case IrClockCheck::None: break;
    }
    return QStringLiteral("none");
}

QString summaryJson(const IrMeasurement& m)
{
    const int rate = m.ir.rate;
    const QString null = QStringLiteral("null");
    const auto field = [](const char* name, const QString& value) {
        return QStringLiteral("\"%1\": %2").arg(QLatin1String(name), value);
    };
    const QStringList gate{
        field("start_ms", FixedText(m.gate.startMs, 3)), field("start_from_peak_ms", FixedText(gateFromPeakMs(m), 3)),
        field("length_ms", FixedText(m.gate.lengthMs, 3)), field("fade_ms", FixedText(m.gate.fadeMs, 3))};
    const QStringList fields{
        field("latency_ms", FixedText(m.peak.latencyMs(rate), 4)),
        field("latency_samples", FixedText(m.peak.samples, 3)),
        field("polarity", m.peak.inverted() ? QStringLiteral("\"inverted\"") : QStringLiteral("\"normal\"")),
        field("peak_to_noise_db", FixedText(m.peakToNoiseDb, 1)),
        field("drift_db", cell(m.driftDb, 1, null)),
        field("clock_check", JsonQuoted(clockCheckName(m.clockCheck))),
        field("clock_check_ppm", m.clockCheck == IrClockCheck::None ? null : FixedText(m.clockCheckPpm, 2)),
        field("sweep_shift_samples", m.clockCheck == IrClockCheck::Sweeps ? FixedText(m.sweepShiftSamples, 4) : null),
        field("phase_delay_removed_samples", FixedText(m.peak.samples, 3)),
        field("harmonic_floor_db", cell(m.harmonics.floorDb, 1, null)),
        field("input_peak_dbfs", cell(m.inputPeakDbfs, 2, null)),
        field("reference_peak_dbfs", cell(m.referencePeakDbfs, 2, null)),
        field("gate", QLatin1Char('{') + gate.join(QStringLiteral(", ")) + QLatin1Char('}'))};
    return QLatin1Char('{') + fields.join(QStringLiteral(", ")) + QLatin1Char('}');
}

// How the clocks were checked, and what drift that check would have seen.
QString clockLine(const IrMeasurement& m)
{
    const QString ppm = FixedText(m.clockCheckPpm, m.clockCheckPpm < 10.0 ? 1 : 0);
    switch (m.clockCheck) {
    case IrClockCheck::Sweeps:
        return QStringLiteral("clocks checked from sweep to sweep: the last lies %1 samples after the first "
                              "(drift from %2 ppm would show)\n")
            .arg(FixedText(m.sweepShiftSamples, 4), ppm);
    case IrClockCheck::OneSweep:
        return QStringLiteral("clocks checked by the energy before the peak: %1 dB (drifting clocks from %2 dB; "
                              "drift from %3 ppm would show)\n")
            .arg(FixedText(m.driftDb, 1), FixedText(kIrDriftDb, 0), ppm);
    case IrClockCheck::None: break;
    }
    return QStringLiteral("clocks not checked: in this band one sweep cannot tell drift of %1 ppm from the device's "
                          "own delay; --count 2 checks them\n")
        .arg(FixedText(kIrOneSweepDriftPpm, 0));
}

// What the sweep reached at the input: a device whose gain depends on the
// level takes it elsewhere than the sweep's own level.
QString inputPeakLine(const IrMeasurement& m)
{
    const QString level = FixedText(m.settings.sweep.levelDbfs, 1);
    if (m.settings.referenceMode)
        return QStringLiteral("input peak %1 dBFS measured, %2 dBFS reference (sweep played at %3 dBFS)\n")
            .arg(cell(m.inputPeakDbfs, 2, QStringLiteral("none")), cell(m.referencePeakDbfs, 2, QStringLiteral("none")),
                 level);
    return QStringLiteral("input peak %1 dBFS (sweep played at %2 dBFS)\n")
        .arg(cell(m.inputPeakDbfs, 2, QStringLiteral("none")), level);
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
    t += QStringLiteral("peak to noise %1 dB\n").arg(FixedText(m.peakToNoiseDb, 1));
    t += clockLine(m);
    t += inputPeakLine(m);
    t += QStringLiteral("harmonics: Hk holds from %1 Hz to %2 Hz / k; below %3 dB it may be noise\n")
             .arg(PointText(FullLevelLowHz(s)), PointText(FullLevelHighHz(s)),
                  cell(m.harmonics.floorDb, 1, QStringLiteral("(unknown)")));
    t += QStringLiteral("gate starts %1 ms from the peak, %2 ms long; phase with the latency taken out\n")
             .arg(FixedText(gateFromPeakMs(m), 2), FixedText(m.gate.lengthMs, 2));
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
