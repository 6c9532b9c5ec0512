#pragma once
// The sound layer on the tests' sound server, as every engine and window
// test through a server sets it up: the server's loop at full volume with
// its source unmuted, so what reaches the input is what was played, and
// the layer on ALSA's "default" at one rate and 16 bits, channels as they
// come, no DC correction.

#include "audio/Soundd3.h"
#include "platform/DeviceLog.h"
#include "platform/audio/AudioBackend.h"
#include "platform/audio/alsa/AlsaBackend.h"
#include "tests/support/SoundServer.h"

#include <gtest/gtest.h>

namespace korvanta {

inline void OpenServerLoop(const SoundServer& server)
{
    server.setVolume(true, QStringLiteral("100%"));
    server.setVolume(false, QStringLiteral("100%"));
    server.pactlSucceeds({"set-source-mute", "@DEFAULT_SOURCE@", "0"});
}

// The devices the layer has chosen: the server's, at `rate`.
inline void UseServerDevices(int rate)
{
    SetInDevice(0);
    SetOutDevice(0);
    SetSampleRates(rate, rate);
    SetBits(16, 16);
    SetFlip(false, false);
    SetAutoDC(false);
}

// A test of an engine on the server, without a window: the layer started
// on ALSA in SetUp, done in TearDown. A test of a server of its own
// overrides server().
class ServerSoundLayerTest : public ::testing::Test {
protected:
    virtual SoundServer& server() { return SoundServer::instance(); }

    void SetUp() override
    {
        SKIP_UNLESS_RUNNING(server());
        OpenServerLoop(server());
        SetAudioBackendForTests(&AlsaBackend::instance());
        AlsaBackend::instance().rescan();
        ASSERT_EQ(SoundInit(), 0) << devlog::Lines().join('\n').toStdString();
        UseServerDevices(kDefaultServerRate);
        SetInversePhase(false, false, false, false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
        initialised_ = true;
    }
    void TearDown() override
    {
        if (initialised_)
            SoundDone();
        SetAudioBackendForTests(nullptr);
    }

private:
    bool initialised_ = false;
};

} // namespace korvanta
