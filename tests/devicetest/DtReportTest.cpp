// The report a user prints, mails or archives: a page that stands alone, a
// PDF with the same figures, never one made from a run that stopped.
#include "devicetest/DtJson.h"
#include "devicetest/DtReportFile.h"
#include "devicetest/DtReportHtml.h"
#include "devicetest/DtReportPdf.h"
#include "devicetest/DtReportPlot.h"
#include "devicetest/DtReportTexts.h"

#include "tests/devicetest/DtReportSample.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {

QString Html(const DeviceTestResult& r, char letter)
{
    QByteArray html;
    QString error;
    EXPECT_TRUE(DtReportHtml(r, letter, html, error)) << error.toStdString();
    return QString::fromUtf8(html);
}

struct LanguageCase {
    char letter;
    const char* title;
    const char* limited;
    const char* convention;
};
const LanguageCase kLanguages[] = {
    {'D', "Gerätetest", "durch die Soundkarte begrenzt", "Vollaussteuerungs-Sinus (AES17)"},
    {'E', "Device test", "limited by the sound card", "full-scale sine (AES17)"},
};

} // namespace

TEST(DtReport, HtmlStandsAloneAndHoldsFiguresReferencesAndPlotsInBothLanguages)
{
    for (const LanguageCase& c : kLanguages) {
        SCOPED_TRACE(c.letter);
        const QString page = Html(SampleResult(), c.letter);
        // Nothing it would fetch: no source or link attribute, no style
        // sheet or import.
        EXPECT_FALSE(page.contains(QRegularExpression(QStringLiteral("\\b(src|href)\\s*="),
                                                      QRegularExpression::CaseInsensitiveOption)));
        EXPECT_FALSE(page.contains(QStringLiteral("<link"), Qt::CaseInsensitive));
        EXPECT_FALSE(page.contains(QStringLiteral("url("), Qt::CaseInsensitive));
        EXPECT_FALSE(page.contains(QStringLiteral("<?xml")));
        // One picture per plot: response, noise, THD, IMD, crosstalk.
        EXPECT_EQ(page.count(QStringLiteral("<svg")), 5);
        EXPECT_EQ(page.count(QStringLiteral("</svg>")), 5);
        EXPECT_TRUE(page.contains(QString::fromUtf8(c.title)));
        EXPECT_TRUE(page.contains(QString::fromUtf8(c.convention)));
        // Two rows flagged, each beside the card's value.
        EXPECT_EQ(page.count(QString::fromUtf8(c.limited)), 2);
        EXPECT_TRUE(page.contains(QStringLiteral("-97.25 dBFS")));
        EXPECT_TRUE(page.contains(QStringLiteral("-100.00 dBFS")));
        EXPECT_TRUE(page.contains(QStringLiteral("12.3 µV")));
        EXPECT_TRUE(page.contains(QStringLiteral("0.00123 %")));
        EXPECT_TRUE(page.contains(QStringLiteral("Verstärker „Größe 3“")));
    }
}

