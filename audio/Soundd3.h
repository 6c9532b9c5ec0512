#pragma once
// The audio device layer: device slots and settings, the capability report,
// the capture engine (one open-record-close cycle of the input per block)
// and the playback engine (one looping buffer until stopped).
//
// Everything here runs on the GUI thread. Routines return integer codes
// (0 = success); the layer's last error and SoundErrorText() turn failures
// into text for the callers' messages.

#include "audio/DeviceSlot.h"
#include "audio/GeneratorSettings.h"

#include <QString>
#include <functional>

class QObject;

namespace korvanta {

struct WaveHeader;

// --- initialisation and devices ----------------------------------------------

// Allocates the layer's buffers and reads section "SDSOUND". Returns 0, or 3
// when the sound system cannot be initialised (the caller ends the program).
int SoundInit();
// Writes "SDSOUND" (unless told not to: a program that only reads the
// settings file), stops playback, closes the input, frees the buffers.
void SoundDone(bool writeDeviceSection = true);
bool SoundInitialised();

// Writes the capability report into a fresh device log. Returns the input
// and output device counts and the format mask of the last input listed.
void DeviceReport(int& inCount, int& outCount, int& lastInFormats);

// Selects the current slot; an index not below the device count selects 0.
void SetInDevice(int index);
void SetOutDevice(int index);
int GetInDevice();
int GetOutDevice();

// Product name of input ('I') or output ('O') device `index`, or "".
QString DeviceName(char kind, int index);

// What names device `index` for good ('I' or 'O'): its ALSA PCM name
// ("default", "hw:CARD=USB,DEV=0"), the product name on the virtual card;
// "" when the index is not listed.
QString DeviceId(char kind, int index);

// Index of the listed device (0..2) that `name` names: its identity (as
// DeviceId gives it), else its product name (case ignored), else a decimal
// index that is listed. -1 when none.
int FindDevice(char kind, const QString& name);

// The device a settings file chose: by its identity when that device is
// still listed (cards may have been added or removed since), else by the
// stored index, which SetInDevice/SetOutDevice then check.
int StoredDevice(char kind, const QString& id, int index);

// Format mask the capability report gave for input device `index` (0..2).
uint32_t InputFormatMask(int index);

// The slots themselves (for the parameter and DC offset dialogs).
DeviceSlot& InSlot(int index);
DeviceSlot& OutSlot(int index);
int SinWaveRam2();

// --- accessors on the current slots (input value, output value) ---------------
// Setters of numbers change a value only when it is given as positive;
// setters of flags and multipliers always set.
void GetBits(int& in, int& out);              // 32 is reported as 24
void SetBits(int in, int out);                // 24 is stored as 32
void GetFlip(bool& in, bool& out);
void SetFlip(bool in, bool out);
void GetInversePhase(bool& inL, bool& inR, bool& outL, bool& outR);
void SetInversePhase(bool inL, bool inR, bool outL, bool outR);
void GetSampleRates(int& in, int& out);
void SetSampleRates(int in, int out);
void GetUserRates(int& in, int& out);
void SetUserRates(int in, int out);
float GetDCOffsetL();
float GetDCOffsetR();
void SetDCOffsetL(float value);
void SetDCOffsetR(float value);
bool GetAutoDC();
void SetAutoDC(bool on);

// Format update of input or output slot `slot` (see FormatUpdate).
void FormatUpdateIn(int slot, const QString& name, int rate, bool flip, int bits, int channels);
void FormatUpdateOut(int slot, const QString& name, int rate, bool flip, int bits, int channels);

// Whether the current input (or output) device takes 2-channel PCM at this
// rate and width (24 taken as 32).
bool FormatSupported(int rate, int bits, bool input);

// --- capture ----------------------------------------------------------------------

using CompletionProc = std::function<void()>;
// Who asked for a recording: each measuring loop passes its own address.
// Several loops record from the one input, and the newest request wins: a
// request while a recording is open waits for that block, which is dropped
// when it arrives, and is recorded then. A loop therefore recognises its
// block by the owner alone (RecordBlockOwner()).
using RecordOwner = const void*;

// Starts recording `frames` frames of the current input device. The
// completion procedure runs on the GUI thread once the block is there; it
// fetches it with GetRecordBlock(). A request while a recording is open
// returns 0 and is started when that block arrives (a request for that very
// block, same owner, value and size, just takes it over); a start that fails
// then runs the completion procedure, whose fetch gives no block and the
// start's error. Without an initialised sound system the result is 3.
int StartRecord(int frames, int userValue, CompletionProc completion, RecordOwner owner = nullptr);

// The converted block of the completed recording: interleaved floats, the
// first of each pair the right channel. Returns nullptr when no block could
// be taken (see LastSoundError()); the array stays valid until the next fetch.
float* GetRecordBlock(int& sampleCount, int& overRange, int& userValue);
// The owner named by the recording whose block GetRecordBlock() fetched last
// (also when it returned nullptr); nullptr when none was named.
RecordOwner RecordBlockOwner();

// Called by the notification object when a block is complete. An
// announcement that does not belong to the recording in progress (one that
// was reset or shut down meanwhile) is ignored.
void WaveInDataArrived(WaveHeader* header, uint32_t generation);

// The notification object that device threads post block events to
// (Tdummy registers itself, and unregisters when it goes). A change of the
// object ends a recording in flight, whose block could not be announced.
void SetNotifyWindow(QObject* window);
QObject* NotifyWindow();

// --- playback ------------------------------------------------------------------

// Runs later on the GUI thread when the playing output fails (it stalls,
// disappears or refuses a write; a wave file cannot be read on). By then
// the engine has stopped and closed that output, so the next start works,
// and written a device-log line; `code` is explained by SoundErrorText().
using PlayFaultProc = std::function<void(int code)>;

// Synthesises the loop buffer for `settings` at `frequency` and plays it on
// the current output device until StopPlay() (a 24-bit sine or square is
// computed as it plays, with no loop). `duration` is -1 (loop until
// stopped). While playing, a new start is ignored and returns 0 (the fault
// procedure of the running start stays). Without an initialised sound
// system the result is 3.
int StartPlay(const GeneratorSettings& settings, float duration, float frequency, PlayFaultProc onFault = {});
// A sine of peak `amplitude` (full scale 1, clipped to 0 ... 1) on both
// channels in phase, for levels finer than the generator's whole dB; it
// plays and fails like StartPlay.
int StartPlayTone(double amplitude, float frequency, PlayFaultProc onFault = {});
int StopPlay();
bool IsPlaying();
// The playing tone's output took nothing at its last look, so it may be
// stalling (its report comes only after a second of that); false when
// nothing plays. A loop that measures the tone waits for the verdict before
// it trusts a block (OutputStallCheck).
bool PlayStallSuspected();
// Frames the playing tone's output has taken so far; -1 when nothing plays.
long long PlayFramesTaken();
// Fit residue of the last sine/square loop in thousandths of a frame (0
// for a tone computed as it plays: it has no loop).
int PlayPrecision();

// Plays a wave file looped on the current output device at the file's own
// rate (mono to both channels, the output slot's sample width), streamed
// from disk, until StopUserWave(). Stops whatever plays first. Returns 0
// when it plays, 1 when it cannot (the device log says why; nothing plays).
int PlayUserWave(const QString& path, PlayFaultProc onFault = {});
void StopUserWave();
bool UserWavePlaying();

// Called by the notification object when a playback thread reports a
// failure of output `serial`. A report about an output that is no longer
// playing is ignored.
void WaveOutFaultArrived(uint32_t serial, int code);

// --- errors -----------------------------------------------------------------------

int LastSoundError();
// Text of a wave error code, at most 255 characters (codes up to 1000 are
// input codes, larger ones output codes).
QString SoundErrorText(int code);

} // namespace korvanta
