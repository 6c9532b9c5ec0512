#include "cli/MeasureReport.h"

#include "cli/CommandLanguage.h"
#include "distortion/DistortionText.h"

#include "diagram/DiaScale.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

constexpr Words kInputLine{"Eingang", "input"};
constexpr Words kOutputLine{"Ausgang", "output"};
constexpr Words kFormat{", %1 Hz, %2 Bit", ", %1 Hz, %2 bits"};
constexpr Words kPass{"BESTANDEN", "PASS"};
constexpr Words kFail{"NICHT BESTANDEN", "FAIL"};
constexpr Words kSetup{"FFT %1, Fenster %2, %3 Mittelwert(e), Abtastrate %4 Hz",
                       "FFT %1, window %2, %3 average(s), %4 Hz sample rate"};
constexpr Words kPlayed{"gespielt: Sinus %1 Hz, links %2 dB, rechts %3 dB",
                        "played: sine %1 Hz, left %2 dB, right %3 dB"};
constexpr Words kFrequencyHead{"Frequenz [Hz]", "frequency [Hz]"};
constexpr Words kBand{"Band %1 .. %2 Hz, Filter %3", "band %1 .. %2 Hz, filter %3"};
constexpr Words kThdnAt{"%1: THD+N %2 dB bei %3 Hz", "%1: THD+N %2 dB at %3 Hz"};
constexpr Words kNoFundamental{"%1: keine Grundwelle, Rest %2 dB", "%1: no fundamental, residual %2 dB"};
constexpr Words kLeft{"links", "left"};
constexpr Words kRight{"rechts", "right"};
constexpr Words kNoSignal{"kein Signal", "no signal"};
constexpr Words kNoSignalOn{"%1 Hz: kein Signal %2", "%1 Hz: no signal on %2"};
constexpr Words kEither{"auf beiden Kanälen", "either channel"};
constexpr Words kOnRight{"auf dem rechten Kanal", "the right channel"};
constexpr Words kOnLeft{"auf dem linken Kanal", "the left channel"};
constexpr Words kBackend{"Treiber", "backend"};
constexpr Words kDeviceInput{"Eingang", "input "};
constexpr Words kDeviceOutput{"Ausgang", "output"};
constexpr Words kDeviceName{"Name", "name"};
constexpr Words kRatesAt16{"Abtastraten (16 Bit): %1 Hz", "rates (16 bits): %1 Hz"};
constexpr Words kWidths{"Auflösungen: %1 Bit", "widths: %1 bits"};
constexpr Words kNoAnswer{"hat nicht geantwortet", "did not answer"};
constexpr Words kPlayedSignal{"gespielt: %1 bei %2 Hz, links %3 dB, rechts %4 dB für %5 s%6",
                              "played %1 at %2 Hz, left %3 dB, right %4 dB for %5 s%6"};
// The signals as people read them; the JSON and CSV keep the option's names.
QString signalName(const QString& option)
{
    static const struct {
        const char* option;
        Words words;
    } kNames[] = {{"sine", {"Sinus", "sine"}},
                  {"square", {"Rechteck", "square"}},
                  {"white", {"weißes Rauschen", "white noise"}},
                  {"pink", {"rosa Rauschen", "pink noise"}},
                  {"file", {"Wave-Datei", "wave file"}}};
    for (const auto& n : kNames)
        if (option == QLatin1String(n.option))
            return Say(n.words);
    return option;
}

constexpr Words kInterrupted{" (unterbrochen)", " (interrupted)"};
constexpr Words kClipPoint{"Begrenzung 1 %: %1, 10 %: %2", "clip point 1 %: %1, 10 %: %2"};
constexpr Words kNotReached{"nicht erreicht", "not reached"};

