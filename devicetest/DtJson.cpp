#include "devicetest/DtJson.h"

#include "platform/LanguageTexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <cmath>

namespace korvanta {

namespace {

constexpr int kSchemaVersion = 1;
const QLatin1String kSchema("korvanta-measure");

QJsonValue NumberOrNull(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(QJsonValue::Null); }
QJsonValue OptionalNumber(const std::optional<double>& v) { return v ? NumberOrNull(*v) : QJsonValue(QJsonValue::Null); }

QJsonObject DeviceObject(const QString& device, int rate, int bits)
{
    return {{QStringLiteral("device"), device}, {QStringLiteral("rate"), rate}, {QStringLiteral("bits"), bits}};
}

QJsonObject HeaderObject(const DtHeader& h)
{
    return {{QStringLiteral("input_volume_percent"), h.inputVolumePercent},
            {QStringLiteral("output_volume_percent"), h.outputVolumePercent},
            {QStringLiteral("calibration"), h.calibration},
            {QStringLiteral("date"), h.date},
            {QStringLiteral("program_version"), h.programVersion},
            {QStringLiteral("note"), h.note},
            {QStringLiteral("band_low_hz"), NumberOrNull(h.bandLowHz)},
            {QStringLiteral("band_high_hz"), NumberOrNull(h.bandHighHz)},
            {QStringLiteral("reference_level_dbfs"), NumberOrNull(h.referenceLevelDbfs)},
            {QStringLiteral("self_test"), h.selfTest}};
}

QJsonObject FigureObject(const DtFigure& f)
{
    return {{QStringLiteral("id"), f.id},
            {QStringLiteral("channel"), DtChannelKey(f.channel)},
            {QStringLiteral("value"), NumberOrNull(f.value)},
            {QStringLiteral("unit"), f.unit},
            {QStringLiteral("volts"), OptionalNumber(f.volts)},
            {QStringLiteral("reference"), OptionalNumber(f.reference)},
            {QStringLiteral("limited_by_card"), f.limitedByCard},
            {QStringLiteral("note"), f.note},
            {QStringLiteral("note_code"), f.noteCode}};
}

QJsonObject CurveObject(const DtCurve& c)
{
    QJsonArray points;
    const size_t n = std::min(c.x.size(), c.y.size());
    for (size_t i = 0; i < n; ++i)
        points.append(QJsonArray{NumberOrNull(c.x[i]), NumberOrNull(c.y[i])});
    return {{QStringLiteral("id"), c.id}, {QStringLiteral("channel"), DtChannelKey(c.channel)},
            {QStringLiteral("points"), points}};
}

// Reads fields one by one and keeps the first fault with the field's path,
// so the message names what is wrong and where.
class Reader {
public:
    explicit Reader(char letter) : letter_(letter) {}

    bool failed() const { return !error_.isEmpty(); }
    const QString& error() const { return error_; }

    void fail(const Words& w, const QString& a1 = {}, const QString& a2 = {})
    {
        if (!error_.isEmpty())
            return;
        // Only as many arguments as the text has places for: Qt warns of
        // any argument left over.
        const QString t = Pick(letter_, w);
        error_ = t.contains(QLatin1String("%2")) ? t.arg(a1, a2) : t.contains(QLatin1String("%1")) ? t.arg(a1) : t;
    }

    QJsonValue field(const QJsonObject& o, const char* key, const QString& path, QJsonValue::Type type)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.type() != type)
            fail(kBadField, Path(path, key));
        return v;
    }
    QString text(const QJsonObject& o, const char* key, const QString& path)
    {
        return field(o, key, path, QJsonValue::String).toString();
    }
    bool flag(const QJsonObject& o, const char* key, const QString& path)
    {
        return field(o, key, path, QJsonValue::Bool).toBool();
    }
    QJsonObject object(const QJsonObject& o, const char* key, const QString& path)
    {
        return field(o, key, path, QJsonValue::Object).toObject();
    }
    QJsonArray array(const QJsonObject& o, const char* key, const QString& path)
    {
        return field(o, key, path, QJsonValue::Array).toArray();
    }
    int integer(const QJsonObject& o, const char* key, const QString& path)
    {
        const double d = field(o, key, path, QJsonValue::Double).toDouble();
        // Refused before it is converted: a number beyond an int's range
        // has no int to become.
        if (d != std::trunc(d) || std::fabs(d) > kLargestInteger) {
            fail(kBadField, Path(path, key));
            return 0;
        }
        return static_cast<int>(d);
    }
    // A number, or null for one that was not measured (NaN).
    double number(const QJsonValue& v, const QString& where)
    {
        if (v.isNull())
            return NAN;
        if (!v.isDouble())
            fail(kBadField, where);
        return v.toDouble();
    }
    double number(const QJsonObject& o, const char* key, const QString& path)
    {
        if (!o.contains(QLatin1String(key)))
            fail(kBadField, Path(path, key));
        return number(o.value(QLatin1String(key)), Path(path, key));
    }
    // Absent or null: no value.
    std::optional<double> optional(const QJsonObject& o, const char* key, const QString& path)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        return number(v, Path(path, key));
    }
    DtChannel channel(const QJsonObject& o, const QString& path)
    {
        DtChannel c = DtChannel::Left;
        const QString key = text(o, "channel", path);
        if (!failed() && !DtChannelFromKey(key, c))
            fail(kBadChannel, Path(path, "channel"), key);
        return c;
    }

    static QString Path(const QString& path, const char* key)
    {
        return path.isEmpty() ? QLatin1String(key) : path + QLatin1Char('.') + QLatin1String(key);
    }
    static QString Index(const char* key, qsizetype i) { return QStringLiteral("%1[%2]").arg(QLatin1String(key)).arg(i); }

    static constexpr Words kBadField{"Das Feld „%1“ fehlt oder hat den falschen Typ",
                                     "The field \"%1\" is missing or has the wrong type"};
    static constexpr Words kBadChannel{"Das Feld „%1“ nennt einen unbekannten Kanal „%2“",
                                       "The field \"%1\" names an unknown channel \"%2\""};

