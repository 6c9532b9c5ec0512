#include "cli/ValueRanges.h"

#include "cli/CommandLanguage.h"
#include "generator/SweepSettings.h"
#include "ir/IrSection.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <type_traits>

namespace korvanta {

namespace {

constexpr Words kClamped{"[%1] %2=%3 in %4 liegt außerhalb von %5 bis %6 (dem Bereich von %7): %8 wird verwendet",
                         "[%1] %2=%3 in %4 lies outside %5 to %6 (the range of %7): %8 is used"};

// A settings file's value that an option stands for, in the process record
// the settings were read into.
struct StoredValue {
    Command command; // the command that uses it
    const char* section;
    const char* key;
    double (*get)(const SweepSettings&);
    void (*set)(SweepSettings&, double);
};

struct Row {
    ValueRange range;
    std::optional<StoredValue> stored;
};

// A field of the sweep record as a stored value.
template <auto Field>
double sweepValue(const SweepSettings& s)
{
    return double(s.*Field);
}
template <auto Field>
void setSweepValue(SweepSettings& s, double v)
{
    using T = std::remove_reference_t<decltype(s.*Field)>;
    s.*Field = static_cast<T>(v);
}
template <auto Field>
StoredValue sweepKey(const char* key)
{
    return {Command::Sweep, "WOB", key, sweepValue<Field>, setSweepValue<Field>};
}

const Row kRows[] = {
    {{"--rate", 1000, 384000, true}, {}},
    {{"--averages", 1, 9999, true}, {}},
    {{"--threshold", -200, 0, false}, {}},
    {{"--max-thdn", -400, 400, false}, {}},
    {{"--min-level", -400, 400, false}, {}},
    {{"--max-level", -400, 400, false}, {}},
    {{"--from", 1, 55200, true}, sweepKey<&SweepSettings::fromFrequency>("FROM")},
    {{"--to", 1, 55200, true}, sweepKey<&SweepSettings::toFrequency>("TO")},
    {{"--steps", 1, 511, true}, sweepKey<&SweepSettings::steps>("STEPS")},
    {{"--mode", 0, 2, true}, sweepKey<&SweepSettings::mode>("REFMESS")},
    {{"--level", -200, 0, false}, sweepKey<&SweepSettings::digitalLevel>("PEGDIG")},
    {{"--settle", 0, 10000, true}, sweepKey<&SweepSettings::settleMs>("STARTMESS")},
    {{"--frequency", 1, 48000, false}, {}},
    {{"--play", 1, 48000, false}, {}},
    {{"--phase-left", 0, 359, true}, {}},
    {{"--phase-right", 0, 359, true}, {}},
    {{"--duration", 0, 2000000, false}, {}},
    {{"--from-db", -120, 0, false}, {}},
    {{"--to-db", -120, 0, false}, {}},
    {{"--stop-thdn", 0, 100, false}, {}},
    {{"--load", 0.1, 1e6, false}, {}},
    {{"--divider", 1, 1e4, false}, {}},
    {{"--up-to-watts", 0, 1e9, false}, {}},
    {{"--min-clip-watts", 0, 1e9, false}, {}},
    {{"--min-dynamic-range", -400, 400, false}, {}},
    {{"--max-crosstalk", -400, 400, false}, {}},
    {{"--max-noise", -400, 400, false}, {}},
    {{"--max-imd", -400, 400, false}, {}},
    {{"--max-channel-match", 0, 400, false}, {}},
    {{"--seconds", 0.5, 20, false}, {}},
    {{"--tail", kIrMinTailSeconds, kIrMaxTailSeconds, false}, {}},
    {{"--count", 1, 64, true}, {}},
    {{"--smoothing", 3, 48, true}, {}},
};

QString numberText(double v, bool whole)
{
    return whole ? QString::number(static_cast<qint64>(v)) : QString::number(v, 'g', 10);
}

} // namespace

const ValueRange* RangeOfOption(const QString& option)
{
    for (const Row& row : kRows)
        if (option == QLatin1String(row.range.option))
            return &row.range;
    return nullptr;
}

QStringList OptionsWithRange()
{
    QStringList names;
    for (const Row& row : kRows)
        names << QLatin1String(row.range.option);
    return names;
}

QStringList ClampStoredValues(SweepSettings& sweep, Command command, const QStringList& givenOptions,
                              const QString& settingsPath)
{
    QStringList lines;
    for (const Row& row : kRows) {
        if (!row.stored || row.stored->command != command || givenOptions.contains(QLatin1String(row.range.option)))
            continue;
        const ValueRange& r = row.range;
        const double value = row.stored->get(sweep);
        // NaN is outside every range, and is clamped to the lower end.
        const double used = std::isnan(value) ? r.lo : std::clamp(value, r.lo, r.hi);
        if (used == value)
            continue;
        row.stored->set(sweep, used);
        lines << Say(kClamped)
                     .arg(QLatin1String(row.stored->section), QLatin1String(row.stored->key),
                          numberText(value, r.whole), settingsPath, numberText(r.lo, r.whole),
                          numberText(r.hi, r.whole), QLatin1String(r.option), numberText(used, r.whole));
    }
    return lines;
}

} // namespace korvanta