// A JSON object written by hand, so numbers keep the digits the program
// prints (a JSON library would write -70.0 as -70).
class Json {
public:
    Json& raw(const char* key, const QString& value)
    {
        fields_ << quoted(QLatin1String(key)) + QStringLiteral(": ") + value;
        return *this;
    }
    Json& text(const char* key, const QString& value) { return raw(key, quoted(value)); }
    Json& number(const char* key, double value) { return raw(key, QString::number(value)); }
    Json& flag(const char* key, bool value) { return raw(key, value ? QStringLiteral("true") : QStringLiteral("false")); }
    QString str() const { return QStringLiteral("{") + fields_.join(QStringLiteral(", ")) + QStringLiteral("}"); }

    static QString quoted(const QString& s)
    {
        const QByteArray a = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(a.mid(1, a.size() - 2));
    }
    static QString list(const QStringList& items) { return QStringLiteral("[") + items.join(QStringLiteral(", ")) + "]"; }

private:
    QStringList fields_;
};

QString deviceJson(const DeviceFormat& d)
{
    Json j;
    j.text("device", d.name);
    if (d.rate)
        j.number("rate", *d.rate);
    if (d.bits)
        j.number("bits", *d.bits);
    return j.str();
}

Json head(const RunContext& ctx)
{
    Json j;
    j.text("schema", QStringLiteral("korvanta-measure")).number("version", 1).text("command", ctx.command);
    if (ctx.input)
        j.raw("input", deviceJson(*ctx.input));
    if (ctx.output)
        j.raw("output", deviceJson(*ctx.output));
    return j;
}

QString verdictJson(const Verdict& v)
{
    QStringList failures;
    for (const QString& f : v.failures)
        failures << Json::quoted(f);
    return Json().flag("checked", v.checked).flag("pass", v.pass()).raw("failures", Json::list(failures)).str();
}

QString deviceLine(const Words& what, const std::optional<DeviceFormat>& d)
{
    if (!d)
        return {};
    QString line = QStringLiteral("%1: %2").arg(Say(what), d->name);
    if (d->rate && d->bits)
        line += Say(kFormat).arg(*d->rate).arg(*d->bits);
    return line + QLatin1Char('\n');
}

QString humanHead(const RunContext& ctx) { return deviceLine(kInputLine, ctx.input) + deviceLine(kOutputLine, ctx.output); }

QString humanVerdict(const Verdict& v)
{
    if (!v.checked)
        return {};
    return Say(v.pass() ? kPass : kFail) + QLatin1Char('\n');
}

QString setupLine(const AnalyzerRun& r)
{
    const AnalyzerSpectrum& s = r.spectrum;
    QString t = Say(kSetup).arg(s.fftPoints).arg(r.window).arg(r.averages).arg(s.sampleRate) + QLatin1Char('\n');
    if (r.play)
        t += Say(kPlayed).arg(PointText(r.play->frequency)).arg(r.play->levelLeft).arg(r.play->levelRight) +
             QLatin1Char('\n');
    return t;
}

// What --play played, for the JSON.
void addPlayJson(Json& j, const AnalyzerRun& r)
{
    if (!r.play)
        return;
    j.raw("play", Json()
                      .raw("frequency_hz", PointText(r.play->frequency))
                      .number("level_left_db", r.play->levelLeft)
                      .number("level_right_db", r.play->levelRight)
                      .str());
}

QString analysisJson(const AnalyzerRun& r)
{
    const AnalyzerSpectrum& s = r.spectrum;
    Json j;
    j.number("fft", s.fftPoints).text("window", r.window).number("averages", r.averages).number("sample_rate", s.sampleRate);
    j.number("band_low", r.bandLow).number("band_high", r.bandHigh).text("filter", r.filter);
    return j.str();
}

struct ChannelValues {
    const char* name; // as scripts read it: CSV and JSON
    const Words* words; // as people read it
};

// Channels measured, left first (the order of the program's result lines).
std::vector<ChannelValues> channels(const AnalyzerSpectrum& s)
{
    std::vector<ChannelValues> c;
    if (s.leftOn)
        c.push_back({"left", &kLeft});
    if (s.rightOn)
        c.push_back({"right", &kRight});
    return c;
}

bool isLeft(const ChannelValues& c) { return c.words == &kLeft; }

