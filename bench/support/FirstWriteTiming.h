#pragma once
// Time from a start to the first frame the output writes: the virtual card
// with its output wrapped so that the first write of a stream is stamped.
// Install the backend with SetAudioBackendForTests, arm before each start,
// then wait for the stamp.

#include "platform/audio/AudioBackend.h"

#include <chrono>

using namespace korvanta;

class FirstWriteBackend : public AudioBackend {
public:
    QString name() const override;
    int initialise() override;
    int inputCount() override;
    int outputCount() override;
    int inputCaps(int d, WaveInCaps& c) override;
    int outputCaps(int d, WaveOutCaps& c) override;
    QString deviceName(bool input, int d) override;
    int queryInput(int d, const WaveFormat& f) override;
    int queryOutput(int d, const WaveFormat& f) override;
    int openInput(int d, const WaveFormat& f, std::unique_ptr<CaptureSource>& out) override;
    int openOutput(int d, const WaveFormat& f, std::unique_ptr<PlaybackSink>& out) override;
};

// Forgets the last stamp; the next write stamps again.
void ArmFirstWrite();
// Waits (spinning, so the wait adds nothing) for the first write after
// ArmFirstWrite and returns the seconds from t0 to it.
double SecondsToFirstWrite(std::chrono::steady_clock::time_point t0);
