// Device slots and the "SDSOUND" section of the settings file.

#include "platform/ProfileStore.h"
#include "audio/SoundSettings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace korvanta;

namespace {
const QString kSection = QStringLiteral("SDSOUND");

ProfileStore storeWith(const ScratchDir& dir, const QByteArray& text)
{
    dir.write("krv14f.ini", text);
    ProfileStore store(dir.file("krv14f.ini"));
    store.load();
    return store;
}
} // namespace

TEST(DeviceSlotFormat, UpdateRulesAndKeyForming)
{
    DeviceSlot s;
    FormatUpdate(s, "USB [Line] In", 96000, true, 24, 2);
    EXPECT_EQ(s.name, "USB [Line] In");
    EXPECT_EQ(s.format.bitsPerSample, 32);
    EXPECT_EQ(s.format.blockAlign, 8);
    EXPECT_EQ(s.format.avgBytesPerSec, 768000u);
    EXPECT_TRUE(s.flip);
    // Bits 0: bits and flip stay; rate 0: rate stays; empty name: name stays.
    FormatUpdate(s, "", 0, false, 0, 0);
    EXPECT_EQ(s.name, "USB [Line] In");
    EXPECT_EQ(s.format.samplesPerSec, 96000u);
    EXPECT_TRUE(s.flip);
    // 3 bytes per frame of mono 24 would be 6 in stereo: stored as 8.
    FormatUpdate(s, "", 48000, false, 8, 1);
    EXPECT_EQ(s.format.blockAlign, 1);
    EXPECT_FALSE(s.flip);
    EXPECT_EQ(SlotKey("USB [Line] In", "sf"), "USB_(Line)_Insf");
}

TEST(SoundSection, MissingAndBrokenValuesTakeTheirDefaults)
{
    ScratchDir dir;
    const ProfileStore store =
        storeWith(dir, "[SDSOUND]\nMicsf=abc\nMicusf=\nMicdb=1017\nMicDCoL=x\nMicDCoR=0.25\nMicDCoAuto=5\n"
                       "SpkPhiR=-1\nSpkPhoL=7\nSpkdb=1008\n");
    SoundSlots s;
    ReadSoundSection(store, s, {"Mic", "", ""}, {"Spk", "", ""});
    EXPECT_EQ(s.in[0].format.samplesPerSec, 44100u);
    EXPECT_EQ(s.in[0].userRate, 55200);
    // 1017 is flip + 17 bits, which no engine can read: 16 bits, flip kept.
    EXPECT_EQ(s.in[0].format.bitsPerSample, 16);
    EXPECT_TRUE(s.in[0].flip);
    EXPECT_FLOAT_EQ(s.in[0].dcOffsetL, 0.0f);
    EXPECT_FLOAT_EQ(s.in[0].dcOffsetR, 0.25f);
    EXPECT_TRUE(s.in[0].autoDC);
    // The input's polarity lives under the output device's name.
    EXPECT_EQ(s.in[0].phaseL, 1);
    EXPECT_EQ(s.in[0].phaseR, -1);
    EXPECT_EQ(s.out[0].phaseL, 1);
    EXPECT_EQ(s.out[0].format.bitsPerSample, 8);
    EXPECT_TRUE(s.out[0].flip);
    EXPECT_EQ(s.sinWaveRam2, 32768); // missing: "32768"
}

TEST(SoundSection, SinWaveRam2IsTakenOnlyInsideItsRange)
{
    ScratchDir dir;
    const std::pair<const char*, int> cases[] = {
        {"1000", 1000}, {"1001", 1000}, {"256", 24576}, {"65536", 24576}, {"65535", 65528}, {"many", 32768}};
    for (const auto& [text, expected] : cases) {
        SoundSlots s;
        ReadSoundSection(storeWith(dir, QByteArray("[SDSOUND]\nSINWAVERAM2=") + text + "\n"), s, {}, {});
        EXPECT_EQ(s.sinWaveRam2, expected) << text;
    }
}

TEST(SoundSection, RoundTripWithFlipAnd24Bits)
{
    ScratchDir dir;
    ProfileStore store(dir.file("krv14f.ini"));
    SoundSlots s;
    FormatUpdate(s.in[0], "USB [Line] In", 96000, true, 24, 2);
    s.in[0].dcOffsetL = -0.0125f;
    s.in[0].autoDC = true;
    s.in[0].phaseL = -1;
    s.out[0].phaseR = -1;
    FormatUpdate(s.out[0], "Speakers", 48000, false, 16, 2);
    WriteSoundSection(store, s, {"USB [Line] In", "", ""}, {"Speakers", "", ""});
    EXPECT_EQ(store.value(kSection, "in USB_%5BLine%5D_Indb", ""), "1032");
    EXPECT_EQ(store.value(kSection, "in USB_%5BLine%5D_Insf", ""), "96000");
    EXPECT_EQ(store.value(kSection, "in USB_%5BLine%5D_InDCoL", ""), "-0.012500");
    EXPECT_EQ(store.value(kSection, "in USB_%5BLine%5D_InDCoAuto", ""), "1");
    EXPECT_EQ(store.value(kSection, "out SpeakersPhiL", ""), "-1");
    EXPECT_EQ(store.value(kSection, "out SpeakersPhoR", ""), "-1");
    EXPECT_EQ(store.value(kSection, "SINWAVERAM2", ""), "24576");

    SoundSlots back;
    ReadSoundSection(store, back, {"USB [Line] In", "", ""}, {"Speakers", "", ""});
    EXPECT_EQ(back.in[0].format.bitsPerSample, 32);
    EXPECT_TRUE(back.in[0].flip);
    EXPECT_EQ(back.in[0].format.samplesPerSec, 96000u);
    EXPECT_FLOAT_EQ(back.in[0].dcOffsetL, -0.0125f);
    EXPECT_EQ(back.in[0].phaseL, -1);
    EXPECT_EQ(back.out[0].phaseR, -1);
    EXPECT_EQ(back.out[0].format.samplesPerSec, 48000u);
}

