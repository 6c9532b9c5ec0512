// korvanta-measure ir as a script runs it: the built program in a child
// process on the virtual card. The latency it prints, the files it writes
// read back as another program reads them, the tolerance band's verdict,
// and the ways a run ends without a result and without a file.
#include "tests/cli/MeasureProcess.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <sndfile.h>

using namespace korvanta;

namespace {

using clitest::Finished;

// A run on the virtual card in fast mode takes well under a second; a stuck
// one is ended and read as a failure.
Finished measure(const QStringList& args)
{
    clitest::HowToRun how;
    how.limitMs = 120000;
    return clitest::RunMeasure(QStringList{QStringLiteral("ir")} + args, how);
}

class IrRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString settings = qEnvironmentVariable("KORVANTA_SETTINGS");
        QDir().mkpath(QFileInfo(settings).absolutePath());
        QFile f(settings);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        // The virtual master follows FGVOLUME; messages in English.
        f.write("[VOLUME]\nFGVOLUME=100\n[MAIN]\nSPRACHE=E\n");
    }

    // The latency in samples of the text report's line
    // "latency 52.4800 ms (2314.368 samples), polarity normal".
    static double printedLatency(const Finished& f, QString& polarity)
    {
        static const QRegularExpression line(QStringLiteral("latency [0-9.]+ ms \\(([0-9.-]+) samples\\), polarity (\\w+)"));
        const QRegularExpressionMatch m = line.match(QString::fromUtf8(f.out));
        polarity = m.captured(2);
        return m.hasMatch() ? m.captured(1).toDouble() : NAN;
    }

    ScratchDir dir;
};

