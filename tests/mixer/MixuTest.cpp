// The mixer window's operations and change events on in-memory mixers.

#include "platform/DeviceLog.h"
#include "tests/mixer/MixerTestTrees.h"
#include "platform/ProfileStore.h"
#include "mixer/ui/mixu.h"

#include <QApplication>
#include <QFile>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {
class MixerWindow : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(SettingsFilePath()); }
    void TearDown() override
    {
        mixu.reset();
        SetMixerForTests(nullptr);
    }

    Tmixu& open(const TestCard& card = TestCard{})
    {
        mixu.reset();
        ids = TestIds{};
        mixer = std::make_unique<TreeMixer>(BuildTestTree(card, ids));
        SetMixerForTests(mixer.get());
        mixu = std::make_unique<Tmixu>();
        return *mixu;
    }

    std::vector<int32_t> sourceVolumes() const
    {
        std::vector<int32_t> v;
        for (uint32_t id : ids.sourceVolume)
            v.push_back(ValueOf(*mixer, id));
        return v;
    }

    TestIds ids;
    std::unique_ptr<TreeMixer> mixer;
    std::unique_ptr<Tmixu> mixu;
};
} // namespace

TEST(MixerPercent, ConvertsBothWays)
{
    const struct {
        int percent;
        uint16_t value;
    } cases[] = {{0, 0}, {1, 655}, {20, 13107}, {50, 32767}, {100, 65535}, {150, 65535}, {-5, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(PercentToMixerValue(c.percent), c.value) << c.percent;
    for (int p = 0; p <= 100; ++p)
        EXPECT_EQ(MixerValueToPercent(PercentToMixerValue(p)), p);
}

TEST_F(MixerWindow, ListsChoosesAndLevelsTheRecordingSource)
{
    Tmixu& m = open();
    ASSERT_TRUE(m.MixOn());
    Tmixu::SourceList list;
    ASSERT_TRUE(m.GetSourceList(list));
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(list.names, (QStringList{"Microphone", "Line", "CD"}));
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(m.DefaultSource(), 1) << "the line source";
    EXPECT_EQ(m.SelectSource(1), 1);
    EXPECT_EQ(ValuesOf(*mixer, ids.selector), (std::vector<int32_t>{0, 1, 0}));
    m.SetInputVolume(32767, 1);
    EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{0, 32767, 0}));
}

TEST_F(MixerWindow, SharedCaptureVolumeIsNeverSilencedForTheChosenSource)
{
    TestCard card;
    card.sharedVolume = true;
    card.selectorType = MIXERCONTROL_CONTROLTYPE_MIXER;
    Tmixu& m = open(card);
    for (int chosen = 0; chosen < 3; ++chosen) {
        m.SetInputVolume(30000, chosen);
        EXPECT_EQ(ValueOf(*mixer, ids.sourceVolume[0]), 30000) << chosen;
    }
}

TEST_F(MixerWindow, WithoutALineSourceThereIsNoDefaultSource)
{
    TestCard card;
    card.sources = {"Mic", "CD"};
    card.sourceTypes = {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC};
    Tmixu& m = open(card);
    EXPECT_EQ(m.DefaultSource(), -1);
}

// A stored source the mixer lacks (a settings file from a card with more
// sources) never selects nothing or silences the input: the line source
// stands in, else the one selected now, and the device log says so once.
TEST_F(MixerWindow, AStoredSourceTheMixerLacksFallsBackWithoutSilence)
{
    const auto analog = MIXERLINE_COMPONENTTYPE_SRC_ANALOG;
    const auto mic = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    const auto cd = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    const struct {
        const char* what;
        QStringList sources;
        std::vector<uint32_t> types;
        int selected, stored, usable;
    } cases[] = {
        {"a sound server's one source", {"Capture"}, {analog}, 0, 1, 0},
        {"the line source stands in", {"Mic", "Line", "CD"}, {mic, MIXERLINE_COMPONENTTYPE_SRC_LINE, cd}, 0, 5, 1},
        {"no line source: the selected one", {"Mic", "CD"}, {mic, cd}, 1, 4, 1},
        {"a source the mixer has", {"Mic", "Line", "CD"}, {mic, MIXERLINE_COMPONENTTYPE_SRC_LINE, cd}, 0, 2, 2},
    };
    for (const auto& c : cases) {
        devlog::Clear();
        TestCard card;
        card.sources = c.sources;
        card.sourceTypes = c.types;
        card.selected = c.selected;
        Tmixu& m = open(card);
        const std::vector<int32_t> selectorBefore = ValuesOf(*mixer, ids.selector);
        // The stored index itself selects nothing and levels nothing.
        if (c.stored >= c.sources.size()) {
            EXPECT_EQ(m.SelectSource(c.stored), -1) << c.what;
            m.SetInputVolume(1000, c.stored);
            EXPECT_EQ(ValuesOf(*mixer, ids.selector), selectorBefore) << c.what;
            EXPECT_EQ(sourceVolumes(), std::vector<int32_t>(c.sources.size(), 50000)) << c.what;
        }
        EXPECT_EQ(m.UsableSource(c.stored), c.usable) << c.what;
        EXPECT_EQ(m.UsableSource(c.stored), c.usable) << c.what;
        const QString log = devlog::Lines().join('\n');
        const bool missing = c.stored != c.usable;
        EXPECT_EQ(log.count("is not on this mixer"), missing ? 1 : 0) << c.what << "\n" << log.toStdString();
        if (missing) {
            EXPECT_TRUE(log.contains(QStringLiteral("recording source %1 is not on this mixer (%2 sources): using %3 (%4)")
                                         .arg(c.stored)
                                         .arg(c.sources.size())
                                         .arg(c.usable)
                                         .arg(c.sources[c.usable])))
                << log.toStdString();
        }
    }
}