// The channels' names padded to one width, so the values line up.
int nameWidth() { return -int(std::max(Say(kLeft).size(), Say(kRight).size())); }

} // namespace

QString ThdValueText(double thdDb) { return thdDb == 0.0 ? QStringLiteral("-192") : QString::number(thdDb, 'f', 1); }
QString LevelValueText(double db) { return QString::number(db, 'f', 2); }
QString FundamentalText(double hz) { return QString::number(hz, 'f', 0); }
QString PointText(double v) { return FixedText(v, 2); }

QString JsonHeadFields(const RunContext& ctx)
{
    const QString object = head(ctx).str();
    return object.mid(1, object.size() - 2);
}
QString VerdictJsonText(const Verdict& v) { return verdictJson(v); }
QString JsonQuoted(const QString& s) { return Json::quoted(s); }
QString HumanHeadText(const RunContext& ctx) { return humanHead(ctx); }
QString HumanVerdictText(const Verdict& v) { return humanVerdict(v); }

QString ReportSpectrum(const AnalyzerRun& run, const RunContext& ctx, OutputFormat format)
{
    const AnalyzerSpectrum& s = run.spectrum;
    const auto ch = channels(s);
    auto row = [&](size_t i, const QString& sep) {
        QString line = PointText(s.frequency[i]);
        for (const ChannelValues& c : ch)
            line += sep + PointText(isLeft(c) ? s.left[i] : s.right[i]);
        return line;
    };
    QString t;
    if (format == OutputFormat::Json) {
        QStringList points;
        for (size_t i = 0; i < s.frequency.size(); ++i)
            points << QStringLiteral("[") + row(i, QStringLiteral(", ")) + QStringLiteral("]");
        QStringList columns{Json::quoted(QStringLiteral("frequency_hz"))};
        for (const ChannelValues& c : ch)
            columns << Json::quoted(QLatin1String(c.name));
        Json j = head(ctx);
        j.raw("analysis", analysisJson(run)).text("unit", s.unitLabel.trimmed());
        addPlayJson(j, run);
        j.raw("columns", Json::list(columns)).raw("points", Json::list(points));
        return j.str() + QLatin1Char('\n');
    }
    if (format == OutputFormat::Csv) {
        t = QStringLiteral("frequency_hz");
        for (const ChannelValues& c : ch)
            t += QStringLiteral(",%1_%2").arg(QLatin1String(c.name), s.unitLabel.trimmed());
        t += QLatin1Char('\n');
        for (size_t i = 0; i < s.frequency.size(); ++i)
            t += row(i, QStringLiteral(",")) + QLatin1Char('\n');
        return t;
    }
    t = humanHead(ctx) + setupLine(run);
    t += Say(kFrequencyHead);
    for (const ChannelValues& c : ch)
        t += QStringLiteral("  %1 [%2]").arg(Say(*c.words), s.unitLabel.trimmed());
    t += QLatin1Char('\n');
    for (size_t i = 0; i < s.frequency.size(); ++i)
        t += row(i, QStringLiteral("  ")) + QLatin1Char('\n');
    return t;
}