private:
    static constexpr double kLargestInteger = 2147483647.0;
    char letter_;
    QString error_;
};

constexpr Words kNotJson{"Die Datei ist kein JSON: %1", "The file is not JSON: %1"};
constexpr Words kNotObject{"Die Datei ist kein JSON-Objekt", "The file is not a JSON object"};
constexpr Words kWrongSchema{"Die Datei ist kein Ergebnis von korvanta-measure (schema „%1“)",
                             "The file is not a result of korvanta-measure (schema \"%1\")"};
constexpr Words kWrongVersion{"Die Datei hat die Version %1; dieses Programm liest Version 1",
                              "The file has version %1; this program reads version 1"};
constexpr Words kVersionNotNumber{"Die Version der Datei ist %1, keine Zahl; dieses Programm liest Version 1",
                                  "The file's version is %1, not a number; this program reads version 1"};
constexpr Words kNoVersion{"Die Datei nennt keine Version; dieses Programm liest Version 1",
                           "The file names no version; this program reads version 1"};
constexpr Words kWrongCommand{"Die Datei ist kein Gerätetest (command „%1“)",
                              "The file is not a device test (command \"%1\")"};
constexpr Words kRatesDiffer{"Eingang und Ausgang nennen verschiedene Abtastraten",
                             "The input and the output name different sample rates"};
constexpr Words kBadPoint{"Der Punkt „%1“ ist nicht ein Paar aus zwei Zahlen",
                          "The point \"%1\" is not a pair of two numbers"};

// The header and its devices.
DtHeader ReadHeader(Reader& r, const QJsonObject& root)
{
    DtHeader h;
    const QJsonObject in = r.object(root, "input", {});
    const QJsonObject out = r.object(root, "output", {});
    const QJsonObject head = r.object(root, "header", {});
    if (r.failed())
        return h;
    h.inputDevice = r.text(in, "device", QStringLiteral("input"));
    h.rate = r.integer(in, "rate", QStringLiteral("input"));
    h.inputBits = r.integer(in, "bits", QStringLiteral("input"));
    // Reports written before the input said so carry no such key.
    if (in.contains(QLatin1String("finer_than_bits")))
        h.inputFinerThanBits = r.flag(in, "finer_than_bits", QStringLiteral("input"));
    h.outputDevice = r.text(out, "device", QStringLiteral("output"));
    const int outRate = r.integer(out, "rate", QStringLiteral("output"));
    h.outputBits = r.integer(out, "bits", QStringLiteral("output"));
    if (!r.failed() && outRate != h.rate)
        r.fail(kRatesDiffer);
    const QString p = QStringLiteral("header");
    h.inputVolumePercent = r.integer(head, "input_volume_percent", p);
    h.outputVolumePercent = r.integer(head, "output_volume_percent", p);
    h.calibration = r.text(head, "calibration", p);
    h.date = r.text(head, "date", p);
    h.programVersion = r.text(head, "program_version", p);
    h.note = r.text(head, "note", p);
    h.bandLowHz = r.number(head, "band_low_hz", p);
    h.bandHighHz = r.number(head, "band_high_hz", p);
    h.referenceLevelDbfs = r.number(head, "reference_level_dbfs", p);
    h.selfTest = r.flag(head, "self_test", p);
    return h;
}

std::vector<DtFigure> ReadFigures(Reader& r, const QJsonObject& root)
{
    std::vector<DtFigure> figures;
    const QJsonArray list = r.array(root, "figures", {});
    for (qsizetype i = 0; i < list.size() && !r.failed(); ++i) {
        const QString p = Reader::Index("figures", i);
        if (!list[i].isObject()) {
            r.fail(Reader::kBadField, p);
            break;
        }
        const QJsonObject o = list[i].toObject();
        DtFigure f;
        f.id = r.text(o, "id", p);
        f.channel = r.channel(o, p);
        f.value = r.number(o, "value", p);
        f.unit = r.text(o, "unit", p);
        f.volts = r.optional(o, "volts", p);
        f.reference = r.optional(o, "reference", p);
        f.limitedByCard = r.flag(o, "limited_by_card", p);
        f.note = r.text(o, "note", p);
        // Reports written before notes had codes have none.
        if (o.contains(QLatin1String("note_code")))
            f.noteCode = r.text(o, "note_code", p);
        figures.push_back(f);
    }
    return figures;
}

