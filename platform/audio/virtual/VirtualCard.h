#pragma once
// The virtual loopback card: one input and one output device of the program,
// chosen when the machine has no sound device or with KORVANTA_AUDIO=virtual.
// Its input hears the frames its output writes (PlayedStream), resampled to
// the input's rate when the two differ (Resampler), plus an optional
// external source, both through a simulated device under test
// (DutSimulator). The DUT is configured by KORVANTA_DUT, read at every open
// of the input, or from C++ with setDut(), which then takes precedence.
//
// Test interface (GUI thread): setFastMode, setDut/clearDut, injectFault/
// clearFaults, setInputVolume, setFormatLimits, reset. Fast mode delivers
// each block as soon as it is asked for (still through the device thread
// and a posted event); otherwise the card runs in real time.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/virtual/DutConfig.h"
#include "platform/audio/virtual/DutSimulator.h"
#include "platform/audio/virtual/PlayedStream.h"
#include "platform/audio/virtual/Resampler.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace korvanta {

class VirtualCard : public AudioBackend {
public:
    static VirtualCard& instance();

    static QString inputName();
    static QString outputName();

    // --- test interface -------------------------------------------------
    void setFastMode(bool fast);
    void setDut(const DutConfig& config);
    void clearDut();                                  // back to KORVANTA_DUT
    // Makes the next `times` occasions of the fault happen (-1: until
    // cleared). `code` is the error of OpenFails/OutputOpenFails/CloseFails
    // (defaults: 4 "in use", 4, 1).
    void injectFault(VirtualFault fault, int code = 0, int times = -1);
    void clearFaults();
    void setInputVolume(int percent);                 // 0..100, 100 = unity
    int inputVolume() const;
    // The only rates and widths (8, 16, 32; 24 means 32) the devices take;
    // empty: no limit. Applies on top of the `rates=` / `bits=` keys.
    void setFormatLimits(const std::vector<int>& rates, const std::vector<int>& bits);
    // The virtual mixer's part of the path: playGain scales what the output
    // plays (master and wave-out volume), inputGain multiplies the input
    // volume above (the selected recording source's volume), and without
    // hearsDut the selected source is one the DUT is not wired to, so the
    // input hears only a noise floor. Unity and wired on a new card.
    void setMixerPath(double playGain, double inputGain, bool hearsDut);
    // Everything back to a new card (fast mode off, no DUT override, no
    // fault, volume 100, nothing playing).
    void reset();
    // Whether the output is playing right now.
    bool outputPlaying() const;
    // Whether an output of the card is open (any thread). While one is,
    // the built-in tone heard without KORVANTA_DUT pauses, so that what the
    // program plays is heard alone; a source that was asked for (an `ext=`
    // in KORVANTA_DUT, or set from C++) plays on.
    bool outputOpen() const { return openOutputs_.load() > 0; }
    // Kept by the card's output streams (any thread).
    void outputOpened() { ++openOutputs_; }
    void outputClosed() { --openOutputs_; }
    // How often the input was opened or asked about a format since the last
    // reset (on a real device both are opens; through a sound server each a
    // new connection).
    int inputOpenings() const { return inputOpenings_.load(); }

    // --- AudioBackend ----------------------------------------------------
    QString name() const override { return QStringLiteral("virtual"); }
    int initialise() override;
    int inputCount() override { return 1; }
    int outputCount() override { return 1; }
    QString deviceName(bool input, int device) override;
    int inputCaps(int device, WaveInCaps& caps) override;
    int outputCaps(int device, WaveOutCaps& caps) override;
    int queryInput(int device, const WaveFormat& format) override;
    int queryOutput(int device, const WaveFormat& format) override;
    int openInput(int device, const WaveFormat& format, std::unique_ptr<CaptureSource>& out) override;
    int openOutput(int device, const WaveFormat& format, std::unique_ptr<PlaybackSink>& out) override;

    // --- used by the card's own streams (any thread) ----------------------
    // Renders up to `frames` input frames in the input's format into dst
    // and returns how many. With `waitUntil` it waits until then for frames
    // a playing output is about to write (and returns fewer when they do not
    // come); without, frames the output has not delivered are heard as
    // silence. While nothing plays the input hears silence at once.
    int render(uint8_t* dst, int frames, const WaveFormat& format,
               std::optional<PlayedStream::Clock::time_point> waitUntil);
    // What the output has written and the input not yet heard.
    PlayedStream& played() { return played_; }
    // Whether a stream of the card runs in fast mode now.
    bool fastNow();
    // Whether the stream fault occurs now (counts one occasion).
    bool takeFault(VirtualFault fault, int* code = nullptr);

    // What an open of the input sees: DUT, fast mode, fault of the stream.
    struct Session {
        bool fast = false;
        VirtualFault fault = VirtualFault::None;
        int code = 0;
    };

private:
    VirtualCard() = default;
    int checkFormat(int device, const WaveFormat& format);
    uint32_t formatMask();
    Session beginSession(int rate);
    DutSpec currentSpec();
    int hearPlayed(double* stereo, int frames, int rate, std::optional<PlayedStream::Clock::time_point> waitUntil);
    double floorNoise();

    mutable std::mutex mutex_;
    bool fast_ = false;
    std::optional<DutConfig> dutOverride_;
    VirtualFault fault_ = VirtualFault::None;
    int faultCode_ = 0;
    int faultTimes_ = 0;
    std::atomic<int> volume_{100};
    std::atomic<int> inputOpenings_{0};
    std::atomic<int> openOutputs_{0};
    // The simulation runs the built-in source: KORVANTA_DUT unset, nothing
    // set from C++.
    bool builtInSource_ = false;
    double mixPlayGain_ = 1.0;
    double mixInputGain_ = 1.0;
    bool mixHearsDut_ = true;
    uint32_t floorNoise_ = 1;
    std::optional<int> envVolume_;
    std::unique_ptr<DutSimulator> sim_;
    QString lastLoggedSpec_;
    std::vector<int> rateLimits_;
    std::vector<int> bitLimits_;
    std::vector<double> scratch_;

    PlayedStream played_;
    // The input's side of the played signal (input device thread only).
    std::mutex listenMutex_;
    uint64_t heardSession_ = 0;
    std::unique_ptr<Resampler> resampler_;
    std::vector<double> heard_;
    std::vector<double> source_;
};

} // namespace korvanta
