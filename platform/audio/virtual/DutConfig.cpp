#include "platform/audio/virtual/DutConfig.h"

#include <QRegularExpression>
#include <cmath>

namespace korvanta {

namespace {
struct Parser {
    DutSpec spec;

    bool number(const QString& key, const QString& text, double& out, double lo, double hi)
    {
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (!ok || !std::isfinite(v) || v < lo || v > hi) {
            spec.errors << QStringLiteral("KORVANTA_DUT: %1=%2 is not a number from %3 to %4")
                               .arg(key, text).arg(lo).arg(hi);
            return false;
        }
        out = v;
        return true;
    }

    bool flag(const QString& key, const QString& text, bool& out)
    {
        double v = 0;
        if (!number(key, text, v, 0, 1))
            return false;
        out = v != 0;
        return true;
    }

    void external(const QString& text)
    {
        static const QStringList kinds = {"off", "sine", "square", "noise"};
        const qsizetype i = kinds.indexOf(text.toLower());
        if (i < 0)
            spec.errors << QStringLiteral("KORVANTA_DUT: ext=%1 is not off, sine, square or noise").arg(text);
        else
            spec.dut.ext = static_cast<ExternalKind>(i);
    }

    void fault(const QString& text)
    {
        static const QStringList names = {"none", "init", "open", "outopen", "close", "nodata", "short", "stall", "gone",
                                         "outstall", "outgone", "outerror", "overrun"};
        const QStringList parts = text.toLower().split(QLatin1Char(':'));
        const qsizetype i = names.indexOf(parts.value(0));
        if (i < 0) {
            spec.errors << QStringLiteral("KORVANTA_DUT: fault=%1 is not one of %2").arg(text, names.join(", "));
            return;
        }
        spec.fault = static_cast<VirtualFault>(i);
        double code = 0;
        if (parts.size() > 1 && number("fault code", parts[1], code, 1, 999))
            spec.faultCode = static_cast<int>(code);
    }

    // "44100/48000": a list of whole numbers, each one of `allowed` (or any
    // from lo to hi when `allowed` is empty).
    void list(const QString& key, const QString& text, std::vector<int>& out, int lo, int hi,
              const QList<int>& allowed = {})
    {
        static const QRegularExpression separators(QStringLiteral("[/:+]"));
        std::vector<int> values;
        for (const QString& item : text.split(separators, Qt::SkipEmptyParts)) {
            bool ok = false;
            const int v = item.toInt(&ok);
            if (!ok || v < lo || v > hi || (!allowed.isEmpty() && !allowed.contains(v))) {
                spec.errors << QStringLiteral("KORVANTA_DUT: %1=%2: \"%3\" is not a usable value").arg(key, text, item);
                return;
            }
            values.push_back(v == 24 && key == "bits" ? 32 : v);
        }
        if (values.empty())
            spec.errors << QStringLiteral("KORVANTA_DUT: %1= names no value").arg(key);
        else
            out = values;
    }

    // lpl/lpr, hpl/hpr, delayl/delayr: one channel only; 0 means none there.
    bool oneChannel(const QString& key, const QString& value)
    {
        static const QRegularExpression pattern(QStringLiteral("^(lp|hp|delay)([lr])$"));
        const auto m = pattern.match(key);
        if (!m.hasMatch())
            return false;
        DutConfig& d = spec.dut;
        const int c = m.captured(2) == QLatin1String("l") ? 0 : 1;
        const QString kind = m.captured(1);
        if (kind == QLatin1String("lp"))
            number(key, value, d.lowPassOne[c], 0, 1e6);
        else if (kind == QLatin1String("hp"))
            number(key, value, d.highPassOne[c], 0, 1e6);
        else
            number(key, value, d.delayOne[c], 0, 65536);
        return true;
    }

    // "3:-6": a reflection 3 ms after the sound, 6 dB weaker. Both parts are
    // checked before either is taken, so a bad item changes nothing.
    void echo(const QString& text)
    {
        const QStringList parts = text.split(QLatin1Char(':'));
        double ms = 0, db = 0;
        if (parts.size() != 2) {
            spec.errors << QStringLiteral("KORVANTA_DUT: echo=%1 is not ms:dB").arg(text);
            return;
        }
        if (number("echo ms", parts[0], ms, 0, 1000) && number("echo dB", parts[1], db, -300, 0)) {
            spec.dut.echoMs = ms;
            spec.dut.echoDb = db;
        }
    }

