#include "generator/GeneratorSection.h"

#include "generator/GeneratorControls.h"
#include "platform/ProfileStore.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
const QString kSection = QStringLiteral("GEN");
constexpr int kReadBuffer = 200;
constexpr float kDefaultFrequency = 1000.0f;
constexpr int kModeCount = 5;

QString read(const ProfileStore& store, const char* key, const QString& fallback)
{
    return store.value(kSection, QLatin1String(key), fallback, kReadBuffer);
}

int readInt(const ProfileStore& store, const char* key, int fallback)
{
    bool ok = false;
    const int value = read(store, key, QString()).trimmed().toInt(&ok);
    return ok ? value : fallback;
}

float readFrequency(const ProfileStore& store, bool loopMode)
{
    bool ok = false;
    double hz = read(store, "FGEN", QStringLiteral("1000")).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(hz) || hz < 0.0)
        hz = kDefaultFrequency;
    hz = std::min(hz, double(kMaxGeneratorFrequency));
    if (loopMode && hz < 1.0)
        hz = 1.0;
    return float(hz);
}
} // namespace

GeneratorSettings& Generator()
{
    static GeneratorSettings settings;
    return settings;
}

GeneratorSettings InitialGeneratorSettings()
{
    GeneratorSettings s;
    s.frequency = kDefaultFrequency;
    s.levelLeft = s.levelRight = 0;
    s.phaseLeft = s.phaseRight = 0;
    s.mode = 0;
    s.userFileName.clear();
    s.userWavePlaying = false;
    s.loopMode = true;
    return s;
}

void ReadGeneratorSection(GeneratorSettings& settings, const QString& path)
{
    ProfileStore store(path);
    store.load();
    settings.loopMode = readInt(store, "BELOOP", 1) == 1;
    settings.frequency = readFrequency(store, settings.loopMode);
    settings.phaseLeft = readInt(store, "PHASEL", 0);
    settings.phaseRight = readInt(store, "PHASER", 0);
    settings.levelLeft = std::clamp(readInt(store, "VOLL", 0), int(GeneratorSettings::kLevelOff), 0);
    settings.levelRight = std::clamp(readInt(store, "VOLR", 0), int(GeneratorSettings::kLevelOff), 0);
    const int mode = readInt(store, "MODE", 0);
    settings.mode = mode >= 0 && mode < kModeCount ? mode : 0;
    settings.userFileName = read(store, "UFNAME", QString()).left(GeneratorSettings::kMaxFileName);
}

bool WriteGeneratorSection(const GeneratorSettings& settings, const QString& path)
{
    ProfileStore store(path);
    if (!store.load() && QFileInfo::exists(path))
        return false;
    store.setValue(kSection, QStringLiteral("FGEN"), QString::number(double(settings.frequency), 'f', 2));
    store.setValue(kSection, QStringLiteral("PHASEL"), QString::number(settings.phaseLeft));
    store.setValue(kSection, QStringLiteral("PHASER"), QString::number(settings.phaseRight));
    store.setValue(kSection, QStringLiteral("VOLL"), QString::number(settings.levelLeft));
    store.setValue(kSection, QStringLiteral("VOLR"), QString::number(settings.levelRight));
    store.setValue(kSection, QStringLiteral("MODE"), QString::number(settings.mode));
    store.setValue(kSection, QStringLiteral("UFNAME"), settings.userFileName);
    store.setValue(kSection, QStringLiteral("BELOOP"), settings.loopMode ? QStringLiteral("1") : QStringLiteral("0"));
    return store.save();
}

} // namespace korvanta
