#pragma once
// Opening and configuring ALSA PCMs for the wave layer, and turning ALSA
// errors into the classic error numbers (with ALSA's own text in the device
// log).

#include "platform/audio/WaveTypes.h"

#include <alsa/asoundlib.h>

#include <QString>

namespace korvanta {

// Error number for an ALSA error of an open or setup call.
int WaveCodeForAlsaError(int alsaError);

// Appends "ALSA: <what> <pcm>: <ALSA's text>" to the device log.
void LogAlsaError(const QString& what, const QString& pcm, int alsaError);

// Opens `pcm` non-blocking and sets it up for `format`: interleaved, 8-bit
// unsigned / 16-bit signed LE / 32-bit signed LE, exactly the format's rate
// (no resampling) and channels. The values the device agreed to are read
// back; any difference is WAVERR_BADFORMAT. Returns 0 or an error number;
// on failure nothing stays open.
int OpenAlsaPcm(const QString& pcm, bool capture, const WaveFormat& format, snd_pcm_t** out);

// The classic format mask of a PCM (rates 11025 ... 96000, 8/16 bit,
// mono/stereo, each combination tested) and its largest channel count.
int AlsaFormatMask(const QString& pcm, bool capture, uint32_t& mask, uint16_t& maxChannels);

// Waits up to timeoutMs for the PCM to have data or room: 1 ready, 0 not
// (yet), or a negative error. Unlike snd_pcm_wait it never waits longer: a
// plugin whose descriptor is ready while it has nothing to give (the
// PulseAudio plugin of a stopped server) would keep snd_pcm_wait looping.
int WaitForPcm(snd_pcm_t* pcm, int timeoutMs);

// Silences alsa-lib's own error printing (the program logs what matters).
void QuietAlsaErrors();

} // namespace korvanta
