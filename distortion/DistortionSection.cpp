#include "distortion/DistortionSection.h"

#include "platform/ProfileStore.h"
#include "platform/IniValues.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
const QString kSection = QStringLiteral("VERZERR");

double readNumber(const ProfileStore& store, const char* key, double fallback, double lo, double hi,
                  const QString& section = kSection)
{
    const auto v = ini::ParseDouble(store.value(section, QLatin1String(key), QString()));
    return v && *v >= lo && *v <= hi ? *v : fallback;
}

void write(ProfileStore& store, const char* key, double value, const QString& section = kSection)
{
    store.setValue(section, QLatin1String(key), QString::number(value, 'g', 10));
}

QRect readPlacement(const ProfileStore& store, const QString& section)
{
    const int w = int(readNumber(store, "W", 0, 0, 10000, section));
    const int h = int(readNumber(store, "H", 0, 0, 10000, section));
    if (w <= 0 || h <= 0)
        return QRect();
    return QRect(int(readNumber(store, "X", 0, -10000, 10000, section)),
                 int(readNumber(store, "Y", 0, -10000, 10000, section)), w, h);
}

void writePlacement(ProfileStore& store, const QString& section, const QRect& r)
{
    if (r.isEmpty())
        return;
    write(store, "X", r.x(), section);
    write(store, "Y", r.y(), section);
    write(store, "W", r.width(), section);
    write(store, "H", r.height(), section);
}
} // namespace

void ReadDistortionSection(DistortionWindowState& state, const QString& path)
{
    ProfileStore store(path);
    store.load();
    DistortionSettings& s = state.run;
    const DistortionSettings d;
    s.sweep = readNumber(store, "SWEEP", 0, 0, 1) == 1 ? DistortionSweep::Frequency : DistortionSweep::Level;
    s.levels.startDb = readNumber(store, "FROMDB", d.levels.startDb, -120, 0);
    s.levels.stopDb = readNumber(store, "TODB", d.levels.stopDb, -120, 0);
    if (s.levels.stopDb <= s.levels.startDb) {
        s.levels.startDb = d.levels.startDb;
        s.levels.stopDb = d.levels.stopDb;
    }
    s.levels.steps = int(readNumber(store, "STEPS", d.levels.steps, 1, 500));
    s.levels.spacing = readNumber(store, "LINEAR", 0, 0, 1) == 1 ? LevelSpacing::Linear : LevelSpacing::Decibel;
    s.levels.limitPercent = readNumber(store, "LIMIT", d.levels.limitPercent, 0, 100);
    s.frequency = readNumber(store, "FREQ", d.frequency, 1, 100000);
    s.fromHz = readNumber(store, "FROMHZ", d.fromHz, 1, 100000);
    s.toHz = readNumber(store, "TOHZ", d.toHz, 1, 100000);
    if (s.toHz <= s.fromHz) {
        s.fromHz = d.fromHz;
        s.toHz = d.toHz;
    }
    s.frequencySteps = int(readNumber(store, "FSTEPS", d.frequencySteps, 1, 500));
    s.fixedLevelDb = readNumber(store, "LEVEL", d.fixedLevelDb, -120, 0);
    s.channel = int(readNumber(store, "CHANNEL", 0, 0, 1));
    s.scale.loadOhms = readNumber(store, "LOAD", d.scale.loadOhms, 0.1, 1e6);
    s.scale.divider = readNumber(store, "DIVIDER", d.scale.divider, 1, 1e4);
    s.settleMs = int(readNumber(store, "SETTLE", d.settleMs, 0, 10000));
    state.curve1 = int(readNumber(store, "CURVE1", 0, 0, kDistortionQuantityCount - 1));
    // One past the last quantity: no second curve.
    state.curve2 = int(readNumber(store, "CURVE2", int(DistortionQuantity::H3), 0, kDistortionQuantityCount));
    state.placement = readPlacement(store, kSection);
    state.diagramPlacement = readPlacement(store, DistortionDiagramSection);
}

bool WriteDistortionSection(const DistortionWindowState& state, const QString& path)
{
    ProfileStore store(path);
    if (!store.load() && QFileInfo::exists(path))
        return false;
    const DistortionSettings& s = state.run;
    write(store, "SWEEP", s.sweep == DistortionSweep::Frequency ? 1 : 0);
    write(store, "FROMDB", s.levels.startDb);
    write(store, "TODB", s.levels.stopDb);
    write(store, "STEPS", s.levels.steps);
    write(store, "LINEAR", s.levels.spacing == LevelSpacing::Linear ? 1 : 0);
    write(store, "LIMIT", s.levels.limitPercent);
    write(store, "FREQ", s.frequency);
    write(store, "FROMHZ", s.fromHz);
    write(store, "TOHZ", s.toHz);
    write(store, "FSTEPS", s.frequencySteps);
    write(store, "LEVEL", s.fixedLevelDb);
    write(store, "CHANNEL", s.channel);
    write(store, "LOAD", s.scale.loadOhms);
    write(store, "DIVIDER", s.scale.divider);
    write(store, "SETTLE", s.settleMs);
    write(store, "CURVE1", state.curve1);
    write(store, "CURVE2", state.curve2);
    writePlacement(store, kSection, state.placement);
    writePlacement(store, DistortionDiagramSection, state.diagramPlacement);
    return store.save();
}

} // namespace korvanta
