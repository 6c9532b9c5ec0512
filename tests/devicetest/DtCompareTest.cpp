// Two reports side by side: the rows pair by figure and channel, whatever
// order or set of figures each run had.
#include "devicetest/DtCompare.h"

#include "tests/devicetest/DtReportSample.h"

#include <gtest/gtest.h>

using namespace korvanta;

namespace {
DtFigure Figure(const char* id, DtChannel channel, double value, const char* unit = "dB")
{
    DtFigure f;
    f.id = QString::fromLatin1(id);
    f.channel = channel;
    f.value = value;
    f.unit = QString::fromUtf8(unit);
    return f;
}
} // namespace

TEST(DtCompare, PairsByIdAndChannelAndGivesTheDifference)
{
    DeviceTestResult a = SampleResult(), b = SampleResult();
    a.figures = {Figure("noise_dbfs", DtChannel::Left, -97.0, "dBFS"), Figure("noise_dbfs", DtChannel::Right, -96.0, "dBFS"),
                 Figure("thd_db", DtChannel::Left, -80.0), Figure("imd_ccif_d2_db", DtChannel::Left, NAN),
                 Figure("max_level_dbfs", DtChannel::Left, -4.0, "dBFS")};
    b.figures = {Figure("thd_db", DtChannel::Left, -86.5), Figure("noise_dbfs", DtChannel::Right, -99.0, "dBFS"),
                 Figure("noise_dbfs", DtChannel::Left, -97.5, "dBFS"), Figure("imd_ccif_d2_db", DtChannel::Left, -73.0),
                 Figure("max_level_dbfs", DtChannel::Left, 0.3, "%"), Figure("hum_hz", DtChannel::Right, 50.0, "Hz")};
    const DtComparison c = DtCompareResults(a, b);

    struct Row {
        const char* id;
        DtChannel channel;
        bool inA, inB;
        double difference;   // NaN: none
        bool unitsDiffer;
    };
    const std::vector<Row> expected{
        {"noise_dbfs", DtChannel::Left, true, true, -0.5, false},
        {"noise_dbfs", DtChannel::Right, true, true, -3.0, false},
        {"thd_db", DtChannel::Left, true, true, -6.5, false},
        {"imd_ccif_d2_db", DtChannel::Left, true, true, NAN, false},   // not measured in A
        {"max_level_dbfs", DtChannel::Left, true, true, NAN, true},
        {"hum_hz", DtChannel::Right, false, true, NAN, false},        // only B has it
    };
    ASSERT_EQ(c.rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].id);
        const DtComparedFigure& r = c.rows[i];
        EXPECT_EQ(r.id, QLatin1String(expected[i].id));
        EXPECT_EQ(r.channel, expected[i].channel);
        EXPECT_EQ(r.inA, expected[i].inA);
        EXPECT_EQ(r.inB, expected[i].inB);
        EXPECT_EQ(r.unitsDiffer, expected[i].unitsDiffer);
        if (std::isnan(expected[i].difference))
            EXPECT_TRUE(std::isnan(r.difference)) << r.difference;
        else
            EXPECT_DOUBLE_EQ(r.difference, expected[i].difference);
    }
    EXPECT_EQ(c.rows[4].unitB, QStringLiteral("%"));
}

TEST(DtCompare, HtmlShowsBothSidesAndRefusesAnIncompleteRun)
{
    DeviceTestResult a = SampleResult(), b = SampleResult();
    b.header.note = QStringLiteral("<b>second</b>");
    b.figures[0].value = -99.0;
    QByteArray html;
    QString error;
    ASSERT_TRUE(DtComparisonHtml(DtCompareResults(a, b), 'E', html, error)) << error.toStdString();
    const QString page = QString::fromUtf8(html);
    EXPECT_TRUE(page.contains(QStringLiteral("-97.25 dBFS")));
    EXPECT_TRUE(page.contains(QStringLiteral("-99.00 dBFS")));
    EXPECT_TRUE(page.contains(QStringLiteral("-1.75 dBFS")));
    EXPECT_TRUE(page.contains(QStringLiteral("&lt;b&gt;second&lt;/b&gt;")));
    EXPECT_FALSE(page.contains(QStringLiteral("<b>")));

    b.complete = false;
    EXPECT_FALSE(DtComparisonHtml(DtCompareResults(a, b), 'D', html, error));
    EXPECT_TRUE(error.contains(QStringLiteral("nicht vollständig"))) << error.toStdString();
}
