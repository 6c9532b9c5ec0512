#include "cli/Limits.h"

#include "cli/CommandLanguage.h"

#include <cmath>

namespace korvanta {

namespace {

constexpr Words kLeft{"links", "left"};
constexpr Words kRight{"rechts", "right"};
constexpr Words kNoFundamental{"%1: keine Grundwelle über der Schwelle", "%1: no fundamental above the threshold"};
constexpr Words kThdnAbove{"%1: THD+N %2 dB über der Grenze %3 dB", "%1: THD+N %2 dB above the limit %3 dB"};
constexpr Words kLevelBelow{"%1: Pegel %2%3 unter der Grenze %4", "%1: level %2%3 below the limit %4"};
constexpr Words kLevelAbove{"%1: Pegel %2%3 über der Grenze %4", "%1: level %2%3 above the limit %4"};
constexpr Words kOutside{"%1 Hz: %2 %3 dB außerhalb %4 .. %5 dB", "%1 Hz: %2 %3 dB outside %4 .. %5 dB"};
constexpr Words kGain{"Verstärkung", "gain"};
constexpr Words kRightLevel{"Pegel rechts", "right level"};
constexpr Words kLeftLevel{"Pegel links", "left level"};

struct Channel {
    const Words& name;
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
    } channels[] = {{{kLeft, s.leftOn}, s.thdLeft, s.fundamentalLeft},
                    {{kRight, s.rightOn}, s.thdRight, s.fundamentalRight}};
    for (const auto& ch : channels) {
        if (!ch.c.on)
            continue;
        if (ch.fundamental == 0.0) {
            v.failures << Say(kNoFundamental).arg(Say(ch.c.name));
            continue;
        }
        const QString text = ThdValueText(ch.thd);
        if (printed(text) > *maxDb)
            v.failures << Say(kThdnAbove)
                              .arg(Say(ch.c.name), text)
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
    } channels[] = {{{kLeft, s.leftOn}, s.levelLeft}, {{kRight, s.rightOn}, s.levelRight}};
    for (const auto& ch : channels) {
        if (!ch.c.on)
            continue;
        const QString text = LevelValueText(ch.level);
        const double value = printed(text);
        if (minDb && value < *minDb)
            v.failures << Say(kLevelBelow)
                              .arg(Say(ch.c.name), text, s.unitLabel)
                              .arg(*minDb);
        if (maxDb && value > *maxDb)
            v.failures << Say(kLevelAbove)
                              .arg(Say(ch.c.name), text, s.unitLabel)
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
            const Words& what;
            float value;
            bool checked;
        } values[] = {{stereo ? kRightLevel : kGain, p.values.value1, true}, {kLeftLevel, p.values.value2, stereo}};
        for (const auto& val : values) {
            if (!val.checked || std::isnan(val.value))
                continue;
            const QString text = PointText(val.value);
            const double x = printed(text);
            if (x < limits->min || x > limits->max)
                v.failures << Say(kOutside)
                                  .arg(PointText(p.frequency), Say(val.what), text,
                                       QString::number(limits->min, 'f', 2), QString::number(limits->max, 'f', 2));
        }
    }
    return v;
}

} // namespace korvanta
