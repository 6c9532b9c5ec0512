// The device test's JSON: what the window saves, the command prints and a
// comparison or the card's reference reads back.
#include "devicetest/DtJson.h"

#include "tests/devicetest/DtReportSample.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>
#include <functional>

using namespace korvanta;

namespace {

QJsonObject SampleObject() { return QJsonDocument::fromJson(DtResultToJson(SampleResult())).object(); }

QByteArray Bytes(const QJsonObject& o) { return QJsonDocument(o).toJson(); }

void ExpectSameValue(double a, double b)
{
    if (std::isnan(a))
        EXPECT_TRUE(std::isnan(b));
    else
        EXPECT_EQ(a, b);
}

} // namespace

TEST(DtJson, RoundTripKeepsEveryFieldNotMeasuredValuesAndUmlauts)
{
    const DeviceTestResult original = SampleResult();
    const QByteArray json = DtResultToJson(original);
    DeviceTestResult read;
    QString error;
    ASSERT_TRUE(DtResultFromJson(json, read, error)) << error.toStdString();

    EXPECT_EQ(read.header.note, original.header.note);
    EXPECT_EQ(read.header.inputDevice, QStringLiteral("hw:CARD=Übung,DEV=0"));
    EXPECT_EQ(read.header.inputVolumePercent, 0);
    EXPECT_EQ(read.header.outputBits, 16);
    ASSERT_EQ(read.figures.size(), original.figures.size());
    for (size_t i = 0; i < read.figures.size(); ++i) {
        const DtFigure &a = original.figures[i], &b = read.figures[i];
        EXPECT_EQ(a.id, b.id);
        EXPECT_EQ(a.channel, b.channel);
        ExpectSameValue(a.value, b.value);
        EXPECT_EQ(a.unit, b.unit);
        EXPECT_EQ(a.volts, b.volts);
        EXPECT_EQ(a.reference, b.reference);
        EXPECT_EQ(a.limitedByCard, b.limitedByCard);
        EXPECT_EQ(a.note, b.note);
        EXPECT_EQ(a.noteCode, b.noteCode);
    }
    ASSERT_EQ(read.curves.size(), original.curves.size());
    EXPECT_EQ(read.curves[0].x, original.curves[0].x);
    EXPECT_TRUE(std::isnan(read.curves[2].y[3]));
    // Written again, it is the same file: nothing was lost or rounded.
    EXPECT_EQ(DtResultToJson(read), json);
    // A report from before notes had codes reads with none.
    QJsonObject old = QJsonDocument::fromJson(json).object();
    QJsonArray figures = old.value(QStringLiteral("figures")).toArray();
    QJsonObject noted = figures[4].toObject();
    noted.remove(QStringLiteral("note_code"));
    figures.replace(4, noted);
    old.insert(QStringLiteral("figures"), figures);
    ASSERT_TRUE(DtResultFromJson(Bytes(old), read, error)) << error.toStdString();
    EXPECT_EQ(read.figures[4].note, original.figures[4].note);
    EXPECT_TRUE(read.figures[4].noteCode.isEmpty());

    // What a script reads: null for a value not measured, the channel key.
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    EXPECT_EQ(o.value(QStringLiteral("command")).toString(), QStringLiteral("devicetest"));
    const QJsonObject notMeasured = o.value(QStringLiteral("figures")).toArray()[4].toObject();
    EXPECT_TRUE(notMeasured.value(QStringLiteral("value")).isNull());
    EXPECT_TRUE(notMeasured.value(QStringLiteral("volts")).isNull());
    EXPECT_EQ(o.value(QStringLiteral("figures")).toArray()[5].toObject().value(QStringLiteral("channel")).toString(),
              QStringLiteral("L>R"));
}

TEST(DtJson, TheCommandsVerdictIsWrittenAndIgnoredOnReading)
{
    const QJsonObject verdict{{QStringLiteral("verdict"), QJsonObject{{QStringLiteral("pass"), false}}},
                              {QStringLiteral("command"), QStringLiteral("sweep")}};
    const QJsonObject o = QJsonDocument::fromJson(DtResultToJson(SampleResult(), verdict)).object();
    EXPECT_FALSE(o.value(QStringLiteral("verdict")).toObject().value(QStringLiteral("pass")).toBool(true));
    EXPECT_EQ(o.value(QStringLiteral("command")).toString(), QStringLiteral("devicetest"));
    DeviceTestResult read;
    QString error;
    EXPECT_TRUE(DtResultFromJson(Bytes(o), read, error)) << error.toStdString();
}

