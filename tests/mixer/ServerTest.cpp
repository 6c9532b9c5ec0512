// The mixer on a real sound server: a PulseAudio or PipeWire daemon of this
// test with a null sink, reached through ALSA's pulse or pipewire plugin. Its "Master" and
// "Capture" are read, written (through the server's cubic volume scale),
// notified, and given back when the program ends. Skipped, with the reason,
// where the server cannot start.

#include "platform/mixer/AlsaMixer.h"
#include "measure/ui/AnalyzerPage.h"
#include "tests/app/AppTestSupport.h"
#include "platform/DeviceLog.h"
#include "tests/support/SoundServer.h"
#include "generator/ui/GeneratorPage.h"
#include "app/ui/MainMenu.h"
#include "mixer/ui/mixu.h"

#include <QAction>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

using namespace korvanta;

namespace {
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new SoundServerEnvironment);

int serverVolume(bool sink) { return SoundServer::instance().volume(sink); }

// Raw volumes of the default sink, one per channel.
std::vector<int> sinkChannels()
{
    const QString out = SoundServer::instance().pactl({"get-sink-volume", "@DEFAULT_SINK@"});
    std::vector<int> v;
    for (const auto& m : QRegularExpression(QStringLiteral("front-(?:left|right): (\\d+)")).globalMatch(out))
        v.push_back(m.captured(1).toInt());
    return v;
}

// A case that stops the server gets a daemon of its own, and the cases after
// it a fresh one again: a daemon that was stopped under live clients is not
// trusted further. The private runtime folder stays, so ALSA's "default"
// still reaches the new daemon.
class OwnDaemon {
public:
    OwnDaemon() { renew(); }
    ~OwnDaemon() { renew(); }
    bool running() const { return SoundServer::instance().running(); }

private:
    static void renew()
    {
        SoundServer::instance().kill();
        SoundServer::instance().start();
    }
};

// How long a client of a stopped server waits before it gives up: the
// freeze the program must not show.
constexpr int kServerFreezeMs = 32000;
void setServerVolume(bool sink, const QString& volume) { SoundServer::instance().setVolume(sink, volume); }

// Collects the change events of a mixer.
class EventLog : public QObject {
public:
    std::vector<uint32_t> ids;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != MM_MIXM_CONTROL_CHANGE)
            return QObject::event(e);
        ids.push_back(static_cast<MixerChangeEvent*>(e)->id());
        return true;
    }
};

uint32_t findControl(const MixerTree& t, uint32_t type, int destination)
{
    for (uint32_t id : t.destinations[destination].controlIds)
        if (t.control(id)->desc.controlType == type)
            return id;
    return 0;
}
} // namespace

TEST(SoundServerMixer, MasterAndCaptureAreTheTreeOfAServer)
{
    SKIP_WITHOUT_SOUND_SERVER();
    const auto mixer = AlsaMixer::open();
    ASSERT_TRUE(mixer);
    MixerCaps caps;
    ASSERT_EQ(mixer->getDevCaps(caps), 0);
    EXPECT_TRUE(caps.sharedMaster);
    const MixerTree& t = mixer->tree();
    ASSERT_EQ(t.destinations.size(), 2u);
    EXPECT_EQ(t.destinations[0].desc.name, "Speakers");
    EXPECT_EQ(t.destinations[0].sources.size(), 0u);
    ASSERT_EQ(t.destinations[1].sources.size(), 1u);
    EXPECT_EQ(t.destinations[1].sources[0].desc.name, "Capture");
}

TEST(SoundServerMixer, VolumesGoThroughTheCubicScaleAndComeBackNotified)
{
    SKIP_WITHOUT_SOUND_SERVER();
    EventLog log;
    const auto mixer = AlsaMixer::open();
    ASSERT_TRUE(mixer);
    mixer->setCallback(&log);
    const uint32_t master = findControl(mixer->tree(), MIXERCONTROL_CONTROLTYPE_VOLUME, 0);
    ASSERT_NE(master, 0u);
    const int32_t twenty = 13107;
    ASSERT_EQ(mixer->setControlValues(master, 1, &twenty), 0);
    // 20 % of the amplitude is 58.5 % of the server's raw volume.
    EXPECT_TRUE(QTest::qWaitFor([] { return std::abs(serverVolume(true) - 38326) < 200; }, 3000))
        << serverVolume(true);
    int32_t back = 0;
    ASSERT_EQ(mixer->getControlValues(master, 1, &back), 0);
    EXPECT_NEAR(back, twenty, 70);
    // Another program halves the raw volume: an eighth of the amplitude.
    log.ids.clear();
    setServerVolume(true, QStringLiteral("50%"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::count(log.ids.begin(), log.ids.end(), master) > 0; }, 3000));
    ASSERT_EQ(mixer->getControlValues(master, 1, &back), 0);
    EXPECT_NEAR(back, 65535 / 8, 70);
}