// The card's own loop latency is whole samples (whole blocks, and not the
// same number of them in every run, as on a real card); a device's
// fractional delay comes on top of it, and its polarity is said.
TEST_F(IrRun, PrintsTheLatencyAndPolarityOfTheDevice)
{
    const struct {
        const char* dut;
        double delay;
        const char* polarity;
    } cases[] = {
        {"fast=1", 0.0, "normal"},
        {"fast=1 delay=10.37", 10.37, "normal"},
        {"fast=1 delay=3.5 invl=1", 3.5, "inverted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dut);
        const Finished f = measure({"--dut", c.dut, "--quiet"});
        ASSERT_EQ(f.code, 0) << f.err.toStdString();
        QString polarity;
        const double loop = printedLatency(f, polarity) - c.delay;
        ASSERT_FALSE(std::isnan(loop)) << f.out.toStdString();
        EXPECT_GE(loop, -0.05);
        EXPECT_NEAR(loop, std::round(loop), 0.05) << f.out.toStdString();
        EXPECT_EQ(polarity, c.polarity);
    }
}

// One run per file kind, each read back: the JSON's summary and points, the
// CSV's columns, the WAV's samples with the peak the latency after the
// first played frame.
TEST_F(IrRun, WritesEachFileWhole)
{
    const QString dut = QStringLiteral("fast=1 delay=10.37");
    const QString json = dir.file("ir.json"), csv = dir.file("ir.csv"), wav = dir.file("ir.wav");
    const Finished j = measure({"--dut", dut, "--smoothing", "6", "--out", json});
    ASSERT_EQ(j.code, 0) << j.err.toStdString();
    EXPECT_TRUE(j.out.isEmpty());
    QFile jf(json);
    ASSERT_TRUE(jf.open(QIODevice::ReadOnly));
    QJsonParseError parseError;
    const QJsonObject doc = QJsonDocument::fromJson(jf.readAll(), &parseError).object();
    ASSERT_EQ(parseError.error, QJsonParseError::NoError) << parseError.errorString().toStdString();
    EXPECT_EQ(doc["command"].toString(), "ir");
    EXPECT_EQ(doc["smoothing"].toInt(), 6);
    EXPECT_TRUE(doc["verdict"]["pass"].toBool());
    const double latency = doc["summary"]["latency_samples"].toDouble();
    const QJsonArray columns = doc["columns"].toArray();
    const QJsonArray points = doc["points"].toArray();
    EXPECT_TRUE(columns.contains(QStringLiteral("smoothed_db")));
    ASSERT_GT(points.size(), 1000);

    const Finished c = measure({"--dut", dut, "--out", csv});
    ASSERT_EQ(c.code, 0) << c.err.toStdString();
    QFile cf(csv);
    ASSERT_TRUE(cf.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(cf.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), points.size() + 1);
    EXPECT_EQ(rows[0], "frequency_hz,magnitude_db,phase_deg,group_delay_ms,h2_db,h3_db,h4_db,h5_db,thd_db");
    for (const QString& row : rows.mid(1))
        ASSERT_EQ(row.count(','), 8) << row.toStdString();

    // The WAV file takes the response; the report goes to standard output.
    const Finished w = measure({"--dut", dut, "--json", "--out", wav});
    ASSERT_EQ(w.code, 0) << w.err.toStdString();
    // The card's loop latency differs from run to run by whole blocks: the
    // peak is where this run's report puts it.
    const double told = QJsonDocument::fromJson(w.out)["summary"]["latency_samples"].toDouble();
    EXPECT_NEAR(told - std::round(told), latency - std::round(latency), 0.01);
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(wav).constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(info.samplerate, doc["sweep"]["rate"].toInt());
    std::vector<float> h(static_cast<size_t>(info.frames));
    EXPECT_EQ(sf_readf_float(file, h.data(), info.frames), info.frames);
    const QString comment = QString::fromUtf8(sf_get_string(file, SF_STR_COMMENT));
    sf_close(file);
    // "… the first played frame is sample N"
    const long long zero = comment.section(' ', -1).toLongLong();
    ASSERT_GT(zero, 0) << comment.toStdString();
    size_t peak = 0;
    for (size_t i = 0; i < h.size(); ++i)
        if (std::abs(h[i]) > std::abs(h[peak]))
            peak = i;
    EXPECT_NEAR(double(peak), double(zero) + told, 0.5 + 1e-9);
}

// The magnitude of every bin at full level against the band: a flat loop
// passes, a low-pass at 5 kHz fails with the range it leaves the band in,
// and a reflection's comb fails unless the gate (counted from the peak,
// whatever this run's latency) ends before it.
TEST_F(IrRun, ToleranceBandPassesOrFails)
{
    dir.write("band.txt", "# flat within half a dB\n500 -0.5 0.5\n15000 -0.5 0.5\n");
    const struct {
        QStringList args;
        int code;
        const char* reason;
    } cases[] = {
        {{"--dut", "fast=1 delay=10.37"}, 0, ""},
        {{"--dut", "fast=1 lp=5000"}, 1, "Hz: magnitude -"},
        {{"--dut", "fast=1 echo=3:-6"}, 1, "Hz: magnitude 3."},
        {{"--dut", "fast=1 echo=3:-6", "--gate", "-1:3"}, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Finished f =
            measure(c.args + QStringList{"--smoothing", "12", "--tolerance", dir.file("band.txt"), "--json"});
        EXPECT_EQ(f.code, c.code) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(QLatin1String(c.reason))) << f.err.toStdString();
        const QJsonObject verdict = QJsonDocument::fromJson(f.out)["verdict"].toObject();
        EXPECT_TRUE(verdict["checked"].toBool());
        EXPECT_EQ(verdict["pass"].toBool(), c.code == 0);
    }
}

// Bad options, a sweep that does not fit, a bad set-up: each says why,
// with its status, and leaves no file and nothing on standard output.
TEST_F(IrRun, EndsWithoutAFileWhereNoResultCanBeTrue)
{
    const struct {
        const char* name;
        QStringList args;
        int code;
        QString message;
    } cases[] = {
        {"no signal", {"--dut", "fast=1 gain=-200"}, 3, "no impulse response: No sweep arrives at the input"},
        {"an input that does not open", {"--dut", "fast=1 fault=open"}, 3, "The input cannot be opened"},
        {"the input gone mid-sweep", {"--dut", "fast=1 fault=gone"}, 3, "the impulse response failed at the input"},
        {"more sweeps than one recording holds",
         {"--dut", "fast=1", "--count", "64"},
         2,
         "64 sweeps of 1.5 s each with their tail do not fit one recording"},
        {"clipping", {"--dut", "fast=1 gain=12", "--level", "0"}, 3, "no impulse response: The input clips"},
        {"above the rate", {"--dut", "fast=1", "--to", "30000"}, 2, "The end frequency 30000 Hz does not fit"},
        {"a gate longer than the response",
         {"--dut", "fast=1", "--gate", "0:20000"},
         2,
         "--gate 0:20000 does not fit in the response"},
        {"a bad gate", {"--dut", "fast=1", "--gate", "5"}, 2, "--gate 5: not START:LENGTH"},
        {"a missing band", {"--dut", "fast=1", "--tolerance", dir.file("missing.txt")}, 2, "tolerance band"},
        // The response ends with the tail and begins 2972 ms before it: a
        // gate beyond either end would wrap around onto the other one.
        {"a gate after the tail",
         {"--dut", "fast=1", "--gate", "5000:1"},
         2,
         "--gate 5000:1 does not fit in the response"},
        {"a gate before the response",
         {"--dut", "fast=1", "--gate", "-60000:3"},
         2,
         "--gate -60000:3 does not fit in the response"},
        {"a gate past this run's tail",
         {"--dut", "fast=1 delay=441", "--gate", "495:4"},
         2,
         "--gate 495:4 does not fit in the response: counted from the peak a gate begins at"},
        {"no tail", {"--dut", "fast=1", "--tail", "0"}, 2, "--tail 0: not a number from 0.05 to 10"},
        // The card adds its own loop of whole blocks: the sweep's start still
        // lies in the recording, and the answer is late, not missing.
        {"a latency longer than the tail",
         {"--dut", "fast=1 delay=62000"},
         3,
         "no impulse response: The latency is longer than the tail"},
        {"a long run whose input does not open",
         {"--dut", "fast=1 fault=open", "--seconds", "20", "--tail", "9.2"},
         3,
         "The input cannot be opened"},
    };
    for (const char* out : {"ir.json", "ir.wav"}) {
        const QString path = dir.file(QLatin1String(out));
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " " + out);
            const Finished f = measure(c.args + QStringList{"--out", path});
            EXPECT_EQ(f.code, c.code) << f.err.toStdString();
            EXPECT_TRUE(f.err.contains("korvanta-measure: " + c.message)) << f.err.toStdString();
            EXPECT_TRUE(f.out.isEmpty());
            EXPECT_FALSE(QFileInfo::exists(path));
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
        }
    }
}