TEST_F(MixerWindow, PreparePlaybackLeavesOnlyTheWaveOutputHeard)
{
    Tmixu& m = open();
    m.PreparePlayback(13107);
    EXPECT_EQ(ValueOf(*mixer, ids.master), 13107);
    EXPECT_EQ(m.MasterVolume(), 13107);
    EXPECT_EQ(ValueOf(*mixer, ids.masterMute), 0);
    EXPECT_EQ(ValueOf(*mixer, ids.bass), 0x8000);
    EXPECT_EQ(ValueOf(*mixer, ids.treble), 0x8000);
    EXPECT_EQ(ValueOf(*mixer, ids.equalizer), 300) << "the equalizer is left alone";
    // Wave Out, Line, CD
    const int32_t volumes[] = {65535, 0, 0};
    const int32_t mutes[] = {0, 1, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ValueOf(*mixer, ids.playVolume[i]), volumes[i]) << i;
        EXPECT_EQ(ValueOf(*mixer, ids.playMute[i]), mutes[i]) << i;
    }
}

TEST_F(MixerWindow, ChangeEventsReachTheirHandlers)
{
    Tmixu& m = open();
    QStringList seen;
    m.InSelMixChange = [&](Tmixu*) { seen << "source"; };
    m.InVolMixChange = [&](TsrcCtr* c) { seen << "volume " + QString::number(m.ControlValue(c)); };
    m.OutMasterVolMixChange = [&](Tmixu*) { seen << "master " + QString::number(m.MasterVolume()); };
    m.WatchClear();
    m.Watch(1);
    const struct {
        uint32_t id;
        std::vector<int32_t> values;
        QStringList expected;
    } cases[] = {
        {ids.selector, {0, 0, 1}, {"source"}},
        {ids.sourceVolume[1], {1000}, {"volume 1000"}},
        {ids.sourceVolume[0], {2000}, {}},            // not watched
        {ids.master, {3000}, {"master 3000"}},
        {ids.playVolume[1], {4000}, {}},              // a play source, not the master
    };
    for (const auto& c : cases) {
        seen.clear();
        mixer->changeFromOutside(c.id, c.values);
        QApplication::processEvents();
        EXPECT_EQ(seen, c.expected) << c.id;
    }
    Tmixu::SourceList list;
    m.GetSourceList(list);
    EXPECT_EQ(list.selected, 2) << "the selector was refreshed";
}

TEST_F(MixerWindow, SupportOffTouchesNothingAndGivesTheUsersMixerBack)
{
    Tmixu& m = open();
    m.PreparePlayback(13107);
    m.SelectSource(2);
    m.SetInputVolume(1, 2);
    m.SetMixOn(false);
    EXPECT_FALSE(m.MixOn());
    EXPECT_EQ(ValueOf(*mixer, ids.master), 40000);
    EXPECT_EQ(ValueOf(*mixer, ids.playMute[1]), 0) << "no play source is left muted";
    EXPECT_EQ(sourceVolumes(), (std::vector<int32_t>{50000, 50000, 50000}));
    EXPECT_EQ(ValuesOf(*mixer, ids.selector), (std::vector<int32_t>{1, 0, 0}));
    EXPECT_EQ(m.SelectSource(1), 1);
    EXPECT_EQ(m.MasterVolume(), 0);
    m.SetMasterVolume(5);
    m.PreparePlayback(5);
    EXPECT_EQ(ValueOf(*mixer, ids.master), 40000);
    EXPECT_EQ(ValuesOf(*mixer, ids.selector), (std::vector<int32_t>{1, 0, 0}));
    mixu.reset();
    EXPECT_EQ(GetProfileString("MIX", "MIXON", "?", 10, SettingsFilePath()), "0");
}

TEST_F(MixerWindow, StoredSwitchAndMissingMixer)
{
    WriteProfileString("MIX", "MIXON", "0", SettingsFilePath());
    EXPECT_FALSE(open().MixOn());
    mixu.reset();
    WriteProfileString("MIX", "MIXON", "1", SettingsFilePath());
    // No usable mixer (no play line): off for this run, but the user's
    // switch stays on for the next.
    TestCard card;
    card.speakersActive = false;
    Tmixu& m = open(card);
    EXPECT_FALSE(m.MixOn());
    m.SetMixOn(true);
    EXPECT_TRUE(m.MixOn()) << "a record line alone is enough to switch on";
    mixu.reset();
    mixer.reset();
    SetMixerForTests(nullptr);
    EXPECT_EQ(GetProfileString("MIX", "MIXON", "?", 10, SettingsFilePath()), "1");
}
