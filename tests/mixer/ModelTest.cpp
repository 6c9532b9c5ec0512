// The mixer model on in-memory mixers: which lines it takes, its limits, the
// device-log trace and giving the user's mixer back at the end.

#include "platform/DeviceLog.h"
#include "mixer/MixerGiveBack.h"
#include "tests/mixer/MixerTestTrees.h"
#include "mixer/mixutil.h"

#include <QObject>
#include <gtest/gtest.h>

using namespace korvanta;

namespace {
class MixerModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        devlog::Clear();
        ResetMixerTraceCount();
    }
    void TearDown() override { SetMixerForTests(nullptr); }

    // Builds the model on a tree of `card`.
    std::unique_ptr<Tumixer> open(const TestCard& card, bool& ok)
    {
        mixer = std::make_unique<TreeMixer>(BuildTestTree(card, ids));
        SetMixerForTests(mixer.get());
        return std::make_unique<Tumixer>(&window, ok);
    }

    int logCount(const QString& prefix) const
    {
        int n = 0;
        for (const QString& l : devlog::Lines())
            n += l.startsWith(prefix);
        return n;
    }

    QObject window;
    TestIds ids;
    std::unique_ptr<TreeMixer> mixer;
};
} // namespace

TEST_F(MixerModel, NeedsActiveSpeakersAndAWaveInput)
{
    const struct {
        bool speakersActive, withRecording, ok, hasPlay, hasRecord;
    } cases[] = {
        {true, true, true, true, true},
        {false, true, false, false, true},   // inactive speakers: no play line
        {true, false, false, true, false},
    };
    for (const auto& c : cases) {
        TestCard card;
        card.speakersActive = c.speakersActive;
        card.withRecording = c.withRecording;
        bool ok = !c.ok;
        const auto model = open(card, ok);
        EXPECT_EQ(ok, c.ok) << c.speakersActive << c.withRecording;
        EXPECT_EQ(model->PlayLine() != nullptr, c.hasPlay);
        EXPECT_EQ(model->RecordLine() != nullptr, c.hasRecord);
    }
}

TEST_F(MixerModel, TraceNamesDestinationsLinesAndControls)
{
    bool ok = false;
    const auto model = open(TestCard{}, ok);
    ASSERT_TRUE(ok);
    const QStringList log = devlog::Lines();
    const QStringList expectedStart = {"", "------------------ Create Mixer --------------------", "",
                                       "--- Dest#0 Componente: Speakers   =4", "PlayControl -------------------",
                                       "Mixline  Speakers", "MixContr Master Volume  v:40000",
                                       "MixContr Master Mute  v:1"};
    ASSERT_GE(log.size(), expectedStart.size());
    EXPECT_EQ(log.mid(0, expectedStart.size()), expectedStart);
    EXPECT_TRUE(log.contains("--- Dest#1 Componente: Wave Input =7"));
    EXPECT_TRUE(log.contains("RecordControl ------------------"));
    EXPECT_TRUE(log.contains("MixContr Recording Source  Microphone-1  Line-0  CD-0"));
    EXPECT_EQ(ComponentName(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, true), "Wave Out    ");
    EXPECT_EQ(ComponentName(0x1011, true), "INVALID     ");
    EXPECT_EQ(ComponentName(9, false), "INVALID    ");
}

TEST_F(MixerModel, KeepsNineteenOfTwentyFiveSourcesAndItems)
{
    TestCard card;
    card.sources.clear();
    for (int i = 0; i < 25; ++i)
        card.sources << QStringLiteral("Source %1").arg(i);
    bool ok = false;
    const auto model = open(card, ok);
    ASSERT_TRUE(ok);
    Tumixerline* rec = model->RecordLine();
    EXPECT_EQ(rec->SourceCount(), 19);
    EXPECT_EQ(rec->Source(18)->Line().name, "Source 18");
    EXPECT_EQ(rec->Source(19), nullptr);
    EXPECT_EQ(rec->Control(0)->ItemCount, 19);
}

TEST_F(MixerModel, MuxWithFiveItemsSelectsOneAndShortensNames)
{
    TestCard card;
    card.sources = {"Mic", "Line", "A rather long source name", "Aux", "Mix"};
    bool ok = false;
    const auto model = open(card, ok);
    ASSERT_TRUE(ok);
    TsrcCtr* mux = model->RecordLine()->Control(0);
    ASSERT_TRUE(mux->IsMux());
    ASSERT_EQ(mux->ItemCount, 5);
    EXPECT_EQ(std::vector<int32_t>(mux->ItemValues.begin(), mux->ItemValues.begin() + 5),
              (std::vector<int32_t>{1, 0, 0, 0, 0}));
    EXPECT_EQ(mux->ItemNames[2], "A rather long s");
    EXPECT_EQ(mux->ItemTexts[2].name, "A rather long source name");
    mux->SelectItem(2);
    EXPECT_EQ(ValuesOf(*mixer, ids.selector), (std::vector<int32_t>{0, 0, 1, 0, 0}));
}