// What the run reached, said in the text and in the JSON: the input's peak
// (a device whose gain depends on the level sets it), the gate in --gate's
// own terms, how the clocks were checked, and the floor no harmonic of a
// clean loop lies above.
TEST_F(IrRun, TheReportSaysWhatTheRunReached)
{
    const struct {
        QStringList args;
        const char* text;
        std::function<void(const QJsonObject& summary)> json;
    } cases[] = {
        {{"--dut", "fast=1 gain=0.23", "--level", "-1"},
         "input peak -0.77 dBFS (sweep played at -1.0 dBFS)",
         [](const QJsonObject& s) { EXPECT_NEAR(s["input_peak_dbfs"].toDouble(), -0.77, 0.01); }},
        {{"--dut", "fast=1", "--gate", "-1:3"},
         "gate starts -1.00 ms from the peak, 3.00 ms long",
         [](const QJsonObject& s) {
             EXPECT_DOUBLE_EQ(s["gate"]["start_from_peak_ms"].toDouble(), -1.0);
             EXPECT_NEAR(s["gate"]["start_ms"].toDouble(), s["latency_ms"].toDouble() - 1.0, 0.001);
         }},
        {{"--dut", "fast=1", "--from", "20", "--to", "160"},
         "clocks not checked: in this band one sweep cannot tell",
         [](const QJsonObject& s) {
             EXPECT_EQ(s["clock_check"].toString(), "none");
             EXPECT_TRUE(s["drift_db"].isNull());
         }},
        {{"--dut", "fast=1", "--count", "2"},
         "clocks checked from sweep to sweep: the last lies 0.0000 samples",
         [](const QJsonObject& s) { EXPECT_EQ(s["clock_check"].toString(), "sweeps"); }},
        {{"--dut", "fast=1"},
         "clocks checked by the energy before the peak",
         [](const QJsonObject& s) { EXPECT_EQ(s["clock_check"].toString(), "one_sweep"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Finished text = measure(c.args + QStringList{"--quiet"});
        ASSERT_EQ(text.code, 0) << text.err.toStdString();
        EXPECT_TRUE(text.out.contains(c.text)) << text.out.toStdString();
        const Finished json = measure(c.args + QStringList{"--json"});
        ASSERT_EQ(json.code, 0) << json.err.toStdString();
        const QJsonObject doc = QJsonDocument::fromJson(json.out).object();
        c.json(doc["summary"].toObject());
        // At the card's 16 bits every harmonic bin of a clean loop swept over
        // the whole band lies at or below the floor the report states. (A
        // narrow band dwells long at each frequency, and the card's
        // quantiser, without dither, then makes harmonics of its own.)
        const QJsonArray columns = doc["columns"].toArray();
        const double floor = doc["summary"]["harmonic_floor_db"].toDouble(NAN);
        ASSERT_TRUE(std::isfinite(floor));
        if (c.args.contains(QStringLiteral("--to")))
            continue;
        const auto column = [&columns](int k) {
            for (qsizetype i = 0; i < columns.size(); ++i)
                if (columns[i].toString() == QStringLiteral("h%1_db").arg(k))
                    return i;
            return qsizetype(-1);
        };
        for (const QJsonValue& row : doc["points"].toArray())
            for (int k = 2; k <= 5; ++k) {
                const QJsonValue v = row.toArray()[column(k)];
                if (!v.isNull()) {
                    ASSERT_LE(v.toDouble(), floor) << "H" << k << " at " << row.toArray()[0].toDouble() << " Hz";
                }
            }
    }
}

} // namespace