// A flat response reads a few thousandths below zero: it must print as
// zero, and the units keep their own precision.
TEST(DtReport, NumbersPrintInTheirUnitsPrecisionWithoutANegativeZero)
{
    const struct {
        double value;
        const char* unit;
        const char* text;
    } cases[] = {
        {-0.004, "dB", "0.00"}, {-0.006, "dB", "-0.01"}, {-67.034, "dB", "-67.03"},
        {19990.4, "Hz", "19990"}, {27.34, "Hz", "27.3"}, {NAN, "dB", ""},
        // A clean card's THD+N, as a user reads it: no exponent.
        {7.3912e-05, "%", "0.0000739"}, {0.0123, "%", "0.0123"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DtNumberText(c.value, QString::fromUtf8(c.unit)), QString::fromUtf8(c.text)) << c.value;
}

TEST(DtReport, HtmlEscapesEveryTextTheUserOrTheDeviceGave)
{
    DeviceTestResult r = SampleResult();
    r.header.note = QStringLiteral("<script>alert('x')</script> & \"quotes\"");
    r.header.inputDevice = QStringLiteral("<img onerror=x>");
    r.figures[0].note = QStringLiteral("</td><script>");
    const QString page = Html(r, 'E');
    EXPECT_FALSE(page.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
    EXPECT_FALSE(page.contains(QStringLiteral("<img")));
    EXPECT_TRUE(page.contains(QStringLiteral("&lt;script&gt;alert('x')&lt;/script&gt; &amp; &quot;quotes&quot;")));
    EXPECT_TRUE(page.contains(QStringLiteral("&lt;/td&gt;&lt;script&gt;")));
}

TEST(DtReport, AnIncompleteRunIsNeverWrittenAsAReport)
{
    DeviceTestResult r = SampleResult();
    r.complete = false;
    r.error = QStringLiteral("the sound server stopped");
    ScratchDir dir;
    for (const char* name : {"report.html", "report.pdf"}) {
        SCOPED_TRACE(name);
        QString error;
        EXPECT_FALSE(DtSaveReport(r, dir.file(QLatin1String(name)), 'E', error));
        EXPECT_TRUE(error.contains(QStringLiteral("not complete"))) << error.toStdString();
        EXPECT_FALSE(QFile::exists(dir.file(QLatin1String(name))));
    }
    QByteArray bytes;
    QString error;
    EXPECT_FALSE(DtReportPdf(r, 'D', bytes, error));
    EXPECT_TRUE(error.contains(QStringLiteral("nicht vollständig"))) << error.toStdString();
    // JSON says so itself, for scripts that want to know how far it got.
    ASSERT_TRUE(DtSaveReport(r, dir.file(QStringLiteral("run.json")), 'E', error)) << error.toStdString();
    EXPECT_TRUE(dir.read(QStringLiteral("run.json")).contains("\"complete\": false"));
}

TEST(DtReport, SavingPicksTheFormatByTheEndingAndRefusesAnUnknownOne)
{
    ScratchDir dir;
    QString error;
    for (const char* name : {"a.HTML", "b.htm", "c.pdf", "d.json"})
        EXPECT_TRUE(DtSaveReport(SampleResult(), dir.file(QLatin1String(name)), 'E', error)) << name;
    EXPECT_TRUE(dir.read(QStringLiteral("a.HTML")).startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(dir.read(QStringLiteral("c.pdf")).startsWith("%PDF"));
    EXPECT_TRUE(dir.read(QStringLiteral("d.json")).contains("\"korvanta-measure\""));
    EXPECT_FALSE(DtSaveReport(SampleResult(), dir.file(QStringLiteral("e.txt")), 'E', error));
    EXPECT_TRUE(error.contains(QStringLiteral(".html, .pdf or .json"))) << error.toStdString();
}

TEST(DtReport, PdfShowsTheFiguresAndTheFlagsInBothLanguages)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed (scripts/install-deps.sh installs it)";
    ScratchDir dir;
    for (const LanguageCase& c : kLanguages) {
        SCOPED_TRACE(c.letter);
        QByteArray pdf;
        QString error;
        ASSERT_TRUE(DtReportPdf(SampleResult(), c.letter, pdf, error)) << error.toStdString();
        dir.write(QStringLiteral("r.pdf"), pdf);
        QProcess p;
        p.start(pdftotext, {dir.file(QStringLiteral("r.pdf")), QStringLiteral("-")});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        // A cell's text may wrap: read it as running text.
        const QString text = QString::fromUtf8(p.readAllStandardOutput()).simplified();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.title)));
        EXPECT_TRUE(text.contains(QStringLiteral("-97.25 dBFS"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("-100.00 dBFS")));
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.limited)));
        EXPECT_TRUE(text.contains(QStringLiteral("Größe 3")));
        EXPECT_TRUE(text.contains(c.letter == 'E' ? QStringLiteral("Plots") : QStringLiteral("Diagramme")));
    }
}