QString ReportThdn(const AnalyzerRun& run, const RunContext& ctx, const Verdict& verdict, OutputFormat format)
{
    const AnalyzerSpectrum& s = run.spectrum;
    struct Row {
        QString name, shown, fundamental, thd;
        bool found;
    };
    std::vector<Row> rows;
    for (const ChannelValues& c : channels(s)) {
        const double f = isLeft(c) ? s.fundamentalLeft : s.fundamentalRight;
        rows.push_back({QLatin1String(c.name), Say(*c.words), FundamentalText(f),
                        ThdValueText(isLeft(c) ? s.thdLeft : s.thdRight), f != 0.0});
    }
    if (format == OutputFormat::Json) {
        QStringList list;
        for (const Row& r : rows)
            list << Json()
                        .text("channel", r.name)
                        .raw("fundamental_hz", r.found ? r.fundamental : QStringLiteral("null"))
                        .raw("thdn_db", r.thd)
                        .str();
        Json j = head(ctx);
        j.raw("analysis", analysisJson(run));
        addPlayJson(j, run);
        j.raw("channels", Json::list(list)).text("readout", s.thdLine);
        return j.raw("verdict", verdictJson(verdict)).str() + QLatin1Char('\n');
    }
    if (format == OutputFormat::Csv) {
        QString t = QStringLiteral("channel,fundamental_hz,thdn_db\n");
        for (const Row& r : rows)
            t += QStringLiteral("%1,%2,%3\n").arg(r.name, r.found ? r.fundamental : QString(), r.thd);
        return t;
    }
    QString t = humanHead(ctx) + setupLine(run);
    t += Say(kBand).arg(run.bandLow).arg(run.bandHigh).arg(run.filter) + QLatin1Char('\n');
    for (const Row& r : rows)
        t += (r.found ? Say(kThdnAt).arg(r.shown, nameWidth()).arg(r.thd, r.fundamental)
                      : Say(kNoFundamental).arg(r.shown, nameWidth()).arg(r.thd)) +
             QLatin1Char('\n');
    t += s.thdLine + QLatin1Char('\n');
    return t + humanVerdict(verdict);
}

QString ReportLevel(const AnalyzerRun& run, const RunContext& ctx, const Verdict& verdict, OutputFormat format)
{
    const AnalyzerSpectrum& s = run.spectrum;
    const QString unit = s.unitLabel.trimmed();
    if (format == OutputFormat::Json) {
        QStringList list;
        for (const ChannelValues& c : channels(s))
            list << Json()
                        .text("channel", QLatin1String(c.name))
                        .raw("level", LevelValueText(isLeft(c) ? s.levelLeft : s.levelRight))
                        .str();
        Json j = head(ctx);
        j.raw("analysis", analysisJson(run)).text("unit", unit);
        addPlayJson(j, run);
        j.raw("channels", Json::list(list));
        j.text("readout", s.levelLine);
        return j.raw("verdict", verdictJson(verdict)).str() + QLatin1Char('\n');
    }
    if (format == OutputFormat::Csv) {
        QString t = QStringLiteral("channel,level,unit\n");
        for (const ChannelValues& c : channels(s))
            t += QStringLiteral("%1,%2,%3\n")
                     .arg(QLatin1String(c.name), LevelValueText(isLeft(c) ? s.levelLeft : s.levelRight), unit);
        return t;
    }
    QString t = humanHead(ctx) + setupLine(run);
    t += Say(kBand).arg(run.bandLow).arg(run.bandHigh).arg(run.filter) + QLatin1Char('\n');
    for (const ChannelValues& c : channels(s))
        t += QStringLiteral("%1: %2 %3\n")
                 .arg(Say(*c.words), nameWidth())
                 .arg(LevelValueText(isLeft(c) ? s.levelLeft : s.levelRight), unit);
    t += s.levelLine + QLatin1Char('\n');
    return t + humanVerdict(verdict);
}

