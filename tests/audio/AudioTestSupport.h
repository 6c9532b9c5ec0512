#pragma once
// Shared by the audio tests: a started sound layer on the virtual card in
// fast mode, and one recorded block fetched the way a client does it.

#include "platform/DeviceLog.h"
#include "audio/Soundd3.h"
#include "audio/Tdummy.h"
#include "platform/audio/virtual/VirtualCard.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace korvanta;

struct RecordedBlock {
    bool arrived = false;       // the completion procedure ran
    bool present = false;       // GetRecordBlock returned a block
    std::vector<float> data;
    int overRange = 0;
    int userValue = 0;
    int lastError = 0;
    int calls = 0;
};

// Starts a recording and waits for its completion procedure (at most
// timeoutMs). Returns the start's result in *startResult.
inline RecordedBlock RecordBlock(int frames, int userValue = 0, int* startResult = nullptr, int timeoutMs = 10000)
{
    RecordedBlock b;
    const int rc = StartRecord(frames, userValue, [&b] {
        int count = 0;
        ++b.calls;
        float* p = GetRecordBlock(count, b.overRange, b.userValue);
        b.lastError = LastSoundError();
        b.present = p != nullptr;
        if (p)
            b.data.assign(p, p + count);
        b.arrived = true;
    });
    if (startResult)
        *startResult = rc;
    if (rc == 0)
        (void)QTest::qWaitFor([&b] { return b.arrived; }, timeoutMs);
    return b;
}

// Largest magnitude of one channel (0: first float of each pair, 1: second).
inline float peak(const std::vector<float>& block, int channel)
{
    float p = 0;
    for (size_t i = channel; i < block.size(); i += 2)
        p = std::max(p, std::abs(block[i]));
    return p;
}

inline bool LogContains(const QString& text)
{
    for (const QString& line : devlog::Lines())
        if (line.contains(text))
            return true;
    return false;
}

// A sound layer on a clean virtual card in fast mode, with a straight-wire
// DUT (no external source), 48 kHz 16 bit both ways.
class VirtualLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        VirtualCard& card = VirtualCard::instance();
        card.reset();
        card.setFastMode(true);
        card.setDut(DutConfig{});
        ASSERT_EQ(SoundInit(), 0);
        SetInDevice(0);
        SetOutDevice(0);
        SetSampleRates(48000, 48000);
        SetBits(16, 16);
        // Slots persist through the settings file: start every test plain.
        SetFlip(false, false);
        SetInversePhase(false, false, false, false);
        SetDCOffsetL(0.0f);
        SetDCOffsetR(0.0f);
        SetAutoDC(false);
        devlog::Clear();
    }
    void TearDown() override
    {
        SoundDone();
        VirtualCard::instance().reset();
    }

    Tdummy dummy_;
};