std::vector<DtCurve> ReadCurves(Reader& r, const QJsonObject& root)
{
    std::vector<DtCurve> curves;
    const QJsonArray list = r.array(root, "curves", {});
    for (qsizetype i = 0; i < list.size() && !r.failed(); ++i) {
        const QString p = Reader::Index("curves", i);
        if (!list[i].isObject()) {
            r.fail(Reader::kBadField, p);
            break;
        }
        const QJsonObject o = list[i].toObject();
        DtCurve c;
        c.id = r.text(o, "id", p);
        c.channel = r.channel(o, p);
        const QJsonArray points = r.array(o, "points", p);
        for (qsizetype k = 0; k < points.size() && !r.failed(); ++k) {
            const QJsonArray pair = points[k].toArray();
            const QString where = p + QLatin1Char('.') + Reader::Index("points", k);
            if (!points[k].isArray() || pair.size() != 2) {
                r.fail(kBadPoint, where);
                break;
            }
            c.x.push_back(r.number(pair[0], where));
            c.y.push_back(r.number(pair[1], where));
        }
        curves.push_back(std::move(c));
    }
    return curves;
}

// Schema, version and command, each with its own message.
void CheckKind(Reader& r, const QJsonObject& root)
{
    const QJsonValue schema = root.value(QStringLiteral("schema"));
    if (schema.toString() != kSchema) {
        r.fail(kWrongSchema, schema.isString() ? schema.toString() : schema.toVariant().toString());
        return;
    }
    // A version given as text ("1") is no version 1: said as it stands in
    // the file, so the message does not read as a contradiction.
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (version.isUndefined()) {
        r.fail(kNoVersion);
        return;
    }
    if (!version.isDouble()) {
        const QByteArray shown = QJsonDocument(QJsonArray{version}).toJson(QJsonDocument::Compact);
        r.fail(kVersionNotNumber, QString::fromUtf8(shown.mid(1, shown.size() - 2)));
        return;
    }
    if (version.toDouble() != kSchemaVersion) {
        r.fail(kWrongVersion, QString::number(version.toDouble(), 'g', 17));
        return;
    }
    const QJsonValue command = root.value(QStringLiteral("command"));
    if (command.toString() != QLatin1String(kDtJsonCommand))
        r.fail(kWrongCommand, command.toVariant().toString());
}

} // namespace

QByteArray DtResultToJson(const DeviceTestResult& result, const QJsonObject& extra)
{
    const DtHeader& h = result.header;
    QJsonObject root = extra;
    root.insert(QStringLiteral("schema"), kSchema);
    root.insert(QStringLiteral("version"), kSchemaVersion);
    root.insert(QStringLiteral("command"), QLatin1String(kDtJsonCommand));
    QJsonObject input = DeviceObject(h.inputDevice, h.rate, h.inputBits);
    input.insert(QStringLiteral("finer_than_bits"), h.inputFinerThanBits);
    root.insert(QStringLiteral("input"), input);
    root.insert(QStringLiteral("output"), DeviceObject(h.outputDevice, h.rate, h.outputBits));
    root.insert(QStringLiteral("header"), HeaderObject(h));
    root.insert(QStringLiteral("complete"), result.complete);
    root.insert(QStringLiteral("error"), result.error);
    QJsonArray figures, curves;
    for (const DtFigure& f : result.figures)
        figures.append(FigureObject(f));
    for (const DtCurve& c : result.curves)
        curves.append(CurveObject(c));
    root.insert(QStringLiteral("figures"), figures);
    root.insert(QStringLiteral("curves"), curves);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool DtResultFromJson(const QByteArray& bytes, DeviceTestResult& result, QString& error, char letter)
{
    Reader r(letter);
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError)
        r.fail(kNotJson, parse.errorString() + QStringLiteral(" (offset %1)").arg(parse.offset));
    else if (!doc.isObject())
        r.fail(kNotObject);
    const QJsonObject root = doc.object();
    if (!r.failed())
        CheckKind(r, root);
    DeviceTestResult read;
    if (!r.failed())
        read.header = ReadHeader(r, root);
    if (!r.failed()) {
        read.complete = r.flag(root, "complete", {});
        read.error = r.text(root, "error", {});
    }
    if (!r.failed())
        read.figures = ReadFigures(r, root);
    if (!r.failed())
        read.curves = ReadCurves(r, root);
    if (r.failed()) {
        error = r.error();
        return false;
    }
    result = std::move(read);
    return true;
}

} // namespace korvanta
