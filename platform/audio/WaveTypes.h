#pragma once
// Records and constants of the program's wave audio interface. They keep the
// shape of the classic multimedia API (format record, buffer header, device
// capabilities, error numbers) because the audio engines are written against
// that shape; the backends (ALSA, the virtual loopback card) fill them in.

#include <QEvent>
#include <QString>
#include <atomic>
#include <cstdint>

namespace korvanta {

// PCM format of an open device. Only format tag 1 (integer PCM) is used.
struct WaveFormat {
    uint16_t formatTag = 1;
    uint16_t channels = 2;
    uint32_t samplesPerSec = 44100;
    uint32_t avgBytesPerSec = 176400;
    uint16_t blockAlign = 4;
    uint16_t bitsPerSample = 16;
    uint16_t extraSize = 0;
};

// Header flags.
inline constexpr uint32_t WHDR_DONE = 0x1;
inline constexpr uint32_t WHDR_PREPARED = 0x2;
inline constexpr uint32_t WHDR_BEGINLOOP = 0x4;
inline constexpr uint32_t WHDR_ENDLOOP = 0x8;
inline constexpr uint32_t WHDR_INQUEUE = 0x10;

// One buffer handed to a device. The device thread writes bytesRecorded,
// fault and the DONE flag, then posts the block-done event; the GUI thread
// reads them only after that event (release/acquire through `flags`).
struct WaveHeader {
    uint8_t* data = nullptr;
    uint32_t bufferLength = 0;
    uint32_t bytesRecorded = 0;
    intptr_t user = 0;
    std::atomic<uint32_t> flags{0};
    uint32_t loops = 0;
    // Why a block ended early (0: it did not). One of the WAVERR_DEVICE_*
    // codes below; the engine turns it into a missing block.
    int fault = 0;
    // Set anew each time the buffer is queued; the block-done event carries
    // it so that an announcement of an earlier recording is recognised.
    uint32_t generation = 0;
};

// Classic error numbers (0 is success).
inline constexpr int MMSYSERR_NOERROR = 0;
inline constexpr int MMSYSERR_ERROR = 1;
inline constexpr int MMSYSERR_BADDEVICEID = 2;
inline constexpr int MMSYSERR_NOTENABLED = 3;
inline constexpr int MMSYSERR_ALLOCATED = 4;
inline constexpr int MMSYSERR_INVALHANDLE = 5;
inline constexpr int MMSYSERR_NODRIVER = 6;
inline constexpr int MMSYSERR_NOMEM = 7;
inline constexpr int MMSYSERR_NOTSUPPORTED = 8;
inline constexpr int MMSYSERR_BADERRNUM = 9;
inline constexpr int MMSYSERR_INVALFLAG = 10;
inline constexpr int MMSYSERR_INVALPARAM = 11;
inline constexpr int WAVERR_BADFORMAT = 32;
inline constexpr int WAVERR_STILLPLAYING = 33;
inline constexpr int WAVERR_UNPREPARED = 34;
inline constexpr int WAVERR_SYNC = 35;

// Faults of a running device, our own numbers. They stay below 1000 so the
// error-text lookup of the engines treats them as input codes, and away from
// every classic range (system 0-21, wave 32-35, MIDI, timer, joystick, MCI,
// mixer from 1024 up).
inline constexpr int WAVERR_DEVICE_STALLED = 901;      // stopped delivering
inline constexpr int WAVERR_DEVICE_GONE = 902;         // disconnected mid-block
inline constexpr int WAVERR_DEVICE_SHORT_BLOCK = 903;  // fewer frames than asked
inline constexpr int WAVERR_OUTPUT_STALLED = 904;      // output took nothing for too long
inline constexpr int WAVERR_OUTPUT_GONE = 905;         // output disconnected while playing
inline constexpr int WAVERR_OUTPUT_WRITE = 906;        // output refused a write
inline constexpr int WAVERR_FILE_READ = 907;           // a playing wave file could not be read on
inline constexpr int WAVERR_DEVICE_OVERRUN = 908;      // the input overran in every try of a block
inline constexpr int WAVERR_DEVICE_NO_ANSWER = 909;    // an open got no answer in time (a stopped sound server)

// How long an output may take no frame at all before it counts as stalled.
inline constexpr int kOutputStallMs = 1000;

// Format mask bits of the capability report: rate x width x channels.
inline constexpr uint32_t WAVE_FORMAT_1M08 = 0x00001, WAVE_FORMAT_1S08 = 0x00002,
                          WAVE_FORMAT_1M16 = 0x00004, WAVE_FORMAT_1S16 = 0x00008,
                          WAVE_FORMAT_2M08 = 0x00010, WAVE_FORMAT_2S08 = 0x00020,
                          WAVE_FORMAT_2M16 = 0x00040, WAVE_FORMAT_2S16 = 0x00080,
                          WAVE_FORMAT_4M08 = 0x00100, WAVE_FORMAT_4S08 = 0x00200,
                          WAVE_FORMAT_4M16 = 0x00400, WAVE_FORMAT_4S16 = 0x00800,
                          WAVE_FORMAT_48M08 = 0x01000, WAVE_FORMAT_48S08 = 0x02000,
                          WAVE_FORMAT_48M16 = 0x04000, WAVE_FORMAT_48S16 = 0x08000,
                          WAVE_FORMAT_96M08 = 0x10000, WAVE_FORMAT_96S08 = 0x20000,
                          WAVE_FORMAT_96M16 = 0x40000, WAVE_FORMAT_96S16 = 0x80000;

// The rates behind the mask bits, in bit order (four bits per rate:
// mono 8, stereo 8, mono 16, stereo 16).
inline constexpr int kClassicRates[5] = {11025, 22050, 44100, 48000, 96000};

// Output support flags.
inline constexpr uint32_t WAVECAPS_PITCH = 0x1, WAVECAPS_PLAYBACKRATE = 0x2,
                          WAVECAPS_VOLUME = 0x4, WAVECAPS_LRVOLUME = 0x8,
                          WAVECAPS_SYNC = 0x10, WAVECAPS_SAMPLEACCURATE = 0x20;

struct WaveInCaps {
    QString name;          // product name shown to the user
    uint32_t formats = 0;  // WAVE_FORMAT_* mask
    uint16_t channels = 0;
    uint16_t reserved = 0;
};

struct WaveOutCaps {
    QString name;
    uint32_t formats = 0;
    uint16_t channels = 0;
    uint32_t support = 0;  // WAVECAPS_* flags
};

// The block-done event a capture thread posts to the notification object.
class WaveDataEvent : public QEvent {
public:
    WaveDataEvent(QEvent::Type type, WaveHeader* header, uint32_t generation)
        : QEvent(type), header_(header), generation_(generation)
    {
    }
    // Only compared with the live header until the generation is checked:
    // the buffer may be gone by the time the event is handled.
    WaveHeader* header() const { return header_; }
    uint32_t generation() const { return generation_; }

private:
    WaveHeader* header_;
    uint32_t generation_;
};

// The event a playback thread posts when its device fails while playing.
// `serial` names the open output (WaveOut::serial()), so a report about an
// output that has been closed and replaced meanwhile is recognised.
class WaveOutFaultEvent : public QEvent {
public:
    WaveOutFaultEvent(QEvent::Type type, uint32_t serial, int code) : QEvent(type), serial_(serial), code_(code) {}
    uint32_t serial() const { return serial_; }
    int code() const { return code_; }

private:
    uint32_t serial_;
    int code_;
};

// Marks a buffer of at least minLength bytes as prepared.
inline int PrepareWaveHeader(WaveHeader& header, uint32_t minLength)
{
    if (!header.data || header.bufferLength < minLength)
        return MMSYSERR_INVALPARAM;
    header.flags.fetch_or(WHDR_PREPARED);
    return 0;
}

// A buffer still queued on a device cannot be unprepared.
inline int UnprepareWaveHeader(WaveHeader& header)
{
    if (header.flags.load(std::memory_order_acquire) & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    header.flags.fetch_and(~WHDR_PREPARED);
    return 0;
}

// Fills blockAlign and avgBytesPerSec for 2 channels of `bits` at `rate`.
WaveFormat MakeWaveFormat(int rate, int bits, int channels = 2);

} // namespace korvanta
