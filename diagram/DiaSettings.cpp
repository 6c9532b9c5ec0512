#include "diagram/DiaSettings.h"

#include "diagram/DiaScale.h"
#include "platform/ProfileStore.h"

#include <QFileInfo>
#include <cmath>

namespace korvanta {

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

ColorRef ReadColour(const ProfileStore& store, const QString& section, const ColourKey& k)
{
    bool ok = false;
    const qlonglong v = store.value(section, QLatin1String(k.key), QStringLiteral("1")).toLongLong(&ok);
    if (!ok || v == MissingColour || v < 0 || v > 0xFFFFFFFFLL)
        return k.defaultValue;
    return static_cast<ColorRef>(v);
}

bool ReadFlag(const ProfileStore& store, const QString& section, const char* key)
{
    return store.value(section, QLatin1String(key), QStringLiteral("TRUE")) != QLatin1String("FALSE");
}

QString FlagText(bool on) { return on ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); }

} // namespace

void LoadDiaSettings(const ProfileStore& store, DiagramOptions& opt, const QString& section)
{
    opt.separator = store.value(section, QStringLiteral("SEPARATOR"), QStringLiteral(","));
    for (const ColourKey& k : kColourKeys)
        opt.*k.field = ReadColour(store, section, k);
    opt.xLog = ReadFlag(store, section, "XLOG");
    opt.yStepAuto = ReadFlag(store, section, "YSTEPAUTO");
    bool ok = false;
    const float step = store.value(section, QStringLiteral("YDIASTEPS"), QStringLiteral("5")).toFloat(&ok);
    opt.yStep = (ok && step != 0.0f && std::isfinite(step)) ? step : 5.0f;
}

void SaveDiaSettings(ProfileStore& store, const DiagramOptions& opt, const QString& section)
{
    store.setValue(section, QStringLiteral("SEPARATOR"), opt.separator);
    for (const ColourKey& k : kColourKeys)
        store.setValue(section, QLatin1String(k.key), QString::number(opt.*k.field));
    store.setValue(section, QStringLiteral("XLOG"), FlagText(opt.xLog));
    store.setValue(section, QStringLiteral("YSTEPAUTO"), FlagText(opt.yStepAuto));
    store.setValue(section, QStringLiteral("YDIASTEPS"), FixedText(opt.yStep, 1));
}

void LoadDiaSettings(const QString& path, DiagramOptions& opt, const QString& section)
{
    ProfileStore store(path);
    store.load();
    LoadDiaSettings(store, opt, section);
}

bool SaveDiaSettings(const QString& path, const DiagramOptions& opt, const QString& section)
{
    ProfileStore store(path);
    // A file that exists but cannot be read is left alone: writing our
    // section into an empty store would drop everybody else's settings.
    if (!store.load() && QFileInfo::exists(path))
        return false;
    SaveDiaSettings(store, opt, section);
    return store.save();
}

} // namespace korvanta
