#include "ir/IrSection.h"

#include "ir/IrView.h"
#include "platform/ProfileStore.h"
#include "platform/SettingsTable.h"

#include <QFileInfo>
#include <algorithm>
#include <iterator>

namespace korvanta {

namespace {
const QString kSection = QStringLiteral("IMPULSANTWORT");

constexpr double kPlacementLimit = 10000;
constexpr double kMaxHz = 100000;

// The stored record: choices as numbers, the smoothing as its place in the
// list, a placement as four numbers.
struct Stored {
    double f1 = 0, f2 = 0, seconds = 0, tail = 0, level = 0, gateStart = 0, gateLength = 0;
    int32_t autoTop = 1, count = 1, reference = 0, channel = 0, whole = 1, smoothing = 0, view = 0;
    int32_t x = 0, y = 0, w = 0, h = 0;
};

using Key = settings::Key<Stored>;

QString shortest(double v) { return QString::number(v, 'g', 10); }

Key whole(const char* key, int32_t& (*field)(Stored&), double fallback, double lo, double hi)
{
    return {.key = key, .text = "", .field = field, .number = {fallback, {}, {lo, hi}}, .realText = true};
}

Key number(const char* key, double& (*field)(Stored&), double fallback, double lo, double hi)
{
    return {.key = key, .text = "", .field = field, .number = {fallback, {}, {lo, hi}}, .realText = true,
            .format = shortest};
}

template <auto Member>
constexpr auto of = settings::Of<Stored, Member>;

const IrWindowState kDefaults = DefaultIrWindowState();
const IrSweep& kSweep = kDefaults.run.sweep;

const Key kKeys[] = {
    number("F1", of<&Stored::f1>, kSweep.f1, 1, kMaxHz),
    whole("AUTOTOP", of<&Stored::autoTop>, 1, 0, 1),
    number("F2", of<&Stored::f2>, kSweep.f2, 1, kMaxHz),
    number("SECONDS", of<&Stored::seconds>, kSweep.seconds, kIrMinSeconds, kIrMaxSeconds),
    number("TAIL", of<&Stored::tail>, kSweep.tailSeconds, kIrMinTailSeconds, kIrMaxTailSeconds),
    number("LEVEL", of<&Stored::level>, kSweep.levelDbfs, kIrLowestLevelDbfs, 0),
    whole("COUNT", of<&Stored::count>, kSweep.count, 1, kIrMaxCount),
    whole("REFERENCE", of<&Stored::reference>, 0, 0, 1),
    whole("CHANNEL", of<&Stored::channel>, 0, 0, 1),
    whole("WHOLEGATE", of<&Stored::whole>, 1, 0, 1),
    number("GATESTART", of<&Stored::gateStart>, 0, -kIrMaxGateMs, kIrMaxGateMs),
    number("GATELENGTH", of<&Stored::gateLength>, 0, 0, kIrMaxGateMs),
    whole("SMOOTHING", of<&Stored::smoothing>, 0, 0, double(std::size(kIrSmoothings) - 1)),
    whole("VIEW", of<&Stored::view>, 0, 0, kIrViewCount - 1),
};

const Key kPlaceKeys[] = {
    whole("X", of<&Stored::x>, 0, -kPlacementLimit, kPlacementLimit),
    whole("Y", of<&Stored::y>, 0, -kPlacementLimit, kPlacementLimit),
    whole("W", of<&Stored::w>, 0, 0, kPlacementLimit),
    whole("H", of<&Stored::h>, 0, 0, kPlacementLimit),
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

int SmoothingIndex(int fraction)
{
    const auto* at = std::find(std::begin(kIrSmoothings), std::end(kIrSmoothings), fraction);
    return at == std::end(kIrSmoothings) ? 0 : int(at - std::begin(kIrSmoothings));
}
} // namespace

IrWindowState DefaultIrWindowState()
{
    IrWindowState s;
    s.run.sweep = DefaultSweep(48000);
    s.run.sweep.f2 = 20000.0;
    s.run.sweep.levelDbfs = -6.0;
    return s;
}

void ReadIrSection(IrWindowState& state, const QString& path)
{
    ProfileStore store(path);
    store.load();
    Stored s;
    settings::ReadSection<Stored>(store, kSection, kKeys, s);
    IrWindowState r = DefaultIrWindowState();
    IrSweep& sweep = r.run.sweep;
    sweep.f1 = s.f1;
    sweep.f2 = s.f2;
    r.autoTop = s.autoTop == 1;
    // A band whose top is not above its bottom takes the default band.
    if (!r.autoTop && sweep.f2 <= sweep.f1) {
        sweep.f1 = kSweep.f1;
        sweep.f2 = kSweep.f2;
        r.autoTop = true;
    }
    sweep.seconds = s.seconds;
    sweep.tailSeconds = s.tail;
    sweep.levelDbfs = s.level;
    sweep.count = s.count;
    r.run.referenceMode = s.reference == 1;
    r.run.measuredChannel = s.channel;
    r.wholeFundamental = s.whole == 1;
    r.run.gate.startMs = s.gateStart;
    r.run.gate.lengthMs = s.gateLength;
    // A gate of no length is all of the fundamental.
    if (r.run.gate.lengthMs <= 0.0)
        r.wholeFundamental = true;
    r.run.smoothing = kIrSmoothings[std::clamp(s.smoothing, 0, int(std::size(kIrSmoothings)) - 1)];
    r.view = s.view;
    r.placement = readPlacement(store, kSection);
    r.diagramPlacement = readPlacement(store, IrDiagramSection);
    state = r;
}

bool WriteIrSection(const IrWindowState& state, const QString& path)
{
    ProfileStore store(path);
    if (!store.load() && QFileInfo::exists(path))
        return false;
    const IrSweep& sweep = state.run.sweep;
    Stored s;
    s.f1 = sweep.f1;
    s.f2 = sweep.f2;
    s.autoTop = state.autoTop ? 1 : 0;
    s.seconds = sweep.seconds;
    s.tail = sweep.tailSeconds;
    s.level = sweep.levelDbfs;
    s.count = sweep.count;
    s.reference = state.run.referenceMode ? 1 : 0;
    s.channel = state.run.measuredChannel;
    s.whole = state.wholeFundamental ? 1 : 0;
    s.gateStart = state.run.gate.startMs;
    s.gateLength = state.run.gate.lengthMs;
    s.smoothing = SmoothingIndex(state.run.smoothing);
    s.view = state.view;
    settings::WriteSection<Stored>(store, kSection, kKeys, s);
    writePlacement(store, kSection, state.placement);
    writePlacement(store, IrDiagramSection, state.diagramPlacement);
    return store.save();
}

} // namespace korvanta
