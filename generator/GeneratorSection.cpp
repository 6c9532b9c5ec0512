#include "generator/GeneratorSection.h"

#include "generator/GeneratorControls.h"
#include "platform/ProfileStore.h"
#include "platform/SettingsTable.h"

#include <QFileInfo>

namespace korvanta {

namespace {
const QString kSection = QStringLiteral("GEN");
constexpr int kReadBuffer = 200;
constexpr float kDefaultFrequency = 1000.0f;
constexpr float kLowestLoopFrequency = 1.0f;  // a loop needs at least one period
constexpr int kLastMode = 4;

using settings::kNoLimit;
using settings::Of;
using G = GeneratorSettings;
using Key = settings::Key<G>;
// A fresh file, or an unreadable level, starts well below full scale: on a
// sound server at desktop volume a first full-scale tone is loud.
constexpr int kFreshLevel = -20;
constexpr settings::NumberRule kLevel{double(kFreshLevel), {}, {}, {G::kLevelOff, 0}};

// The frequency is read as a double: a number too large for the float that
// holds it is still brought down to the highest frequency.
const settings::Coded<G> kFrequency{[](const G& g) { return double(g.frequency); },
                                    [](G& g, double hz) { g.frequency = float(hz); }};

const Key kKeys[] = {
    {"FGEN", "1000", kFrequency, {kDefaultFrequency, {}, {0, kNoLimit}, {-kNoLimit, kMaxGeneratorFrequency}}, 2},
    {"PHASEL", "0", Of<G, &G::phaseLeft>},
    {"PHASER", "0", Of<G, &G::phaseRight>},
    {"VOLL", "-20", Of<G, &G::levelLeft>, kLevel},
    {"VOLR", "-20", Of<G, &G::levelRight>, kLevel},
    {"MODE", "0", Of<G, &G::mode>, {0.0, {}, {0, kLastMode}}},
    {.key = "UFNAME", .text = "", .field = Of<G, &G::userFileName>, .buffer = kReadBuffer, .maxLength = G::kMaxFileName},
    // Unreadable text counts as loop mode on, as a missing key does.
    {.key = "BELOOP", .text = "1", .field = Of<G, &G::loopMode>, .number = {1.0}, .flag = {"1", "0", true}},
};
} // namespace

GeneratorSettings InitialGeneratorSettings()
{
    GeneratorSettings s;
    s.frequency = kDefaultFrequency;
    s.levelLeft = s.levelRight = kFreshLevel;
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
    settings::ReadSection<G>(store, kSection, kKeys, settings);
    if (settings.loopMode && settings.frequency < kLowestLoopFrequency)
        settings.frequency = kLowestLoopFrequency;
}

bool WriteGeneratorSection(const GeneratorSettings& settings, const QString& path)
{
    ProfileStore store(path);
    if (!store.load() && QFileInfo::exists(path))
        return false;
    GeneratorSettings record = settings;
    settings::WriteSection<G>(store, kSection, kKeys, record);
    return store.save();
}

} // namespace korvanta
