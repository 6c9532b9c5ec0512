#include "devicetest/DtWindowSection.h"

#include "platform/ProfileStore.h"
#include "platform/SettingsTable.h"

#include <QFileInfo>

namespace korvanta {

namespace {
const QString kSection = QStringLiteral("GERAETETEST");

constexpr double kPlacementLimit = 10000;

// The stored record: a placement as four numbers, the rest as it is.
struct Stored {
    QString note;
    int32_t selfTest = 0;
    int32_t x = 0, y = 0, w = 0, h = 0;
};

using Key = settings::Key<Stored>;

Key coordinate(const char* key, int32_t& (*field)(Stored&), double lo)
{
    return {.key = key, .text = "", .field = field, .number = {0.0, {}, {lo, kPlacementLimit}}, .realText = true};
}

const Key kNoteKeys[] = {
    {.key = "NOTE", .text = "", .field = settings::Of<Stored, &Stored::note>, .buffer = kDtNoteMaxLength + 4,
     .maxLength = kDtNoteMaxLength},
    {.key = "SELFTEST", .text = "0", .field = settings::Of<Stored, &Stored::selfTest>, .number = {0.0, {}, {0, 1}}},
};

const Key kPlaceKeys[] = {
    coordinate("X", settings::Of<Stored, &Stored::x>, -kPlacementLimit),
    coordinate("Y", settings::Of<Stored, &Stored::y>, -kPlacementLimit),
    coordinate("W", settings::Of<Stored, &Stored::w>, 0),
    coordinate("H", settings::Of<Stored, &Stored::h>, 0),
};

QRect readPlacement(const ProfileStore& store, const QString& section)
{
    Stored s;
    settings::ReadSection<Stored>(store, section, kPlaceKeys, s);
    return s.w > 0 && s.h > 0 ? QRect(s.x, s.y, s.w, s.h) : QRect();
}

void writePlacement(ProfileStore& store, const QString& section, const QRect& r)
{
    if (r.isEmpty())
        return;
    Stored s;
    s.x = r.x();
    s.y = r.y();
    s.w = r.width();
    s.h = r.height();
    settings::WriteSection<Stored>(store, section, kPlaceKeys, s);
}
} // namespace

void ReadDtWindowSection(DtWindowState& state, const QString& path)
{
    ProfileStore store(path);
    store.load();
    Stored s;
    settings::ReadSection<Stored>(store, kSection, kNoteKeys, s);
    state.note = s.note;
    state.selfTest = s.selfTest == 1;
    state.placement = readPlacement(store, kSection);
    state.diagramPlacement = readPlacement(store, DtDiagramSection);
}

bool WriteDtWindowSection(const DtWindowState& state, const QString& path)
{
    ProfileStore store(path);
    if (!store.load() && QFileInfo::exists(path))
        return false;
    Stored s;
    // One line: a line break would end the value in the file.
    s.note = DtNoteLine(state.note);
    s.selfTest = state.selfTest ? 1 : 0;
    settings::WriteSection<Stored>(store, kSection, kNoteKeys, s);
    writePlacement(store, kSection, state.placement);
    writePlacement(store, DtDiagramSection, state.diagramPlacement);
    return store.save();
}

} // namespace korvanta
