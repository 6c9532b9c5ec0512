#pragma once
// The audio layer's section "SDSOUND" of the settings file: per-device keys
// formed from the device names and the direction (DeviceKey; keys of the
// earlier, direction-less form are still read), plus the layer value
// "SINWAVERAM2".

#include "audio/DeviceSlot.h"

#include <QString>
#include <array>

namespace korvanta {

class ProfileStore;

struct SoundSlots {
    static constexpr int kSinWaveRam2Default = 24576;
    std::array<DeviceSlot, kSlotCount> in;
    std::array<DeviceSlot, kSlotCount> out;
    int sinWaveRam2 = kSinWaveRam2Default;
};

using DeviceNames = std::array<QString, kSlotCount>;

// Reads the section into the sound. Slot i is read only when input device i
// exists (its name is not empty); its output half and the phase keys use the
// name of output device i. Missing or unusable values take their defaults.
void ReadSoundSection(const ProfileStore& store, SoundSlots& sound, const DeviceNames& inNames,
                      const DeviceNames& outNames);

// Whether the section holds a rate for the input (or output) device of this
// name, in either key form.
bool RateStored(const ProfileStore& store, bool input, const QString& name);

// Writes every key whose forming name is not empty, and "SINWAVERAM2". A
// key of the earlier form that a written key replaces is removed.
void WriteSoundSection(ProfileStore& store, const SoundSlots& sound, const DeviceNames& inNames,
                       const DeviceNames& outNames);

} // namespace korvanta