    void harmonic(int order, const QString& key, const QString& text)
    {
        double db = 0;
        if (!number(key, text, db, -300, 0))
            return;
        auto& h = spec.dut.harmonicsDb;
        if (static_cast<int>(h.size()) < order - 1)
            h.resize(order - 1, kOffDb);
        h[order - 2] = db;
    }

    void item(const QString& key, const QString& value)
    {
        DutConfig& d = spec.dut;
        double v = 0;
        static const QRegularExpression harmonicKey(QStringLiteral("^h([2-9])$"));
        const auto hm = harmonicKey.match(key);
        if (hm.hasMatch())
            harmonic(hm.captured(1).toInt(), key, value);
        else if (key == "gain" && number(key, value, v, -200, 60))
            d.gainDb[0] = d.gainDb[1] = v;
        else if (key == "gainl")
            number(key, value, d.gainDb[0], -200, 60);
        else if (key == "gainr")
            number(key, value, d.gainDb[1], -200, 60);
        else if (key == "lp")
            number(key, value, d.lowPassHz, 1, 1e6);
        else if (key == "hp")
            number(key, value, d.highPassHz, 0.1, 1e6);
        else if (key == "delay")
            number(key, value, d.delaySamples, 0, 65536);
        else if (key == "echo")
            echo(value);
        else if (key == "drift")
            number(key, value, d.driftPpm, -1000, 1000);
        else if (oneChannel(key, value))
            ;
        else if (key == "k2")
            number(key, value, d.k2, -100, 100);
        else if (key == "k3")
            number(key, value, d.k3, -100, 100);
        else if (key == "noise")
            number(key, value, d.noiseDb, -300, 20);
        else if (key == "xtalk" && number(key, value, v, -300, 0))
            d.xtalkLeftToRightDb = d.xtalkRightToLeftDb = v;
        else if (key == "xtalklr")
            number(key, value, d.xtalkLeftToRightDb, -300, 0);
        else if (key == "xtalkrl")
            number(key, value, d.xtalkRightToLeftDb, -300, 0);
        else if (key == "dc" && number(key, value, v, -2, 2))
            d.dc[0] = d.dc[1] = v;
        else if (key == "dcl")
            number(key, value, d.dc[0], -2, 2);
        else if (key == "dcr")
            number(key, value, d.dc[1], -2, 2);
        else if (key == "swap")
            flag(key, value, d.swap);
        else if (key == "invl")
            flag(key, value, d.invert[0]);
        else if (key == "invr")
            flag(key, value, d.invert[1]);
        else if (key == "ext")
            external(value);
        else if (key == "freq")
            number(key, value, d.extFreq, 0.01, 1e6);
        else if (key == "level")
            number(key, value, d.extLevelDb, -300, 20);
        else if (key == "fast") {
            bool f = false;
            if (flag(key, value, f))
                spec.fast = f;
        } else if (key == "fault")
            fault(value);
        else if (key == "rates")
            list(key, value, spec.rates, 1000, 384000);
        else if (key == "bits")
            list(key, value, spec.bits, 8, 32, {8, 16, 24, 32});
        else if (key == "volume" && number(key, value, v, 0, 100))
            spec.inputVolume = static_cast<int>(v);
        else if (!QStringList{"gain", "delay", "dc", "volume", "xtalk"}.contains(key))
            spec.errors << QStringLiteral("KORVANTA_DUT: unknown key \"%1\"").arg(key);
    }
};
} // namespace

DutConfig DefaultDut()
{
    DutConfig d;
    d.ext = ExternalKind::Sine;
    d.extFreq = 1000.0;
    d.extLevelDb = -10.0;
    d.harmonicsDb = {-70.0, -73.0, -80.0};
    d.noiseDb = -110.0;
    return d;
}

DutSpec ParseDutSpec(const QString& text)
{
    Parser p;
    static const QRegularExpression separators(QStringLiteral("[;,\\s]+"));
    for (const QString& raw : text.split(separators, Qt::SkipEmptyParts)) {
        const qsizetype eq = raw.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            p.spec.errors << QStringLiteral("KORVANTA_DUT: \"%1\" is not key=value").arg(raw);
            continue;
        }
        p.item(raw.left(eq).trimmed().toLower(), raw.mid(eq + 1).trimmed());
    }
    return p.spec;
}

} // namespace korvanta
