#include "distortion/DistortionSection.h"

#include "platform/ProfileStore.h"
#include "platform/SettingsTable.h"

#include <QFileInfo>

namespace korvanta {

namespace {
const QString kSection = QStringLiteral("VERZERR");

using settings::Coded;
using State = DistortionWindowState;
using Key = settings::Key<State>;

const DistortionSettings kDefaults{};
constexpr double kPlacementLimit = 10000;
constexpr double kMaxHz = 100000;
constexpr int kMaxSteps = 500;
constexpr double kMaxLoadOhms = 1e6;
constexpr double kMaxDivider = 1e4;
constexpr int kMaxSettleMs = 10000;

// Every value is written as the shortest text that gives it back.
QString shortest(double v) { return QString::number(v, 'g', 10); }

// Each number is read as a real; outside its range, or unreadable, it takes
// its default, so a damaged file never starts a run at a harmful level.
Key row(const char* key, settings::Field<State> field, double fallback, double lo, double hi)
{
    return {.key = key, .text = "", .field = field, .number = {fallback, {}, {lo, hi}}, .realText = true,
            .format = shortest};
}

template <auto Member>
constexpr auto onRun = +[](State& s) -> auto& { return s.run.*Member; };
template <auto Member>
constexpr auto onLevels = +[](State& s) -> auto& { return s.run.levels.*Member; };
template <auto Member>
constexpr auto onScale = +[](State& s) -> auto& { return s.run.scale.*Member; };

// A choice is stored as 1 or 0; only 1 selects the second one.
const Coded<State> kSweep{[](const State& s) { return s.run.sweep == DistortionSweep::Frequency ? 1.0 : 0.0; },
                          [](State& s, double v) {
                              s.run.sweep = v == 1 ? DistortionSweep::Frequency : DistortionSweep::Level;
                          }};
const Coded<State> kSpacing{
    [](const State& s) { return s.run.levels.spacing == LevelSpacing::Linear ? 1.0 : 0.0; },
    [](State& s, double v) { s.run.levels.spacing = v == 1 ? LevelSpacing::Linear : LevelSpacing::Decibel; }};

using D = DistortionSettings;
using L = LevelPlan;
using O = OutputScale;

const Key kKeys[] = {
    row("SWEEP", kSweep, 0, 0, 1),
    row("FROMDB", onLevels<&L::startDb>, kDefaults.levels.startDb, -120, 0),
    row("TODB", onLevels<&L::stopDb>, kDefaults.levels.stopDb, -120, 0),
    row("STEPS", onLevels<&L::steps>, kDefaults.levels.steps, 1, kMaxSteps),
    row("LINEAR", kSpacing, 0, 0, 1),
    row("LIMIT", onLevels<&L::limitPercent>, kDefaults.levels.limitPercent, 0, 100),
    row("FREQ", onRun<&D::frequency>, kDefaults.frequency, 1, kMaxHz),
    row("FROMHZ", onRun<&D::fromHz>, kDefaults.fromHz, 1, kMaxHz),
    row("TOHZ", onRun<&D::toHz>, kDefaults.toHz, 1, kMaxHz),
    row("FSTEPS", onRun<&D::frequencySteps>, kDefaults.frequencySteps, 1, kMaxSteps),
    row("LEVEL", onRun<&D::fixedLevelDb>, kDefaults.fixedLevelDb, -120, 0),
    row("CHANNEL", onRun<&D::channel>, 0, 0, 1),
    row("LOAD", onScale<&O::loadOhms>, kDefaults.scale.loadOhms, 0.1, kMaxLoadOhms),
    row("DIVIDER", onScale<&O::divider>, kDefaults.scale.divider, 1, kMaxDivider),
    row("SETTLE", onRun<&D::settleMs>, kDefaults.settleMs, 0, kMaxSettleMs),
    row("CURVE1", settings::Of<State, &State::curve1>, 0, 0, kDistortionQuantityCount - 1),
    // One past the last quantity: no second curve.
    row("CURVE2", settings::Of<State, &State::curve2>, int(DistortionQuantity::H3), 0, kDistortionQuantityCount),
};

// A window placement, in the window's section and in its diagram's. It is
// written only when the window has been placed.
struct Placement {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
};

const settings::Key<Placement> kPlacementKeys[] = {
    {.key = "X", .text = "", .field = settings::Of<Placement, &Placement::x>,
     .number = {0.0, {}, {-kPlacementLimit, kPlacementLimit}}, .realText = true},
    {.key = "Y", .text = "", .field = settings::Of<Placement, &Placement::y>,
     .number = {0.0, {}, {-kPlacementLimit, kPlacementLimit}}, .realText = true},
    {.key = "W", .text = "", .field = settings::Of<Placement, &Placement::w>,
     .number = {0.0, {}, {0, kPlacementLimit}}, .realText = true},
    {.key = "H", .text = "", .field = settings::Of<Placement, &Placement::h>,
     .number = {0.0, {}, {0, kPlacementLimit}}, .realText = true},
};

QRect readPlacement(const ProfileStore& store, const QString& section)
{
    Placement p;
    settings::ReadSection<Placement>(store, section, kPlacementKeys, p);
    if (p.w <= 0 || p.h <= 0)
        return QRect();
    return QRect(p.x, p.y, p.w, p.h);
}

void writePlacement(ProfileStore& store, const QString& section, const QRect& r)
{
    if (r.isEmpty())
        return;
    Placement p{r.x(), r.y(), r.width(), r.height()};
    settings::WriteSection<Placement>(store, section, kPlacementKeys, p);
}
} // namespace

void ReadDistortionSection(DistortionWindowState& state, const QString& path)
{
    ProfileStore store(path);
    store.load();
    settings::ReadSection<State>(store, kSection, kKeys, state);
    // A plan whose end is not beyond its start takes the default plan.
    DistortionSettings& s = state.run;
    if (s.levels.stopDb <= s.levels.startDb) {
        s.levels.startDb = kDefaults.levels.startDb;
        s.levels.stopDb = kDefaults.levels.stopDb;
    }
    if (s.toHz <= s.fromHz) {
        s.fromHz = kDefaults.fromHz;
        s.toHz = kDefaults.toHz;
    }
    state.placement = readPlacement(store, kSection);
    state.diagramPlacement = readPlacement(store, DistortionDiagramSection);
}

bool WriteDistortionSection(const DistortionWindowState& state, const QString& path)
{
    ProfileStore store(path);
    if (!store.load() && QFileInfo::exists(path))
        return false;
    DistortionWindowState record = state;
    settings::WriteSection<State>(store, kSection, kKeys, record);
    writePlacement(store, kSection, state.placement);
    writePlacement(store, DistortionDiagramSection, state.diagramPlacement);
    return store.save();
}

} // namespace korvanta
