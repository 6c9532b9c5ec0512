#include "analysis/AnalysisSettings.h"

#include "correction/CorrectionFile.h"
#include "platform/ProfileStore.h"
#include "analysis/WeightingCurves.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace korvanta {

namespace {

const QString kSection = QStringLiteral("ANALYSE");

// The dialog shows the threshold in dB with one decimal; a stored value may
// differ from the true one by no more than half of that.
constexpr double kThresholdToleranceDb = 0.05;

QString flag(bool on) { return on ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); }

// Every text except exactly "FALSE" counts as true.
bool readFlag(const ProfileStore& store, const QString& key, const char* defaultText)
{
    return store.value(kSection, key, QString::fromLatin1(defaultText)) != QLatin1String("FALSE");
}

// A whole number, taken positive; zero, unreadable or too large gives the default.
int readPositiveInt(const ProfileStore& store, const QString& key, int defaultValue)
{
    bool ok = false;
    const qlonglong v = store.value(kSection, key, QString()).toLongLong(&ok);
    const qlonglong magnitude = v < 0 ? -v : v;
    if (!ok || magnitude == 0 || magnitude > std::numeric_limits<int>::max())
        return defaultValue;
    return static_cast<int>(magnitude);
}

// A decimal number, taken positive; zero or unreadable gives the default.
double readPositiveDouble(const ProfileStore& store, const QString& key, double defaultValue)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(store.value(kSection, key, QString()), &ok);
    if (!ok || !std::isfinite(v) || v == 0.0)
        return defaultValue;
    return std::abs(v);
}

QString formatNumber(double v) { return QString::number(v, 'g', 15); }

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

AnalysisSettings& Analysis()
{
    static AnalysisSettings settings;
    return settings;
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
    s.thdOn = readFlag(store, QStringLiteral("THDMESS"), "FALSE");
    // The two read-outs share one line; a file with both on shows THD+N.
    s.levelOn = readFlag(store, QStringLiteral("NOISEMESS"), "FALSE") && !s.thdOn;
    s.fundamentalAuto = readFlag(store, QStringLiteral("FUNDAUTO"), "TRUE");
    s.fundamental = readPositiveDouble(store, QStringLiteral("FUNDAMENTAL"), 1000.0);
    s.bandLow = readPositiveInt(store, QStringLiteral("FVON"), 100);
    s.bandHigh = readPositiveInt(store, QStringLiteral("FBIS"), 20000);
    s.fundamentalThreshold = readPositiveDouble(store, QStringLiteral("FUNDLOW"), 0.001);
    const QString filter = store.value(kSection, QStringLiteral("FILTER"), kWeightingNone);
    const QString userFile = store.value(kSection, QStringLiteral("USERFILE"), QString(), 1024);
    if (filter == kWeightingUser && !userFile.isEmpty())
        LoadCorrection(weighting, userFile);
    SelectFilter(s, weighting, filter);
}

bool WriteAnalysisSection(const AnalysisSettings& s, const CorrectionTable& weighting, const QString& path)
{
    ProfileStore store(path);
    store.load();
    store.setValue(kSection, QStringLiteral("THDMESS"), flag(s.thdOn));
    store.setValue(kSection, QStringLiteral("NOISEMESS"), flag(s.levelOn));
    store.setValue(kSection, QStringLiteral("FUNDAUTO"), flag(s.fundamentalAuto));
    store.setValue(kSection, QStringLiteral("FUNDAMENTAL"), formatNumber(s.fundamental));
    store.setValue(kSection, QStringLiteral("FVON"), QString::number(s.bandLow));
    store.setValue(kSection, QStringLiteral("FBIS"), QString::number(s.bandHigh));
    store.setValue(kSection, QStringLiteral("FUNDLOW"), FormatThreshold(s.fundamentalThreshold));
    store.setValue(kSection, QStringLiteral("FILTER"), s.filterName);
    // Without the file name a "USER" curve would be gone after a restart
    // while the read-outs still named it.
    const bool user = s.filterName == kWeightingUser;
    store.setValue(kSection, QStringLiteral("USERFILE"), user ? weighting.fileName : QString());
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