TEST(DtJson, EachFaultIsRejectedWithItsReasonAndNoPartialResult)
{
    using Edit = std::function<QByteArray(QJsonObject)>;
    auto set = [](const char* key, QJsonValue v) {
        return Edit([key, v](QJsonObject o) {
            o.insert(QLatin1String(key), v);
            return Bytes(o);
        });
    };
    auto figure = [](const char* key, QJsonValue v) {
        return Edit([key, v](QJsonObject o) {
            QJsonArray list = o.value(QStringLiteral("figures")).toArray();
            QJsonObject f = list[1].toObject();
            f.insert(QLatin1String(key), v);
            list.replace(1, f);
            o.insert(QStringLiteral("figures"), list);
            return Bytes(o);
        });
    };
    auto device = [](const char* which, const char* key, double v) {
        return Edit([which, key, v](QJsonObject o) {
            QJsonObject d = o.value(QLatin1String(which)).toObject();
            d.insert(QLatin1String(key), v);
            o.insert(QLatin1String(which), d);
            return Bytes(o);
        });
    };
    struct Case {
        const char* what;
        Edit edit;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"cut short", [](QJsonObject o) { return Bytes(o).left(200); }, "not JSON"},
        {"an array", [](QJsonObject) { return QByteArray("[1, 2]"); }, "not a JSON object"},
        {"another schema", set("schema", QStringLiteral("other-tool")), "schema \"other-tool\""},
        {"a newer version", set("version", 2), "version 2"},
        {"the version as text", set("version", QStringLiteral("1")), "version is \"1\", not a number"},
        {"no version", set("version", QJsonValue::Undefined), "names no version"},
        {"another command", set("command", QStringLiteral("sweep")), "command \"sweep\""},
        {"no figures", set("figures", QJsonValue::Undefined), "\"figures\""},
        {"no header", set("header", QStringLiteral("x")), "\"header\""},
        {"a value as text", figure("value", QStringLiteral("-96.5")), "\"figures[1].value\""},
        {"an unknown channel", figure("channel", QStringLiteral("C")), "unknown channel \"C\""},
        {"a flag as text", figure("limited_by_card", QStringLiteral("yes")), "\"figures[1].limited_by_card\""},
        {"no unit", figure("unit", QJsonValue::Undefined), "\"figures[1].unit\""},
        {"a one-number point",
         [](QJsonObject o) {
             QJsonArray curves = o.value(QStringLiteral("curves")).toArray();
             QJsonObject c = curves[0].toObject();
             QJsonArray points = c.value(QStringLiteral("points")).toArray();
             points.replace(0, QJsonArray{100.0});
             c.insert(QStringLiteral("points"), points);
             curves.replace(0, c);
             o.insert(QStringLiteral("curves"), curves);
             return Bytes(o);
         },
         "curves[0].points[0]"},
        {"two rates",
         [](QJsonObject o) {
             QJsonObject out = o.value(QStringLiteral("output")).toObject();
             out.insert(QStringLiteral("rate"), 44100);
             o.insert(QStringLiteral("output"), out);
             return Bytes(o);
         },
         "different sample rates"},
        // Refused before any conversion to an int, which would be undefined.
        {"a rate beyond any int", device("input", "rate", 1e300), "\"input.rate\""},
        {"a width beyond any int", device("output", "bits", -3e9), "\"output.bits\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceTestResult result;
        result.header.note = QStringLiteral("untouched");
        QString error;
        EXPECT_FALSE(DtResultFromJson(c.edit(SampleObject()), result, error));
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
        EXPECT_EQ(result.header.note, QStringLiteral("untouched"));
        EXPECT_TRUE(result.figures.empty());
    }
    // The same reason in German, for the window.
    DeviceTestResult result;
    QString error;
    EXPECT_FALSE(DtResultFromJson(set("version", 2)(SampleObject()), result, error, 'D'));
    EXPECT_TRUE(error.contains(QStringLiteral("Version 2"))) << error.toStdString();
}