TEST(DtReport, ALongSpectrumIsThinnedForItsPlotWithoutLosingItsLines)
{
    DtCurve spectrum;
    spectrum.id = QStringLiteral("noise");
    constexpr double kBinHz = 0.732;   // 64k points at 48 kHz
    for (double f = kBinHz; f < 24000.0; f += kBinHz) {
        spectrum.x.push_back(f);
        spectrum.y.push_back(-140.0);
    }
    const size_t humBin = size_t(50.0 / kBinHz), highBin = size_t(15000.0 / kBinHz);
    spectrum.y[humBin] = -60.0;
    spectrum.y[highBin] = -80.0;   // one bin among many in its column
    const auto thin = DtThinCurve(spectrum);
    EXPECT_LE(thin.size(), size_t(kDtPlotColumns));
    EXPECT_TRUE(std::is_sorted(thin.begin(), thin.end()));
    auto has = [&](double x, double y) {
        return std::find(thin.begin(), thin.end(), std::make_pair(x, y)) != thin.end();
    };
    EXPECT_TRUE(has(spectrum.x[humBin], -60.0));
    EXPECT_TRUE(has(spectrum.x[highBin], -80.0));
    // A short curve is drawn as it is.
    DtCurve shortCurve;
    shortCurve.x = {1000.0, 100.0, 0.0};
    shortCurve.y = {-1.0, -2.0, -3.0};
    EXPECT_EQ(DtThinCurve(shortCurve), (std::vector<std::pair<double, double>>{{100.0, -2.0}, {1000.0, -1.0}}));
}

// A damaged report's point at 1e12 Hz, or at 1e300 dB, must neither widen
// the plot beyond what its axis holds nor turn a level into infinity.
TEST(DtReport, APlotKeepsItsPointsWithinItsRangesWhateverAReportHolds)
{
    DtCurve curve;
    curve.id = QStringLiteral("noise");
    curve.x = {100.0, 1000.0, 1e12};
    curve.y = {-90.0, 1e300, -80.0};
    DeviceTestResult r;
    r.curves = {curve};
    const std::vector<DtPlot> plots = DtReportPlots(r, 'E');
    ASSERT_EQ(plots.size(), 1u);
    const DtPlotSeries s = DtPlotPoints(plots[0]);
    ASSERT_FALSE(s.x.empty());
    EXPECT_LT(s.xmin, s.xmax);
    for (size_t i = 0; i < s.x.size(); ++i) {
        EXPECT_GE(s.x[i], s.xmin);
        EXPECT_LE(s.x[i], s.xmax);
        EXPECT_TRUE(std::isfinite(s.y1[i]));
    }
    EXPECT_TRUE(std::isfinite(s.ymin) && std::isfinite(s.ymax));
}

// The input's width as the header prints it: where its samples held finer
// steps than the width named (a float path, whose noise may lie far below
// what the width allows), it says so, in both languages and through a JSON
// report and back; a report written before the key existed says nothing.
TEST(DtReport, TheWidthSaysWhenTheInputCarriedMoreThanItNamed)
{
    const struct {
        bool finer;
        char letter;
        const char* width;
    } cases[] = {
        {false, 'E', "24 bit / 16 bit"},
        {true, 'E', "24 bit (the input delivered finer steps: its path carries more than 24 bits) / 16 bit"},
        {true, 'D', "24 bit (der Eingang lieferte feinere Stufen: sein Weg trägt mehr als 24 bit) / 16 bit"},
    };
    auto width = [](const DtHeader& h, char letter) {
        for (const auto& [label, value] : DtHeaderRows(h, letter))
            if (label == Pick(letter, dtwords::kWidth))
                return value;
        return QString();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        DeviceTestResult r = SampleResult();
        r.header.inputFinerThanBits = c.finer;
        DeviceTestResult read;
        QString error;
        ASSERT_TRUE(DtResultFromJson(DtResultToJson(r), read, error)) << error.toStdString();
        EXPECT_EQ(width(r.header, c.letter), QString::fromUtf8(c.width));
        EXPECT_EQ(width(read.header, c.letter), QString::fromUtf8(c.width));
    }
    QJsonObject older = QJsonDocument::fromJson(DtResultToJson(SampleResult())).object();
    QJsonObject input = older.value(QStringLiteral("input")).toObject();
    ASSERT_TRUE(input.contains(QStringLiteral("finer_than_bits")));
    input.remove(QStringLiteral("finer_than_bits"));
    older.insert(QStringLiteral("input"), input);
    DeviceTestResult read;
    QString error;
    ASSERT_TRUE(DtResultFromJson(QJsonDocument(older).toJson(), read, error)) << error.toStdString();
    EXPECT_FALSE(read.header.inputFinerThanBits);
}