class SoundServerProgram : public MainWindowTest {};

TEST_F(SoundServerProgram, TheDesktopVolumesAreTheSameAfterARun)
{
    SKIP_WITHOUT_SOUND_SERVER();
    setServerVolume(true, QStringLiteral("70%"));
    setServerVolume(false, QStringLiteral("90%"));
    const int sinkBefore = serverVolume(true);
    const int sourceBefore = serverVolume(false);
    writeSettings("[VOLUME]\nFGVOLUME=20\nFGINVOLUME=50\n");
    start();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([] { return Forms().Mixu && bool(Forms().Mixu->InSelMixChange); }, 5000));
    ASSERT_TRUE(Forms().Mixu->MixOn());
    QApplication::processEvents();
    EXPECT_EQ(serverVolume(true), sinkBefore) << "activation leaves the desktop's master alone";
    EXPECT_NEAR(main->Settings().FgVolume, 34, 1) << "and shows it: 70 % raw is 34 % amplitude";
    EXPECT_EQ(main->Menu->MixItems[0]->text(), "Capture");
    EXPECT_TRUE(main->Menu->MixItems[0]->isChecked());
    // The input level is the server's capture volume, 50 % amplitude.
    EXPECT_TRUE(QTest::qWaitFor([] { return std::abs(serverVolume(false) - 52016) < 200; }, 3000))
        << serverVolume(false);
    main->GeneratorPage->ScrollBar2->setValue(90);
    EXPECT_TRUE(QTest::qWaitFor([] { return std::abs(serverVolume(true) - 30419) < 200; }, 3000))
        << "10 % amplitude: " << serverVolume(true);
    closeMain();
    EXPECT_NEAR(serverVolume(true), sinkBefore, 70);
    EXPECT_NEAR(serverVolume(false), sourceBefore, 70);
}

namespace {
// Its server is frozen: a daemon of its own, opened by the window.
class StoppedServerProgram : public MainWindowTest {
protected:
    OwnSoundServer server;
};

// A volume change while the server is stopped: the write gets two seconds,
// then the mixer is given up (a device-log line) and the window goes on;
// later changes fail at once, and the program still ends normally.
TEST_F(StoppedServerProgram, AStoppedServerNeverHoldsTheWindowOnAVolumeChange)
{
    SKIP_UNLESS_RUNNING(server);
    start();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([] { return Forms().Mixu && bool(Forms().Mixu->InSelMixChange); }, 5000));
    server.pause();
    QElapsedTimer t;
    t.start();
    main->GeneratorPage->ScrollBar2->setValue(60);
    EXPECT_LT(t.elapsed(), 4000);
    EXPECT_TRUE(devlog::Lines().join('\n').contains("did not answer")) << devlog::Lines().join('\n').toStdString();
    t.restart();
    main->GeneratorPage->ScrollBar2->setValue(50);
    EXPECT_LT(t.elapsed(), 500) << "a mixer given up on is not asked again";
    t.restart();
    closeMain();
    EXPECT_LT(t.elapsed(), 4000);
}

// A stored source the server's one-item selector lacks: the input keeps its
// level through the source there is, the caption names it, and the stored
// choice survives for a card that has it.
TEST_F(SoundServerProgram, AStoredSourceTheServerLacksNeitherSilencesNorIsForgotten)
{
    SKIP_WITHOUT_SOUND_SERVER();
    setServerVolume(false, QStringLiteral("100%"));
    writeSettings("[VOLUME]\nAUDIOINCHANNEL=1\nFGINVOLUME=50\n");
    start();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([] { return Forms().Mixu && bool(Forms().Mixu->InSelMixChange); }, 5000));
    ASSERT_TRUE(Forms().Mixu->MixOn());
    // Let the program's own selection come back as a change event.
    QTest::qWait(200);
    EXPECT_TRUE(main->Menu->MixItems[0]->isChecked());
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Eingang: Capture ");
    EXPECT_TRUE(QTest::qWaitFor([] { return std::abs(serverVolume(false) - 52016) < 200; }, 3000))
        << "50 % amplitude, not silence: " << serverVolume(false);
    EXPECT_TRUE(devlog::Lines().join('\n').contains("recording source 1 is not on this mixer"));
    closeMain();
    EXPECT_EQ(setting("VOLUME", "AUDIOINCHANNEL"), "1");
}

