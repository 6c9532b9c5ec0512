#pragma once
// State of the audio layer shared by its source files (not for clients: they
// use Soundd3.h). GUI thread only.

#include "audio/GeneratorSettings.h"
#include "audio/SoundSettings.h"
#include "platform/audio/WaveIn.h"
#include "platform/audio/WaveOut.h"

#include <functional>
#include <memory>
#include <optional>
#include <random>

namespace korvanta {

inline constexpr uint32_t kInputBufferBytes = 262144;
inline constexpr uint32_t kOutputBufferBytes = 262144;
inline constexpr int kConversionFloats = 65536;
// Last error when the sound system could not be initialised (no buffers).
inline constexpr int kSoundInitFailed = 3;

struct SoundLayer {
    SoundSlots sound;
    int currentIn = 0;
    int currentOut = 0;
    uint32_t inFormats[kSlotCount] = {0, 0, 0};
    uint32_t outFormats[kSlotCount] = {0, 0, 0};
    // Said after the text of a refused format (FormatAdvice), until the next
    // start that works.
    QString formatAdvice;
    bool initialised = false;
    int lastError = 0;

    // Buffers: allocated by SoundInit, freed by SoundDone.
    std::unique_ptr<WaveHeader> inHeader;
    std::unique_ptr<uint8_t[]> inData;
    std::unique_ptr<WaveHeader> outHeader;
    std::unique_ptr<uint8_t[]> outData;
    std::unique_ptr<float[]> conversion;

    // Capture engine.
    std::unique_ptr<WaveIn> waveIn;
    bool inOpen = false;
    bool recording = false;
    int recordBits = 16; // sample width of the recording in flight
    std::function<void()> completion;
    const void* recordOwner = nullptr;   // of the recording in flight
    const void* fetchedOwner = nullptr;  // of the block fetched last
    // The newest request made while another recording was in flight: that
    // block is dropped when it arrives, and this one started then.
    struct RecordRequest {
        int frames = 0;
        int userValue = 0;
        std::function<void()> completion;
        const void* owner = nullptr;
    };
    std::optional<RecordRequest> waitingRequest;
    int waitingStartFault = 0;  // its start failed: the next fetch reports this
    WaveHeader* completed = nullptr;
    QObject* notify = nullptr;
    // What the recording in flight was opened for, and the output changes
    // counted when it was asked for.
    int recordDevice = -1;
    WaveFormat recordFormat;
    uint32_t recordOutputs = 0;
    // The input of the last whole block, left running for the next one of
    // the same device and format (see Soundd3Capture.cpp).
    std::unique_ptr<WaveIn> keptIn;
    int keptDevice = -1;
    WaveFormat keptFormat;
    uint32_t keptOutputs = 0;
    uint32_t keptSerial = 0; // tells the idle timer which kept input it was armed for

    // Playback engine.
    std::unique_ptr<WaveOut> waveOut;
    bool outOpen = false;
    bool playing = false;
    GeneratorSettings playSettings;
    int precision = 0;
    std::function<void(int)> playFault;

    // User wave file player.
    std::unique_ptr<WaveOut> userWave;
    std::function<void(int)> userWaveFault;
    std::mt19937 noise{0x6b72766e};

    DeviceSlot& inSlot() { return sound.in[currentIn]; }
    DeviceSlot& outSlot() { return sound.out[currentOut]; }
};

SoundLayer& Layer();

// Appends "<prefix><code>" and the code's error text (cut to 127
// characters) to the device log.
void LogWaveError(const QString& prefix, int code);

// Closes the input after a failed start or at shut-down (a kept one too); a
// handle that fails to close is abandoned so that the next start can work.
void ShutInput();

// Closes an input kept open between blocks, if there is one.
void CloseKeptInput();

} // namespace korvanta
