#include "diagram/DiaSettings.h"

#include "platform/ProfileStore.h"
#include "platform/SettingsTable.h"

#include <QFileInfo>

namespace korvanta {

namespace {

using settings::Of;
using Key = settings::Key<DiagramOptions>;
using D = DiagramOptions;

// A missing colour key reads as "1", which can therefore never be a stored
// colour: it always means the default. So do negative numbers and numbers
// beyond 32 bits.
constexpr double kMissingColour = 1;
constexpr double kDefaultYStep = 5;

constexpr settings::NumberRule colour(ColorRef defaultValue) { return {defaultValue, kMissingColour}; }

const Key kKeys[] = {
    {"SEPARATOR", ",", Of<D, &D::separator>},
    {"COLCUR", "1", Of<D, &D::colCur>, colour(diacolor::Cursor)},
    {"COLDIA", "1", Of<D, &D::colDia>, colour(diacolor::Diagram)},
    {"COLGRID", "1", Of<D, &D::colGrid>, colour(diacolor::Grid)},
    {"COLLINE1", "1", Of<D, &D::colLine1>, colour(diacolor::Line1)},
    {"COLLINE2", "1", Of<D, &D::colLine2>, colour(diacolor::Line2)},
    {"COLLINE3", "1", Of<D, &D::colLine3>, colour(diacolor::Line3)},
    {"COLMARGIN", "1", Of<D, &D::colMargin>, colour(diacolor::Margin)},
    {"COLTEXT", "1", Of<D, &D::colText>, colour(diacolor::Text)},
    {"XLOG", "TRUE", Of<D, &D::xLog>},
    {"YSTEPAUTO", "TRUE", Of<D, &D::yStepAuto>},
    // A step of zero would never move the spin box.
    {"YDIASTEPS", "5", Of<D, &D::yStep>, {kDefaultYStep, 0.0}, 1},
};

} // namespace

void LoadDiaSettings(const ProfileStore& store, DiagramOptions& opt, const QString& section)
{
    settings::ReadSection<DiagramOptions>(store, section, kKeys, opt);
}

void SaveDiaSettings(ProfileStore& store, const DiagramOptions& opt, const QString& section)
{
    DiagramOptions record = opt;
    settings::WriteSection<DiagramOptions>(store, section, kKeys, record);
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
