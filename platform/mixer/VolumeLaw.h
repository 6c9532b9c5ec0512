#pragma once
// What a mixer value means on a real control. The program's volumes are
// 0 .. 65535 and mean amplitude: p % of 65535 is p % of the amplitude at the
// top of the control's range (20 % is -14 dB below it). A control reaches
// that amplitude through whichever scale it has:
// - a dB scale (most sound cards): the value in dB below the top;
// - a sound server's volume (PulseAudio, PipeWire): their raw volume is the
//   cube root of the amplitude, so 20 % amplitude is 58 % of the raw range
//   (a linear mapping would put it near -42 dB);
// - neither: linearly on the raw range.
// Reading back is the inverse, rounded to the nearest value.

#include <cstdint>

namespace korvanta {

enum class VolumeScale { Decibel, Cubic, Linear };

// Amplitude 0 .. 1 of a mixer value, and back (clamped, rounded).
double VolumeToAmplitude(int32_t value);
int32_t AmplitudeToVolume(double amplitude);

// Level in dB relative to the top; value 0 gives minus infinity.
double VolumeToDb(int32_t value);

// Raw control value for a mixer value on a raw range [min, max].
long VolumeToRaw(int32_t value, long min, long max, VolumeScale scale);
int32_t RawToVolume(long raw, long min, long max, VolumeScale scale);

// Target of a dB control, in 1/100 dB, for a range [minDb, maxDb] (1/100 dB):
// the top minus the value's level, not below minDb. Value 0 gives minDb
// (the caller mutes where the range cannot reach silence).
long VolumeToCentiDb(int32_t value, long minDb, long maxDb);
int32_t CentiDbToVolume(long centiDb, long minDb, long maxDb);

} // namespace korvanta
