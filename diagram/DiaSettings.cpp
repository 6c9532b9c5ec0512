#include "DiaSettings.h"

#include "DiaScale.h"
#include "ProfileStore.h"

#include <QFileInfo>
#include <cmath>

namespace {

struct ColourKey {
    const char* key;
    ColorRef DiagramOptions::*field;
    ColorRef defaultValue;
};

const ColourKey kColourKeys[] = {
    {"COLCUR", &DiagramOptions::colCur, diacolor::Cursor},
    {"COLDIA", &DiagramOptions::colDia, diacolor::Diagram},
    {"COLGRID", &DiagramOptions::colGrid, diacolor::Grid},
    {"COLLINE1", &DiagramOptions::colLine1, diacolor::Line1},
    {"COLLINE2", &DiagramOptions::colLine2, diacolor::Line2},
    {"COLLINE3", &DiagramOptions::colLine3, diacolor::Line3},
    {"COLMARGIN", &DiagramOptions::colMargin, diacolor::Margin},
    {"COLTEXT", &DiagramOptions::colText, diacolor::Text},
};

// A missing colour key reads as "1", which can therefore never be a stored
// colour: it always means the default.
constexpr int MissingColour = 1;

ColorRef ReadColour(const ProfileStore& store, const ColourKey& k)
{
    bool ok = false;
    const qlonglong v = store.value(DiaSettingsSection, QLatin1String(k.key), QStringLiteral("1")).toLongLong(&ok);
    if (!ok || v == MissingColour || v < 0 || v > 0xFFFFFFFFLL)
        return k.defaultValue;
    return static_cast<ColorRef>(v);
}

bool ReadFlag(const ProfileStore& store, const char* key)
{
    return store.value(DiaSettingsSection, QLatin1String(key), QStringLiteral("TRUE")) != QLatin1String("FALSE");
}

QString FlagText(bool on) { return on ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); }

} // namespace

void LoadDiaSettings(const ProfileStore& store, DiagramOptions& opt)
{
    opt.separator = store.value(DiaSettingsSection, QStringLiteral("SEPARATOR"), QStringLiteral(","));
    for (const ColourKey& k : kColourKeys)
        opt.*k.field = ReadColour(store, k);
    opt.xLog = ReadFlag(store, "XLOG");
    opt.yStepAuto = ReadFlag(store, "YSTEPAUTO");
    bool ok = false;
    const float step = store.value(DiaSettingsSection, QStringLiteral("YDIASTEPS"), QStringLiteral("5")).toFloat(&ok);
    opt.yStep = (ok && step != 0.0f && std::isfinite(step)) ? step : 5.0f;
}

void SaveDiaSettings(ProfileStore& store, const DiagramOptions& opt)
{
    store.setValue(DiaSettingsSection, QStringLiteral("SEPARATOR"), opt.separator);
    for (const ColourKey& k : kColourKeys)
        store.setValue(DiaSettingsSection, QLatin1String(k.key), QString::number(opt.*k.field));
    store.setValue(DiaSettingsSection, QStringLiteral("XLOG"), FlagText(opt.xLog));
    store.setValue(DiaSettingsSection, QStringLiteral("YSTEPAUTO"), FlagText(opt.yStepAuto));
    store.setValue(DiaSettingsSection, QStringLiteral("YDIASTEPS"), FixedText(opt.yStep, 1));
}

void LoadDiaSettings(const QString& path, DiagramOptions& opt)
{
    ProfileStore store(path);
    store.load();
    LoadDiaSettings(store, opt);
}

bool SaveDiaSettings(const QString& path, const DiagramOptions& opt)
{
    ProfileStore store(path);
    // A file that exists but cannot be read is left alone: writing our
    // section into an empty store would drop everybody else's settings.
    if (!store.load() && QFileInfo::exists(path))
        return false;
    SaveDiaSettings(store, opt);
    return store.save();
}