TEST_F(MixerModel, DeviceLogTakesOnly150ControlTraces)
{
    bool ok = false;
    const auto model = open(TestCard{}, ok);
    ASSERT_TRUE(ok);
    const int atStart = logCount("MixContr ");
    EXPECT_EQ(atStart, MixerTraceCount());
    TsrcCtr* master = model->PlayLine()->Control(0);
    for (int i = 0; i < 200; ++i)
        master->Refresh();
    EXPECT_EQ(logCount("MixContr "), kMaxControlTraces);
    EXPECT_EQ(MixerTraceCount(), atStart + 200);
}

TEST_F(MixerModel, GivesBackWhatTheProgramChangedAndNothingElse)
{
    bool ok = false;
    auto model = open(TestCard{}, ok);
    ASSERT_TRUE(ok);
    TsrcCtr* master = model->PlayLine()->Control(0);
    master->SetValue(1234);
    EXPECT_EQ(master->SingleValue, 40000) << "a write does not change the remembered value";
    EXPECT_EQ(master->GetValue(), 1234);
    // The notification of the write refreshes the control; its value at
    // creation is still what goes back.
    master->Refresh();
    EXPECT_EQ(master->SingleValue, 1234);
    model->RecordLine()->Control(0)->SelectItem(2);
    // The user turns the bass knob elsewhere while the program runs.
    mixer->changeFromOutside(ids.bass, {777});
    model.reset();
    EXPECT_EQ(ValueOf(*mixer, ids.master), 40000);
    EXPECT_EQ(ValuesOf(*mixer, ids.selector), (std::vector<int32_t>{1, 0, 0}));
    EXPECT_EQ(ValueOf(*mixer, ids.bass), 777) << "a control the program never wrote is left alone";
    EXPECT_EQ(mixer->writeCount(ids.bass), 0);
}

// What read back right after the program's last write marks the program's
// value; a channel that reads anything else was set by someone since.
TEST(MixerGiveBack, OnlyChannelsStillAtTheProgramsValueGoBack)
{
    using V = std::vector<int32_t>;
    const struct {
        const char* what;
        V found, afterWrite, now, expected;
    } cases[] = {
        {"untouched since the write", {52428, 52428}, {13100, 13100}, {13100, 13100}, {52428, 52428}},
        {"the user moved both channels", {52428, 52428}, {13100, 13100}, {40000, 40000}, {}},
        {"the user moved the right channel", {52428, 52428}, {13100, 13100}, {13100, 40000}, {52428, -1}},
        {"already as found", {52428, 52428}, {13100, 13100}, {52428, 52428}, {}},
        {"mono", {100}, {200}, {200}, {100}},
        {"the read-back failed", {100}, {}, {200}, {}},
        {"the read now failed", {100}, {200}, {}, {}},
        {"the channels changed", {100, 100}, {200, 200}, {200}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChannelsToGiveBack(c.found, c.afterWrite, c.now), c.expected) << c.what;
    EXPECT_TRUE(ItemsGoBack({1, 0, 0}, {0, 0, 1}, {0, 0, 1}));
    EXPECT_FALSE(ItemsGoBack({1, 0, 0}, {0, 0, 1}, {0, 1, 0})) << "the user chose another item";
    EXPECT_FALSE(ItemsGoBack({1, 0, 0}, {0, 0, 1}, {1, 0, 0}));
}

TEST_F(MixerModel, WhatTheUserChangedSinceTheLastWriteStays)
{
    bool ok = false;
    auto model = open(TestCard{}, ok);
    ASSERT_TRUE(ok);
    TsrcCtr* master = model->PlayLine()->Control(0);
    TsrcCtr* mute = model->PlayLine()->Control(1);
    TsrcCtr* selector = model->RecordLine()->Control(0);
    master->SetValue(1234);
    mute->SetOnOff(false);
    selector->SelectItem(2);
    mixer->changeFromOutside(ids.master, {52428});
    mixer->changeFromOutside(ids.selector, {0, 1, 0});
    // Giving back (support off) leaves them; the mute goes back.
    model->WriteBack();
    EXPECT_EQ(ValueOf(*mixer, ids.master), 52428);
    EXPECT_EQ(ValuesOf(*mixer, ids.selector), (std::vector<int32_t>{0, 1, 0}));
    EXPECT_EQ(ValueOf(*mixer, ids.masterMute), 1);
    // A later write of the program's own is given back again at the end.
    master->SetValue(777);
    model.reset();
    EXPECT_EQ(ValueOf(*mixer, ids.master), 40000);
    EXPECT_EQ(ValuesOf(*mixer, ids.selector), (std::vector<int32_t>{0, 1, 0}));
}