QString ReportSweep(const SweepRun& run, const RunContext& ctx, const Verdict& verdict, OutputFormat format)
{
    const bool stereo = run.mode == kNoReference;
    const bool second = stereo || run.phaseOn;
    QStringList columns{QStringLiteral("frequency_hz")};
    columns << (stereo ? QStringLiteral("right_db") : QStringLiteral("gain_db"));
    if (second)
        columns << (stereo ? QStringLiteral("left_db") : QStringLiteral("phase_deg"));
    // A value without signal: null in JSON, empty in CSV, said in words in
    // the text.
    auto row = [&](const SweepPoint& p, const QString& sep, const QString& none) {
        auto cell = [&](float v) { return std::isnan(v) ? none : PointText(v); };
        QString line = PointText(p.frequency) + sep + cell(p.values.value1);
        if (second)
            line += sep + cell(p.values.value2);
        return line;
    };
    if (format == OutputFormat::Json) {
        static const char* kModes[] = {"left-ref", "right-ref", "stereo"};
        QStringList points, quotedColumns;
        for (const SweepPoint& p : run.points)
            points << QStringLiteral("[") + row(p, QStringLiteral(", "), QStringLiteral("null")) + QStringLiteral("]");
        for (const QString& c : columns)
            quotedColumns << Json::quoted(c);
        Json j = head(ctx);
        j.text("mode", QLatin1String(kModes[std::clamp(run.mode, 0, 2)])).flag("complete", run.complete);
        j.raw("columns", Json::list(quotedColumns)).raw("points", Json::list(points));
        return j.raw("verdict", verdictJson(verdict)).str() + QLatin1Char('\n');
    }
    QString t;
    if (format == OutputFormat::Csv) {
        t = columns.join(QLatin1Char(',')) + QLatin1Char('\n');
        for (const SweepPoint& p : run.points)
            t += row(p, QStringLiteral(","), QString()) + QLatin1Char('\n');
        return t;
    }
    t = humanHead(ctx) + columns.join(QStringLiteral("  ")) + QLatin1Char('\n');
    for (const SweepPoint& p : run.points)
        t += row(p, QStringLiteral("  "), Say(kNoSignal)) + QLatin1Char('\n');
    return t + humanVerdict(verdict);
}

QStringList NoSignalLines(const SweepRun& run)
{
    QStringList lines;
    for (const SweepPoint& p : run.points) {
        if (!p.silence.any())
            continue;
        const Words& which = p.silence.right && p.silence.left ? kEither : p.silence.right ? kOnRight : kOnLeft;
        lines << Say(kNoSignalOn).arg(PointText(p.frequency), Say(which));
    }
    return lines;
}

QString ReportDevices(const std::vector<DeviceEntry>& devices, const QString& backend, OutputFormat format)
{
    auto numbers = [](const std::vector<int>& v, const QString& sep) {
        QStringList s;
        for (int x : v)
            s << QString::number(x);
        return s.join(sep);
    };
    if (format == OutputFormat::Json) {
        QStringList list;
        for (const DeviceEntry& d : devices)
            list << Json()
                        .text("direction", d.input ? QStringLiteral("input") : QStringLiteral("output"))
                        .number("index", d.index)
                        .text("name", d.name)
                        .text("id", d.id)
                        .raw("rates", Json::list(numbers(d.rates, QStringLiteral(",")).split(',', Qt::SkipEmptyParts)))
                        .raw("widths", Json::list(numbers(d.widths, QStringLiteral(",")).split(',', Qt::SkipEmptyParts)))
                        .flag("answered", d.answered)
                        .str();
        Json j;
        j.text("schema", QStringLiteral("korvanta-measure")).number("version", 1).text("command", QStringLiteral("devices"));
        return j.text("backend", backend).raw("devices", Json::list(list)).str() + QLatin1Char('\n');
    }
    QString t;
    if (format == OutputFormat::Csv) {
        t = QStringLiteral("direction,index,name,id,rates,widths\n");
        for (const DeviceEntry& d : devices)
            t += QStringLiteral("%1,%2,%3,%4,%5,%6\n")
                     .arg(d.input ? QStringLiteral("input") : QStringLiteral("output"))
                     .arg(d.index)
                     .arg(Json::quoted(d.name), Json::quoted(d.id), numbers(d.rates, QStringLiteral(" ")),
                          numbers(d.widths, QStringLiteral(" ")));
        return t;
    }
    t = QStringLiteral("%1: %2\n").arg(Say(kBackend), backend);
    for (const DeviceEntry& d : devices) {
        t += QStringLiteral("%1 %2: %3\n    %4: %5\n")
                 .arg(Say(d.input ? kDeviceInput : kDeviceOutput))
                 .arg(d.index)
                 .arg(d.name, Say(kDeviceName), d.id);
        t += d.answered ? QStringLiteral("    %1\n    %2\n")
                              .arg(Say(kRatesAt16).arg(numbers(d.rates, QStringLiteral(" "))),
                                   Say(kWidths).arg(numbers(d.widths, QStringLiteral(" "))))
                        : QStringLiteral("    %1\n").arg(Say(kNoAnswer));
    }
    return t;
}

