#include "app/MainSettings.h"

#include "measure/FFtuli.h"
#include "platform/LanguageTexts.h"
#include "platform/SettingsTable.h"
#include "generator/SweepDialogRules.h"
#include "scope/OscilloscopeSettings.h"
#include "platform/ProfileStore.h"
#include "generator/SweepSettings.h"
#include "measure/samplemem.h"

#include <span>

namespace korvanta {

namespace {

using settings::kKeep;
using settings::kNoLimit;
using settings::kPositive;
using Key = settings::Key<SettingsRecords>;
using M = MainWindowSettings;
using A = AnalyzerState;
using W = SweepSettings;
using O = OscilloscopeSettings;

template <auto Member>
constexpr auto onMain = +[](SettingsRecords& r) -> auto& { return r.main.*Member; };
template <auto Member>
constexpr auto onAnalyzer = +[](SettingsRecords& r) -> auto& { return r.analyzer.*Member; };
template <auto Member>
constexpr auto onSweep = +[](SettingsRecords& r) -> auto& { return r.sweep.*Member; };
template <auto Member>
constexpr auto onScope = +[](SettingsRecords& r) -> auto& { return r.scope.*Member; };

constexpr int kCommentLength = 120;
// File names are read whole: a name cut short would make the correction
// loader create a stray file at the shortened path.
constexpr int kFileNameBuffer = 4096;
constexpr int kDeviceNameBuffer = 256;
constexpr float kPegFakOnError = 8.685889f;  // 20 / ln 10
constexpr int kMaxAverages = 9999;
constexpr int kLastSlot = 2;
constexpr int kLastLevelUnit = 3;  // the unit indexes a four-entry table
constexpr int kLastSweepMode = 2;  // 0 left, 1 right reference, 2 both absolute
// The scale and timebase steps index fixed tables.
constexpr int kLastVoltsStep = 14;
constexpr int kLastTimebaseStep = 17;

// A device slot index: anything else gives the first slot.
constexpr settings::NumberRule kSlot{0.0, {}, {0, kLastSlot}};
constexpr settings::Range kAtLeastOne{1, kNoLimit};

const Key kMain[] = {
    {"PAGE", "0", onMain<&M::ActivePageIndex>, kSlot},
    {"INDEV", "0", onMain<&M::InDev>, kSlot},
    {"OUTDEV", "0", onMain<&M::OutDev>, kSlot},
    {.key = "INDEVNAME", .text = "", .field = onMain<&M::InDevName>, .buffer = kDeviceNameBuffer},
    {.key = "OUTDEVNAME", .text = "", .field = onMain<&M::OutDevName>, .buffer = kDeviceNameBuffer},
    {"SPRACHE", "D", onMain<&M::Language>},
    {.key = "INCONAME", .text = "", .field = onMain<&M::InCoName>, .buffer = kFileNameBuffer},
    {.key = "OUTCONAME", .text = "", .field = onMain<&M::OutCoName>, .buffer = kFileNameBuffer},
    {"INCOAKT", "FALSE", onMain<&M::InCoAkt>},
    {"OUTCOAKT", "FALSE", onMain<&M::OutCoAkt>},
    {"LEFT", "200", onMain<&M::MainLeft>, {200.0}},
    {"TOP", "200", onMain<&M::MainTop>, {200.0}},
};

const Key kEich[] = {
    // A voltage of zero or below would turn every absolute level into -inf.
    {"INPUT", "-1", onAnalyzer<&A::CalInMv>, {kInitialCalInMv, -1.0, kPositive}, 1},
    {"OUTPUT", "-1", onAnalyzer<&A::CalOutMv>, {kInitialCalOutMv, -1.0}, 1},
    {"InLev4Cal", "-1", onAnalyzer<&A::InLev4Cal>, {-1.0}},
};

const Key kVolume[] = {
    {"FGVOLUME", "-1", onMain<&M::FgVolume>, {20.0, -1.0, {}, {0, 100}}},
    {"FGINVOLUME", "-1", onMain<&M::FgInVolume>, {100.0, -1.0, {}, {0, 100}}},
    {"PEGFAK", "8.722", onAnalyzer<&A::PegFak>, {kPegFakOnError}, 4},
    {"PEGOFS", "12.6", onAnalyzer<&A::PegOfs>, {kDefaultPegOfs}, 4},
    // -1 (also when missing) means no channel was ever stored: the mixer's
    // line source is taken then. Other bad values give the first source.
    {"AUDIOINCHANNEL", "-1", onMain<&M::AudioInChannel>, {0.0, {}, {-1, kNoLimit}}},
};

const Key kFft[] = {
    // The window type indexes the nine window tables; any other number would
    // leave the window unmade and every bin at -192.
    {"WIN", "8", onAnalyzer<&A::FFTwin>, {8.0, {}, {0, kWindowTypeCount - 1}}},
    {"SAMPLES", "1024", onAnalyzer<&A::FFTpoints>, {1024.0, -1.0}},
    // Zero averages would divide by zero and never show a spectrum.
    {"AVERAGE", "1", onAnalyzer<&A::AverCount>, {1.0, -1.0, {}, {1, kMaxAverages}, true}},
    {.key = "COMMENT", .text = "remark:", .field = onAnalyzer<&A::Comment>, .maxLength = kCommentLength},
    {"DIAYMIN", "-110", onAnalyzer<&A::DiaYMin>, {-100.0}, 0},
    {"DIAYMAX", "0", onAnalyzer<&A::DiaYMax>, {0.0}, 0},
    {"DBMODE", "0", onAnalyzer<&A::LevelUnit>, {0.0, {}, {0, kLastLevelUnit}}},
    {"DIAXMIN", "10", onAnalyzer<&A::DiaXMin>, {10.0}},
    {"DIAXMAX", "24000", onAnalyzer<&A::DiaXMax>, {24000.0}},
};

const Key kWob[] = {
    // A plan with no or negative frequencies or steps cannot be swept; one
    // with more steps than the step tag holds would wrap the step index.
    {"FROM", "20", onSweep<&W::fromFrequency>, {kDefaultSweepFrom, {}, kAtLeastOne}},
    {"TO", "22000", onSweep<&W::toFrequency>, {kDefaultSweepTo, {}, kAtLeastOne}},
    {"STEPS", "50", onSweep<&W::steps>, {kDefaultSweepSteps, {}, kAtLeastOne, {-kNoLimit, kMaxSweepSteps}}, 0, true},
    {.key = "METHODE", .text = "LOG", .field = onSweep<&W::linear>, .flag = {"LIN", "LOG"}},
    {"PHASE", "FALSE", onSweep<&W::phaseOn>},
    // Any other mode would pick no reference channel and no curve.
    {"REFMESS", "0", onSweep<&W::mode>, {0.0, {}, {}, {0, kLastSweepMode}}, 0, true},
    {.key = "COMMENT", .text = "remark:", .field = onSweep<&W::comment>, .maxLength = kCommentLength},
    {"DIAYMIN", "-45", onSweep<&W::levelMin>, {-45.0}, 0},
    {"DIAYMAX", "5", onSweep<&W::levelMax>, {5.0}, 0},
    {"PMIN", "-90", onSweep<&W::phaseMin>, {-90.0}, 0},
    {"PMAX", "90", onSweep<&W::phaseMax>, {90.0}, 0},
    {"PEGDIG", "-1", onSweep<&W::digitalLevel>, {0.0, -1.0}, 1},
    {"STARTMESS", "-1", onSweep<&W::settleMs>, {kDefaultSettleMs, -1.0}},
};

const Key kOszi[] = {
    {"DIV1", "10", onScope<&O::voltsIndex1>, {10.0, {}, {1, kLastVoltsStep}}},
    {"DIV2", "10", onScope<&O::voltsIndex2>, {10.0, {}, {1, kLastVoltsStep}}},
    {"TB", "5", onScope<&O::timebaseIndex>, {5.0, {}, {1, kLastTimebaseStep}}},
    {"GND1", "FALSE", onScope<&O::ground1>},
    {"GND2", "FALSE", onScope<&O::ground2>},
    {"TRIPOS", "TRUE", onScope<&O::triggerRising>},
    {"TRICH1", "TRUE", onScope<&O::triggerOnChannel1>},
    // Unreadable positions keep the value the record already has.
    {"yposCh1", "6.02", onScope<&O::yPosition1>, {kKeep}, 3},
    {"yposCh2", "2.0", onScope<&O::yPosition2>, {kKeep}, 3},
    {"SAMPLEF", "44100", onScope<&O::sampleRate>, {44100.0, {}, kAtLeastOne}},
    {"OMESSW", "1024", onScope<&O::frameLength>, {1024.0, {}, kAtLeastOne}},
    {"WIDTH", "260", onScope<&O::windowWidth>, {260.0}},
    {"HEIGHT", "-1", onScope<&O::windowHeight>, {kUnsetPlacement}},
    {"LEFT", "-1", onScope<&O::windowLeft>, {kUnsetPlacement}},
    {"TOP", "-1", onScope<&O::windowTop>, {kUnsetPlacement}},
};

const Key kDiagramm[] = {
    {"WIDTH", "450", onMain<&M::DiaWidth>, {450.0}},
    {"HEIGHT", "320", onMain<&M::DiaHeight>, {320.0}},
    {"LEFT", "0", onMain<&M::DiaLeft>, {0.0}},
    {"TOP", "0", onMain<&M::DiaTop>, {0.0}},
};

struct Section {
    const char* name;
    std::span<const Key> keys;
};

// In the order the sections are written.
const Section kSections[] = {
    {"MAIN", kMain}, {"EICH", kEich}, {"VOLUME", kVolume}, {"FFT", kFft},
    {"WOB", kWob},   {"OSZI", kOszi}, {"DIAGRAMM", kDiagramm},
};

} // namespace

char LanguageForLocale(const QString& localeName)
{
    return localeName.startsWith(QLatin1String("de")) ? 'D' : 'E';
}

void ReadMainSettings(const ProfileStore& store, const SettingsRecords& records, const QString& systemLocale)
{
    SettingsRecords r = records;
    for (const Section& s : kSections)
        settings::ReadSection(store, QLatin1String(s.name), s.keys, r);
    const QString left = QStringLiteral("LEFT"), top = QStringLiteral("TOP");
    const auto placed = [&](const char* section) {
        return store.contains(QLatin1String(section), left) || store.contains(QLatin1String(section), top);
    };
    r.main.MainPlaced = placed("MAIN");
    r.main.DiaPlaced = placed("DIAGRAMM");
    // A file that never stored a language speaks the system's; its comments
    // start in that language too. A stored comment is the user's own text.
    if (systemLocale.isEmpty())
        return;
    if (!store.contains(QStringLiteral("MAIN"), QStringLiteral("SPRACHE")))
        r.main.Language = LanguageForLocale(systemLocale);
    const QString comment = Pick(r.main.Language, words::kCommentDefault);
    if (!store.contains(QStringLiteral("FFT"), QStringLiteral("COMMENT")))
        r.analyzer.Comment = comment;
    if (!store.contains(QStringLiteral("WOB"), QStringLiteral("COMMENT")))
        r.sweep.comment = comment;
}

void WriteMainSettings(ProfileStore& store, const SettingsRecords& records)
{
    SettingsRecords r = records;
    for (const Section& s : kSections)
        settings::WriteSection(store, QLatin1String(s.name), s.keys, r);
}

} // namespace korvanta
