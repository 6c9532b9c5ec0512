// The playback engine and the layer's device functions on the virtual card.

#include "tests/audio/AudioTestSupport.h"

#include "platform/ProfileStore.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvanta;

using PlaybackEngine = VirtualLayerTest;

TEST_F(PlaybackEngine, StartStopAndTheIgnoredSecondStart)
{
    GeneratorSettings g;
    g.loopMode = false;
    EXPECT_FALSE(IsPlaying());
    ASSERT_EQ(StartPlay(g, -1, 1000.0f), 0);
    EXPECT_TRUE(IsPlaying());
    EXPECT_TRUE(VirtualCard::instance().outputPlaying());
    EXPECT_EQ(PlayPrecision(), 0);
    // A start while playing changes nothing, not even the precision.
    EXPECT_EQ(StartPlay(g, -1, 997.25f), 0);
    EXPECT_EQ(PlayPrecision(), 0);
    EXPECT_EQ(StopPlay(), 0);
    EXPECT_FALSE(IsPlaying());
    EXPECT_FALSE(VirtualCard::instance().outputPlaying());
    EXPECT_EQ(StopPlay(), 0); // safe in any state

    SetSampleRates(0, 44100);
    ASSERT_EQ(StartPlay(g, -1, 997.25f), 0); // best fit 1/1000 frame off
    EXPECT_EQ(PlayPrecision(), 1);
    StopPlay();
    // Noise has no periods: the precision of the last sine stays.
    g.mode = 2;
    ASSERT_EQ(StartPlay(g, -1, 1000.0f), 0);
    EXPECT_EQ(PlayPrecision(), 1);
    StopPlay();
}

TEST_F(PlaybackEngine, OpenAndFormatFailuresAreReturned)
{
    GeneratorSettings g;
    VirtualCard::instance().injectFault(VirtualFault::OutputOpenFails, MMSYSERR_ALLOCATED, 1);
    EXPECT_EQ(StartPlay(g, -1, 1000.0f), MMSYSERR_ALLOCATED);
    EXPECT_TRUE(LogContains("waveOutOpen Error 4"));
    EXPECT_FALSE(IsPlaying());
    StopPlay();
    ASSERT_EQ(StartPlay(g, -1, 1000.0f), 0);
    StopPlay();

    devlog::Clear();
    SetBits(0, 12); // a width no device takes
    EXPECT_EQ(StartPlay(g, -1, 1000.0f), WAVERR_BADFORMAT);
    EXPECT_EQ(LastSoundError(), 0);
    EXPECT_TRUE(devlog::Lines().isEmpty());
    EXPECT_TRUE(SoundErrorText(WAVERR_BADFORMAT)
                    .endsWith("The device takes 8, 16, 24 bit at 48000 Hz: choose a width under "
                              "Audio-Out-Parameter (Out-Para)."))
        << SoundErrorText(WAVERR_BADFORMAT).toStdString();
    EXPECT_FALSE(FormatSupported(48000, 12, false));
}

TEST_F(PlaybackEngine, AccessorsFollowTheSettersRules)
{
    SetBits(24, 8);
    int in = 0, out = 0;
    GetBits(in, out);
    EXPECT_EQ(in, 24);
    EXPECT_EQ(out, 8);
    EXPECT_EQ(InSlot(0).format.bitsPerSample, 32);
    SetBits(0, -5); // not positive: unchanged
    GetBits(in, out);
    EXPECT_EQ(in, 24);
    EXPECT_EQ(out, 8);
    SetUserRates(12345, 0);
    GetUserRates(in, out);
    EXPECT_EQ(in, 12345);
    SetInversePhase(true, false, false, true);
    bool a, b, c, d;
    GetInversePhase(a, b, c, d);
    EXPECT_TRUE(a && !b && !c && d);
    EXPECT_EQ(InSlot(0).phaseL, -1);
    EXPECT_EQ(OutSlot(0).phaseR, -1);

    SetInDevice(2); // the virtual card has one device per direction
    EXPECT_EQ(GetInDevice(), 0);
    EXPECT_EQ(DeviceName('I', 0), VirtualCard::inputName());
    EXPECT_EQ(DeviceName('O', 1), "");
}

TEST_F(PlaybackEngine, CapabilityReportListsTheVirtualCard)
{
    int inCount = 0, outCount = 0, mask = 0;
    DeviceReport(inCount, outCount, mask);
    EXPECT_EQ(inCount, 1);
    EXPECT_EQ(outCount, 1);
    EXPECT_EQ(mask, 0xFFFFF);
    EXPECT_EQ(InputFormatMask(0), 0xFFFFFu);
    const QStringList expected = {
        "--- Programm Version system  1.4f ---",
        "WaveInNumDevs  : 1",
        "WaveOutNumDevs : 1",
        "MidiNumDevs    : 0",
        "AuxNumDevs     : 0",
        " ",
        "WaveIn´s ----------",
        VirtualCard::inputName(),
        "Wave-In Formats      fffff",
        "Wave-In Channels         2",
        "Wave-In wReserved        0",
        " ",
        "WaveOut´s ---------",
        VirtualCard::outputName(),
        "Wave-Out Formats      fffff",
        "Wave-Out Support         2c",
        "Wave-Out Channnels        2",
        " ",
        "WaveAux´s ---------",
    };
    EXPECT_EQ(devlog::Lines(), expected);
}

TEST_F(PlaybackEngine, ShutdownWritesTheSoundSection)
{
    SetSampleRates(96000, 22050);
    SoundDone();
    const QString path = SettingsFilePath();
    const QString key = DeviceKey(true, VirtualCard::inputName(), "sf");
    EXPECT_EQ(GetProfileString("SDSOUND", key, "", 30, path), "96000");
    // The next start reads it back.
    ASSERT_EQ(SoundInit(), 0);
    int in = 0, out = 0;
    GetSampleRates(in, out);
    EXPECT_EQ(in, 96000);
    EXPECT_EQ(out, 22050);
}

// A settings file that exists but cannot be read must not be replaced by
// one holding only the sound section: every other section would be lost.
TEST_F(PlaybackEngine, ShutdownNeverReplacesASettingsFileItCouldNotRead)
{
    ScratchDir dir;
    const QByteArray old = "[MAIN]\r\nPAGE=2\r\n[FFT]\r\nCOMMENT=keep me\r\n";
    dir.write("krv14f.ini", old);
    const QString path = dir.file("krv14f.ini");
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), NobodyUid(), NobodyGid()), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0200), 0); // write-only
    const ChildResult r = RunInChild(
        [&] {
            qputenv("KORVANTA_SETTINGS", QFile::encodeName(path));
            if (SoundInit() != 0)
                return 2;
            SoundDone();
            return 0;
        },
        /*dropPrivileges=*/true);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0) << r.stdErr.toStdString();
    ::chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(dir.read("krv14f.ini"), old);
}
