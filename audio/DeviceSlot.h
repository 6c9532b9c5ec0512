#pragma once
// Per-device settings of the audio layer: one slot per input device and one
// per output device (three each). Plain records; the layer in Soundd3 owns
// them.

#include "audio/BlockConversion.h"
#include "platform/audio/WaveTypes.h"

#include <QString>
#include <cstdint>

namespace korvanta {

struct DeviceSlot {
    static constexpr int kMaxName = 120;

    QString name;           // product name as the platform reports it
    int32_t phaseL = 1;     // inverse-phase multiplier L: +1, or -1 with "inv. Phase L"
    int32_t phaseR = 1;     // inverse-phase multiplier R
    bool flip = false;      // channel order exchanged ("flip channels")
    int32_t userRate = 55200; // the rate typed into the parameter dialog's "User" field
    float dcOffsetL = 0.0f; // manual DC correction of the PCM left channel, full-scale units
    float dcOffsetR = 0.0f; // manual DC correction of the PCM right channel
    bool autoDC = false;    // measure and remove the DC of every block
    WaveFormat format = MakeWaveFormat(44100, 16); // the format the device is opened with
};

inline constexpr int kSlotCount = 3;

// Applies a format change to a slot: name copied when not empty; 24 bits are
// stored as 32 (24-bit samples travel in 32-bit containers); rate and
// channels taken when not 0; bits and flip only when bits is not 0; block
// align channels x bits / 8 (6 becoming 8), bytes per second from it.
void FormatUpdate(DeviceSlot& slot, const QString& name, int rate, bool flip, int bits, int channels);

// Settings key of a device as files of earlier versions have it: blanks
// become '_', '[' '(' and ']' ')', then the suffix ("USB [Line] In" + "sf"
// -> "USB_(Line)_Insf"). An input and an output of the same name share it,
// so these keys are only read, for files written before DeviceKey.
QString SlotKey(const QString& deviceName, const QString& suffix);

// Settings key of a device: "in " or "out " by direction (a blank, which no
// key of the earlier form holds), the name with blanks as '_' and every
// character that cannot stand in a key escaped as %XX ('%', '_', '=', '[',
// ']', control characters, a leading ';' or '#'), then the suffix
// ("USB [Line] In" + "sf" -> "in USB_%5BLine%5D_Insf").
QString DeviceKey(bool input, const QString& deviceName, const QString& suffix);

// How the slot's recorded bytes of width `bits` become floats: its channel
// order, polarity and DC offset.
ConversionParams SlotConversion(const DeviceSlot& slot, int bits);

} // namespace korvanta