// At exit the master goes back channel by channel, and only where it still
// reads what the program left: the user's own change of one channel stays.
// PipeWire's ALSA control plugin (0.3.65) compares only the first channel's
// volume when it looks for a change, so a change of the right channel alone
// never reaches any ALSA program; there the user changes the left one, and
// the right-only change is held as the server's limit (a PipeWire that
// reports it fails here, and the README's note can go).
TEST_F(SoundServerProgram, AtExitTheMasterGoesBackOnlyWhereTheUserLeftIt)
{
    SKIP_WITHOUT_SOUND_SERVER();
    const bool pipeWire = TestServerKind() == ServerKind::PipeWire;
    const int users = pipeWire ? 0 : 1;
    const int programs = 1 - users;
    setServerVolume(true, QStringLiteral("100%"));
    start();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([] { return Forms().Mixu && bool(Forms().Mixu->InSelMixChange); }, 5000));
    main->GeneratorPage->ScrollBar2->setValue(80);
    ASSERT_TRUE(QTest::qWaitFor([] { return std::abs(serverVolume(true) - 38326) < 200; }, 3000));
    const std::vector<int> programsLevels = sinkChannels();
    ASSERT_EQ(programsLevels.size(), 2u);
    TsrcCtr* master = Forms().Mixu->Mixer()->PlayLine()->Control(0);
    ASSERT_TRUE(master && master->IsVolume());
    MixerDevice* device = Forms().Mixu->Mixer()->Handle();
    auto channelValues = [&] {
        std::vector<int32_t> v;
        return device->getChannelValues(master->Id(), v) == 0 && v.size() == 2 ? v : std::vector<int32_t>{};
    };
    // A desktop mixer turns one channel up to 80 % raw.
    const int usersVolume = 52429;
    auto setSink = [](int first, int second) {
        SoundServer::instance().pactl(
            {"set-sink-volume", "@DEFAULT_SINK@", QString::number(first), QString::number(second)});
    };
    if (pipeWire) {
        const std::vector<int32_t> before = channelValues();
        setSink(programsLevels[0], usersVolume);
        ASSERT_TRUE(QTest::qWaitFor([] { return sinkChannels().size() == 2 && sinkChannels()[1] == usersVolume; }, 3000));
        QTest::qWait(500);
        EXPECT_EQ(channelValues(), before) << "PipeWire's plugin now reports a change of the right channel alone";
        setSink(programsLevels[0], programsLevels[1]);
    }
    if (users == 1)
        setSink(programsLevels[0], usersVolume);
    else
        setSink(usersVolume, programsLevels[1]);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::vector<int32_t> v = channelValues();
            return !v.empty() && v[users] > v[programs];
        },
        3000))
        << "the program hears of the change";
    closeMain();
    const std::vector<int> after = sinkChannels();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_NEAR(after[programs], 65536, 70) << "the program's channel goes back";
    EXPECT_EQ(after[users], usersVolume) << "the user's channel stays";
}

// A server that is stopped when the program starts: the window comes up
// long before the server's client would give up, says the mixer is not
// available, and "&Reset Soundsystem" finds the mixer once the server runs.
TEST_F(SoundServerProgram, AStoppedServerAtStartLeavesTheWindowUpUntilAReset)
{
    SKIP_WITHOUT_SOUND_SERVER();
    const OwnDaemon daemon;
    ASSERT_TRUE(daemon.running()) << SoundServer::instance().reason().toStdString();
    SoundServer::instance().pause();
    QElapsedTimer t;
    t.start();
    start();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([] { return Forms().Mixu && bool(Forms().Mixu->InSelMixChange); }, 5000));
    const qint64 upAfter = t.elapsed();
    EXPECT_TRUE(main->isVisible());
    EXPECT_LT(upAfter, kServerFreezeMs / 2) << "well before the stopped server would have let go";
    EXPECT_FALSE(Forms().Mixu->MixOn());
    EXPECT_TRUE(Forms().Mixu->SupportWanted());
    EXPECT_EQ(main->Menu->MixerSupport1->text(), "Mixer Support OFF");
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Eingang: Mixer nicht verfügbar ");
    EXPECT_TRUE(devlog::Lines().join('\n').contains("mixer did not answer")) << devlog::Lines().join('\n').toStdString();
    EXPECT_FALSE(main->Menu->MixItems[0]->isVisible());

    SoundServer::instance().resume();
    main->Menu->Reset1->trigger();
    EXPECT_TRUE(Forms().Mixu->MixOn());
    EXPECT_EQ(main->Menu->MixerSupport1->text(), "Mixer Support ON");
    EXPECT_EQ(main->Menu->MixItems[0]->text(), "Capture");
    EXPECT_TRUE(main->Menu->MixItems[0]->isChecked());
    EXPECT_EQ(main->AnalyzerPage->GroupBox1->title(), " Eingang: Capture ");
    EXPECT_TRUE(main->GeneratorPage->ScrollBar2->isEnabled());
    closeMain();
}
} // namespace