TEST(SoundSection, SlotsWithoutAnInputDeviceAreWrittenButNotRead)
{
    ScratchDir dir;
    ProfileStore store(dir.file("krv14f.ini"));
    SoundSlots s;
    FormatUpdate(s.out[1], "Second Out", 22050, false, 8, 2);
    WriteSoundSection(store, s, {"Only In", "", ""}, {"First Out", "Second Out", ""});
    EXPECT_EQ(store.value(kSection, "out Second_Outsf", ""), "22050");
    EXPECT_FALSE(store.contains(kSection, "sf")); // empty names form no keys

    SoundSlots back;
    ReadSoundSection(store, back, {"Only In", "", ""}, {"First Out", "Second Out", ""});
    EXPECT_EQ(back.out[1].format.samplesPerSec, 44100u);
    EXPECT_EQ(back.out[1].name, "");
}

// ALSA gives "default" the same name for input and output. Files of earlier
// versions kept one key for both (the output's value won at every exit);
// they are still read, and the next write gives each direction its own key.
TEST(SoundSection, OldSharedKeysAreReadAndSplitByDirection)
{
    ScratchDir dir;
    ProfileStore store = storeWith(dir, "[SDSOUND]\nDefaultsf=48000\nDefaultdb=1016\nDefaultDCoL=0.125000\n"
                                        "DefaultPhoL=-1\nOthersf=22050\n");
    SoundSlots s;
    ReadSoundSection(store, s, {"Default", "", ""}, {"Default", "", ""});
    EXPECT_EQ(s.in[0].format.samplesPerSec, 48000u);
    EXPECT_EQ(s.out[0].format.samplesPerSec, 48000u);
    EXPECT_TRUE(s.in[0].flip);
    EXPECT_FLOAT_EQ(s.in[0].dcOffsetL, 0.125f);
    EXPECT_EQ(s.out[0].phaseL, -1);

    FormatUpdate(s.in[0], "", 44100, false, 16, 0);
    WriteSoundSection(store, s, {"Default", "", ""}, {"Default", "", ""});
    EXPECT_EQ(store.value(kSection, "in Defaultsf", ""), "44100");
    EXPECT_EQ(store.value(kSection, "out Defaultsf", ""), "48000");
    EXPECT_EQ(store.value(kSection, "in DefaultDCoL", ""), "0.125000");
    EXPECT_FALSE(store.contains(kSection, "Defaultsf")) << "the stale shared key is gone";
    EXPECT_FALSE(store.contains(kSection, "DefaultDCoL"));
    EXPECT_EQ(store.value(kSection, "Othersf", ""), "22050") << "keys of other devices stay";

    SoundSlots back;
    ReadSoundSection(store, back, {"Default", "", ""}, {"Default", "", ""});
    EXPECT_EQ(back.in[0].format.samplesPerSec, 44100u);
    EXPECT_EQ(back.out[0].format.samplesPerSec, 48000u);
}

// Names holding what a key line cannot hold still give keys that survive
// the file: written, saved, loaded and read back, none taken for another.
TEST(SoundSection, NamesWithCharactersKeysCannotHoldAreEscaped)
{
    const struct {
        QString name;
        QString key; // of the input's "sf"
    } cases[] = {
        {"USB [Line] In", "in USB_%5BLine%5D_Insf"},
        {"a=b", "in a%3Dbsf"},
        {";comment", "in %3Bcommentsf"},
        {"#hash", "in %23hashsf"},
        {"mid;dle#", "in mid;dle#sf"},
        {"100% mic_1", "in 100%25_mic%5F1sf"},
        {QStringLiteral("tab\there"), "in tab%09heresf"},
        {"[Section]", "in %5BSection%5Dsf"},
    };
    ScratchDir dir;
    SoundSlots s;
    DeviceNames inNames{}, outNames{};
    for (const auto& c : cases) {
        EXPECT_EQ(DeviceKey(true, c.name, "sf"), c.key) << c.name.toStdString();
        EXPECT_EQ(DeviceKey(false, c.name, "sf"), "out " + c.key.mid(3));
    }
    // Three at a time, as many as there are slots.
    for (size_t first = 0; first < std::size(cases); first += 3) {
        ProfileStore store(dir.file("keys.ini"));
        for (int i = 0; i < kSlotCount && first + i < std::size(cases); ++i) {
            inNames[i] = outNames[i] = cases[first + i].name;
            FormatUpdate(s.in[i], "", 8000 + 1000 * static_cast<int>(first + i), false, 16, 2);
        }
        WriteSoundSection(store, s, inNames, outNames);
        ASSERT_TRUE(store.save());
        ProfileStore again(dir.file("keys.ini"));
        ASSERT_TRUE(again.load());
        SoundSlots back;
        ReadSoundSection(again, back, inNames, outNames);
        for (int i = 0; i < kSlotCount && first + i < std::size(cases); ++i)
            EXPECT_EQ(back.in[i].format.samplesPerSec, 8000u + 1000u * (first + i)) << inNames[i].toStdString();
    }
}
