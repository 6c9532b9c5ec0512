#include "analysis/AnalysisSettings.h"

#include "correction/CorrectionFile.h"
#include "platform/ProfileStore.h"
#include "platform/SettingsTable.h"
#include "analysis/WeightingCurves.h"

#include <cmath>

namespace korvanta {

namespace {

const QString kSection = QStringLiteral("ANALYSE");

// The dialog shows the threshold in dB with one decimal; a stored value may
// differ from the true one by no more than half of that.
constexpr double kThresholdToleranceDb = 0.05;
constexpr int kUserFileBuffer = 1024;

QString formatNumber(double v) { return QString::number(v, 'g', 15); }

// What the section holds: the settings and the file of a "USER" weighting.
struct Stored {
    AnalysisSettings& settings;
    QString userFile;
};

template <auto Member>
constexpr auto on = +[](Stored& r) -> auto& { return r.settings.*Member; };

using settings::kNoLimit;
using settings::kPositive;
using S = AnalysisSettings;

// Numbers are taken positive; zero or unreadable gives the default.
constexpr settings::NumberRule positive(double defaultValue) { return {defaultValue, {}, kPositive, {}, true}; }

const settings::Key<Stored> kKeys[] = {
    {"THDMESS", "FALSE", on<&S::thdOn>},
    {"NOISEMESS", "FALSE", on<&S::levelOn>},
    {"FUNDAUTO", "TRUE", on<&S::fundamentalAuto>},
    {.key = "FUNDAMENTAL", .text = "", .field = on<&S::fundamental>, .number = positive(1000.0), .format = formatNumber},
    {"FVON", "", on<&S::bandLow>, positive(100)},
    {"FBIS", "", on<&S::bandHigh>, positive(20000)},
    {.key = "FUNDLOW", .text = "", .field = on<&S::fundamentalThreshold>, .number = positive(0.001), .format = FormatThreshold},
    {"FILTER", "none", on<&S::filterName>},
    {.key = "USERFILE", .text = "", .field = +[](Stored& r) -> QString& { return r.userFile; }, .buffer = kUserFileBuffer},
};

} // namespace

void AnalysisSettings::toggleThd()
{
    thdOn = !thdOn;
    if (thdOn)
        levelOn = false;
}

void AnalysisSettings::toggleLevel()
{
    levelOn = !levelOn;
    if (levelOn)
        thdOn = false;
}

void SelectFilter(AnalysisSettings& settings, CorrectionTable& weighting, const QString& name)
{
    if (SelectWeighting(weighting, name)) {
        settings.filterName = name;
        return;
    }
    SelectWeighting(weighting, kWeightingNone);
    settings.filterName = kWeightingNone;
}

void ReadAnalysisSection(AnalysisSettings& s, CorrectionTable& weighting, const QString& path)
{
    ProfileStore store(path);
    store.load();
    Stored stored{s, {}};
    settings::ReadSection<Stored>(store, kSection, kKeys, stored);
    // The two read-outs share one line; a file with both on shows THD+N.
    s.levelOn = s.levelOn && !s.thdOn;
    const QString filter = s.filterName;
    if (filter == kWeightingUser && !stored.userFile.isEmpty())
        LoadCorrection(weighting, stored.userFile);
    SelectFilter(s, weighting, filter);
}

bool WriteAnalysisSection(const AnalysisSettings& s, const CorrectionTable& weighting, const QString& path)
{
    ProfileStore store(path);
    store.load();
    AnalysisSettings copy = s;
    // Without the file name a "USER" curve would be gone after a restart
    // while the read-outs still named it.
    Stored stored{copy, s.filterName == kWeightingUser ? weighting.fileName : QString()};
    settings::WriteSection<Stored>(store, kSection, kKeys, stored);
    return store.save();
}

QString FormatThreshold(double threshold)
{
    const QString fixed = QString::number(threshold, 'f', 7);
    if (threshold <= 0.0 || !std::isfinite(threshold))
        return fixed;
    const double back = fixed.toDouble();
    if (back > 0.0 && std::abs(20.0 * std::log10(back / threshold)) <= kThresholdToleranceDb)
        return fixed;
    return QString::number(threshold, 'g', 8);
}

} // namespace korvanta
