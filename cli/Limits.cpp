#include "cli/Limits.h"

#include <cmath>

namespace korvanta {

namespace {

struct Channel {
    const char* name;
    bool on;
};

// The printed value back as a number: limits judge what the user sees.
double printed(const QString& text) { return text.toDouble(); }

} // namespace

Verdict CheckThdn(const AnalyzerSpectrum& s, std::optional<double> maxDb)
{
    Verdict v;
    v.checked = maxDb.has_value();
    if (!maxDb)
        return v;
    const struct {
        Channel c;
        double thd;
        double fundamental;
    } channels[] = {{{"left", s.leftOn}, s.thdLeft, s.fundamentalLeft},
                    {{"right", s.rightOn}, s.thdRight, s.fundamentalRight}};
    for (const auto& ch : channels) {
        if (!ch.c.on)
            continue;
        if (ch.fundamental == 0.0) {
            v.failures << QStringLiteral("%1: no fundamental above the threshold").arg(QLatin1String(ch.c.name));
            continue;
        }
        const QString text = ThdValueText(ch.thd);
        if (printed(text) > *maxDb)
            v.failures << QStringLiteral("%1: THD+N %2 dB above the limit %3 dB")
                              .arg(QLatin1String(ch.c.name), text)
                              .arg(*maxDb);
    }
    return v;
}

Verdict CheckLevel(const AnalyzerSpectrum& s, std::optional<double> minDb, std::optional<double> maxDb)
{
    Verdict v;
    v.checked = minDb || maxDb;
    const struct {
        Channel c;
        double level;
    } channels[] = {{{"left", s.leftOn}, s.levelLeft}, {{"right", s.rightOn}, s.levelRight}};
    for (const auto& ch : channels) {
        if (!ch.c.on)
            continue;
        const QString text = LevelValueText(ch.level);
        const double value = printed(text);
        if (minDb && value < *minDb)
            v.failures << QStringLiteral("%1: level %2%3 below the limit %4")
                              .arg(QLatin1String(ch.c.name), text, s.unitLabel)
                              .arg(*minDb);
        if (maxDb && value > *maxDb)
            v.failures << QStringLiteral("%1: level %2%3 above the limit %4")
                              .arg(QLatin1String(ch.c.name), text, s.unitLabel)
                              .arg(*maxDb);
    }
    return v;
}

Verdict CheckSweep(const SweepRun& run, const ToleranceBand& band)
{
    Verdict v;
    v.checked = true;
    // A point that heard nothing was not measured, wherever the band reaches.
    v.failures << NoSignalLines(run);
    const bool stereo = run.mode == kNoReference;
    for (const SweepPoint& p : run.points) {
        const auto limits = band.at(p.frequency);
        if (!limits)
            continue;
        const struct {
            const char* what;
            float value;
            bool checked;
        } values[] = {{stereo ? "right level" : "gain", p.values.value1, true},
                      {"left level", p.values.value2, stereo}};
        for (const auto& val : values) {
            if (!val.checked || std::isnan(val.value))
                continue;
            const QString text = PointText(val.value);
            const double x = printed(text);
            if (x < limits->min || x > limits->max)
                v.failures << QStringLiteral("%1 Hz: %2 %3 dB outside %4 .. %5 dB")
                                  .arg(PointText(p.frequency), QLatin1String(val.what), text,
                                       QString::number(limits->min, 'f', 2), QString::number(limits->max, 'f', 2));
        }
    }
    return v;
}

} // namespace korvanta
