// The impulse response's result files, without a device: a sweep played
// through the virtual card's analog path offline, analysed, and written as
// JSON and CSV, each read back as a script reads it; a WAV file that is
// not written; and the tolerance band's judgement of the magnitude.
#include "cli/IrLimits.h"
#include "cli/IrReport.h"
#include "ir/IrWaveFile.h"
#include "tests/ir/IrRecording.h"
#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>

using namespace korvanta;

namespace {

IrMeasurement measureDut(const QString& dut, int smoothing)
{
    IrSettings s;
    s.sweep = irtest::Sweep(1.0);
    s.smoothing = smoothing;
    const dttest::Stereo rec = irtest::Play(dut, s.sweep);
    return AnalyseSweep(rec.left, rec.right, s);
}

RunContext context()
{
    RunContext c;
    c.command = QStringLiteral("ir");
    c.input = DeviceFormat{QStringLiteral("virtual"), 48000, 24};
    return c;
}

// One run per device: every file holds what the measurement found, at
// full resolution, and agrees with the others.
TEST(IrFiles, JsonAndCsvHoldTheMeasurement)
{
    const struct {
        const char* dut;
        int smoothing;
        double latency; // samples
        bool inverted;
    } cases[] = {
        {"delay=10.37", 0, 10.37, false},
        {"delay=3.5 invl=1", 12, 3.5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dut);
        const IrMeasurement m = measureDut(QString::fromLatin1(c.dut), c.smoothing);
        ASSERT_TRUE(m.ok()) << IrProblemText(m.problem, 'E').toStdString();
        const std::vector<IrRow> rows = IrResultRows(m, c.smoothing);
        ASSERT_GT(rows.size(), 1000u);

        const QJsonObject doc =
            QJsonDocument::fromJson(ReportIr(m, rows, context(), {}, OutputFormat::Json).toUtf8()).object();
        EXPECT_EQ(doc["schema"].toString(), "korvanta-measure");
        EXPECT_EQ(doc["version"].toInt(), 1);
        EXPECT_EQ(doc["command"].toString(), "ir");
        const QJsonObject summary = doc["summary"].toObject();
        EXPECT_NEAR(summary["latency_samples"].toDouble(), c.latency, 0.05);
        EXPECT_NEAR(summary["latency_ms"].toDouble(), 1000.0 * c.latency / 48000, 0.001);
        EXPECT_EQ(summary["polarity"].toString(), c.inverted ? "inverted" : "normal");
        EXPECT_EQ(doc["sweep"]["count"].toInt(), 1);
        EXPECT_EQ(doc["smoothing"].toInt(), c.smoothing);
        const QJsonArray columns = doc["columns"].toArray();
        const QJsonArray points = doc["points"].toArray();
        ASSERT_EQ(points.size(), qsizetype(rows.size()));
        const int h2 = int(columns.toVariantList().indexOf(QStringLiteral("h2_db")));
        ASSERT_GT(h2, 0);
        EXPECT_EQ(columns.contains(QStringLiteral("smoothed_db")), c.smoothing > 0);
        int withH2 = 0;
        for (const QJsonValue& p : points) {
            const QJsonArray row = p.toArray();
            ASSERT_EQ(row.size(), columns.size());
            // The phase with the delay taken out: a plain delay leaves 0 or 180 degrees.
            if (std::abs(row[0].toDouble() - 1000.0) < 1.0) {
                EXPECT_NEAR(row[1].toDouble(), 0.0, 0.05);
                EXPECT_NEAR(std::abs(row[2].toDouble()), c.inverted ? 180.0 : 0.0, 1.0);
            }
            // H2 is known only where twice the frequency lies in the sweep,
            // and a THD only where some harmonic is known.
            if (row[h2].isDouble()) {
                ++withH2;
                EXPECT_LE(2.0 * row[0].toDouble(), m.settings.sweep.f2);
            }
            bool anyHarmonic = false;
            for (int k = h2; k < h2 + kIrHighestHarmonic - 1; ++k)
                anyHarmonic = anyHarmonic || row[k].isDouble();
            EXPECT_EQ(row[columns.size() - 1].isDouble(), anyHarmonic) << row[0].toDouble();
        }
        EXPECT_GT(withH2, 100);

        const QStringList csv = ReportIr(m, rows, context(), {}, OutputFormat::Csv).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(csv.size(), qsizetype(rows.size()) + 1);
        QStringList names;
        for (const QJsonValue& n : columns)
            names << n.toString();
        EXPECT_EQ(csv[0], names.join(','));
        EXPECT_EQ(csv[1].split(',').size(), columns.size());
        EXPECT_EQ(csv[1].split(',')[0].toDouble(), points[0].toArray()[0].toDouble());
    }
}

// Nothing measured, nothing written: the old file stays as it was.
TEST(IrFiles, NoResponseWritesNoWave)
{
    ScratchDir dir;
    dir.write(QStringLiteral("ir.wav"), "the last good run");
    QString error;
    EXPECT_FALSE(WriteImpulseWave(ImpulseResponse{}, dir.file(QStringLiteral("ir.wav")), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dir.read(QStringLiteral("ir.wav")), "the last good run");
}

std::vector<IrRow> flatRows(double smoothedDb)
{
    std::vector<IrRow> rows;
    for (double f = 10.0; f <= 20000.0; f *= 1.1) {
        IrRow r;
        r.freq = f;
        r.magnitudeDb = 0.0;
        r.smoothedDb = smoothedDb;
        rows.push_back(r);
    }
    return rows;
}

// Bins outside the band's frequencies or the sweep's full-level range are
// not judged; the smoothed magnitude is when there is one; neighbouring
// bins outside the band make one failure with the worst of them.
TEST(IrFiles, ToleranceJudgesTheFullLevelBandOnly)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        const char* band;
        double dipDb;       // put on 1 kHz ... 2 kHz
        double smoothedDb;  // NaN: unsmoothed
        qsizetype failures;
        const char* first;
    } cases[] = {
        {"flat within", "20 -0.5 0.5\n20000 -0.5 0.5\n", 0.0, nan, 0, ""},
        {"a dip", "20 -0.5 0.5\n20000 -0.5 0.5\n", -3.0, nan, 1, " Hz: magnitude -3.00 dB at "},
        {"a dip outside the band's range", "3000 -0.5 0.5\n20000 -0.5 0.5\n", -3.0, nan, 0, ""},
        {"smoothed judged instead", "20 -0.5 0.5\n20000 -0.5 0.5\n", 0.0, 2.0, 1, "magnitude 2.00 dB"},
        {"a band the whole sweep misses", "20 1 2\n20000 1 2\n", 0.0, nan, 1, "outside 1.00 .. 2.00 dB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<IrRow> rows = flatRows(c.smoothedDb);
        for (IrRow& r : rows)
            if (r.freq >= 1000.0 && r.freq <= 2000.0)
                r.magnitudeDb = c.dipDb;
        const BandParse band = ParseToleranceBand(c.band);
        ASSERT_TRUE(band.error.isEmpty());
        const Verdict v = CheckIrResponse(rows, band.band, 28.0, 19400.0);
        EXPECT_TRUE(v.checked);
        ASSERT_EQ(v.failures.size(), c.failures) << v.failures.join('\n').toStdString();
        if (c.failures > 0) {
            EXPECT_TRUE(v.failures[0].contains(QLatin1String(c.first))) << v.failures[0].toStdString();
        }
        // The fades' bins (here 10 and 11 Hz) never fail.
        for (const QString& f : v.failures)
            EXPECT_FALSE(f.startsWith(QLatin1String("10.00"))) << f.toStdString();
    }
}

} // namespace