QString ReportGenerate(const GenerateRun& run, const RunContext& ctx, OutputFormat format)
{
    const QString seconds = QString::number(run.seconds, 'f', 1);
    if (format == OutputFormat::Json) {
        Json j = head(ctx);
        j.text("signal", run.signal).number("frequency_hz", run.frequency);
        j.number("level_left_db", run.levelLeft).number("level_right_db", run.levelRight);
        return j.raw("seconds", seconds).flag("interrupted", run.interrupted).str() + QLatin1Char('\n');
    }
    if (format == OutputFormat::Csv)
        return QStringLiteral("signal,frequency_hz,level_left_db,level_right_db,seconds\n%1,%2,%3,%4,%5\n")
            .arg(run.signal)
            .arg(run.frequency)
            .arg(run.levelLeft)
            .arg(run.levelRight)
            .arg(seconds);
    return humanHead(ctx) + Say(kPlayedSignal)
                                .arg(signalName(run.signal))
                                .arg(run.frequency)
                                .arg(run.levelLeft)
                                .arg(run.levelRight)
                                .arg(seconds, run.interrupted ? Say(kInterrupted) : QString()) +
           QLatin1Char('\n');
}

QString ReportDistortion(const DistortionRun& run, const RunContext& ctx, const Verdict& verdict, OutputFormat format)
{
    QStringList columns{QStringLiteral("level_dbfs"), QStringLiteral("frequency_hz"), QStringLiteral("volts_rms"),
                        QStringLiteral("watts"),      QStringLiteral("gain_db"),      QStringLiteral("thdn_percent"),
                        QStringLiteral("thdn_db"),    QStringLiteral("thd_db")};
    for (int h = 2; h <= kHarmonicCount + 1; ++h)
        columns << QStringLiteral("h%1_db").arg(h);
    auto clip = [](const std::optional<double>& w, const QString& none, const QString& unit = {}) {
        return w ? QString::number(*w, 'g', 4) + unit : none;
    };
    if (format == OutputFormat::Json) {
        QStringList points, quotedColumns;
        for (const DistortionPoint& p : run.points)
            points << Json::list(DistortionCells(p).replaceInStrings(QRegularExpression(QStringLiteral("^-$")),
                                                                     QStringLiteral("null")));
        for (const QString& c : columns)
            quotedColumns << Json::quoted(c);
        Json j = head(ctx);
        j.text("over", run.overFrequency ? QStringLiteral("frequency") : QStringLiteral("level"));
        j.flag("stopped_at_limit", run.stoppedAtLimit);
        j.raw("clip_1_percent_watts", clip(run.clip1Watts, QStringLiteral("null")));
        j.raw("clip_10_percent_watts", clip(run.clip10Watts, QStringLiteral("null")));
        j.raw("columns", Json::list(quotedColumns)).raw("points", Json::list(points));
        return j.raw("verdict", verdictJson(verdict)).str() + QLatin1Char('\n');
    }
    QString t;
    if (format == OutputFormat::Csv) {
        t = columns.join(QLatin1Char(',')) + QLatin1Char('\n');
        for (const DistortionPoint& p : run.points)
            t += DistortionCells(p).replaceInStrings(QRegularExpression(QStringLiteral("^-$")), QString()).join(QLatin1Char(','))
                 + QLatin1Char('\n');
        return t;
    }
    t = humanHead(ctx) + DistortionColumnHeads().join(QStringLiteral("  ")) + QLatin1Char('\n');
    for (const DistortionPoint& p : run.points)
        t += DistortionCells(p).join(QStringLiteral("  ")) + QLatin1Char('\n');
    if (!run.overFrequency)
        t += Say(kClipPoint).arg(clip(run.clip1Watts, Say(kNotReached), QStringLiteral(" W")),
                                 clip(run.clip10Watts, Say(kNotReached), QStringLiteral(" W"))) +
             QLatin1Char('\n');
    return t + humanVerdict(verdict);
}

} // namespace korvanta
