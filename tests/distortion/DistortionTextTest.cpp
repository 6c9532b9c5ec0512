// What a distortion step looks like on screen and in files: the window's
// table with SI prefixes, the text file, CSV and JSON with plain numbers in
// volts and watts, and a THD that cannot be formed (every harmonic above
// half the rate) shown as absent everywhere, never as -192.
#include "distortion/DistortionEngine.h"
#include "distortion/DistortionPlot.h"
#include "distortion/DistortionText.h"
#include "cli/MeasureReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <cmath>
#include <numbers>
#include <ostream>

using namespace korvanta;

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {
constexpr double kRate = 48000.0;
constexpr int kFrames = 16384;

// A step measured from a block whose left channel holds a sine of peak 0.5
// at `hz` with its third harmonic 40 dB down where that lies below half the
// rate.
DistortionPoint measuredStep(double hz)
{
    std::vector<float> block(2 * kFrames);
    const double h3 = 3 * hz < kRate / 2 ? 0.005 : 0.0;
    for (int n = 0; n < kFrames; ++n) {
        const double t = 2 * std::numbers::pi * hz * n / kRate;
        block[2 * n + 1] = static_cast<float>(0.5 * std::sin(t) + h3 * std::sin(3 * t));
    }
    return MeasureDistortionBlock(block.data(), kFrames, kRate, DistortionSettings{}, -6.0, hz, AnalysisSettings{},
                                  CorrectionTable{});
}

int column(const QStringList& heads, const char* name) { return int(heads.indexOf(QLatin1String(name))); }
} // namespace

TEST(DistortionText, ScreenHasPrefixesFilesHavePlainNumbersAndAnAbsentThdIsNoNumber)
{
    const struct {
        double hz;
        double volts, watts;
        const char *screenVolts, *screenWatts;
        bool thd;   // a harmonic lies below half the rate
    } cases[] = {
        {1000.0, 0.027717, 2.7717e-06, "27.717mV", "2.7717µW", true},
        {1000.0, 12.5, 19.531, "12.5V", "19.531W", true},
        {1000.0, 150.0, 2812.5, "150V", "2.8125kW", true},
        {15000.0, 0.5, 0.03125, "500mV", "31.25mW", false},   // H2 at 30 kHz
    };
    const QStringList heads = DistortionColumnHeads();
    const int volts = column(heads, "V rms"), watts = column(heads, "W"), thd = column(heads, "THD dB");
    DistortionRun run;
    for (const auto& c : cases) {
        DistortionPoint p = measuredStep(c.hz);
        p.rmsVolts = c.volts;
        p.watts = c.watts;
        run.points.push_back(p);
        const QStringList screen = DistortionScreenCells(p), file = DistortionCells(p);
        EXPECT_EQ(screen[volts], QString::fromUtf8(c.screenVolts));
        EXPECT_EQ(screen[watts], QString::fromUtf8(c.screenWatts));
        EXPECT_DOUBLE_EQ(file[volts].toDouble(), c.volts);
        EXPECT_DOUBLE_EQ(file[watts].toDouble(), c.watts);
        if (c.thd) {
            EXPECT_NEAR(file[thd].toDouble(), -40.0, 0.1);
            EXPECT_NEAR(DistortionPlotValue(p, DistortionQuantity::Thd), -40.0, 0.1);
        } else {
            EXPECT_EQ(file[thd], QStringLiteral("-"));
            EXPECT_TRUE(std::isnan(DistortionPlotValue(p, DistortionQuantity::Thd))) << "left out of the curve";
        }
        // The screen differs from the file in the volts and watts only.
        for (int k = 0; k < heads.size(); ++k) {
            if (k != volts && k != watts) {
                EXPECT_EQ(screen[k], file[k]) << heads[k].toStdString();
            }
        }
    }

    RunContext ctx;
    ctx.command = QStringLiteral("distortion");
    const QJsonObject json =
        QJsonDocument::fromJson(ReportDistortion(run, ctx, Verdict{}, OutputFormat::Json).toUtf8()).object();
    ASSERT_EQ(json.value("version").toInt(), 1);
    const QJsonArray points = json.value("points").toArray();
    ASSERT_EQ(points.size(), int(std::size(cases)));
    const QStringList csv = ReportDistortion(run, ctx, Verdict{}, OutputFormat::Csv).split('\n');
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const QJsonArray row = points[i].toArray();
        EXPECT_DOUBLE_EQ(row[volts].toDouble(), cases[i].volts);
        EXPECT_DOUBLE_EQ(row[watts].toDouble(), cases[i].watts);
        EXPECT_EQ(row[thd].isNull(), !cases[i].thd) << i;
        EXPECT_EQ(row[thd].isDouble(), cases[i].thd) << i;
        const QStringList cells = csv[i + 1].split(',');
        EXPECT_DOUBLE_EQ(cells[watts].toDouble(), cases[i].watts);
        EXPECT_EQ(cells[thd].isEmpty(), !cases[i].thd) << i;
    }
}
