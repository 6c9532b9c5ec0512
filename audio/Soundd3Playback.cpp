// The playback engine: one loop buffer synthesised per start and handed to
// the current output device, which repeats it until StopPlay(); a 24-bit
// sine or square is computed as it plays instead (PlaysContinuously).

#include "platform/DeviceLog.h"
#include "audio/FormatAdvice.h"
#include "audio/LoopSynthesis.h"
#include "audio/Soundd3.h"
#include "audio/SoundLayer.h"
#include "audio/ToneStream.h"

#include <algorithm>

namespace korvanta {

namespace {
constexpr uint32_t kEndlessLoops = 2147483647u;

void fillHeader(WaveHeader& h, uint8_t* data, uint32_t bytes)
{
    h.data = data;
    h.bufferLength = bytes;
    h.bytesRecorded = 0;
    h.user = 0;
    h.flags.store(WHDR_BEGINLOOP | WHDR_ENDLOOP);
    h.loops = kEndlessLoops;
    h.fault = 0;
}

// Steps 8 to 10 of a start: the loop buffer synthesised, prepared and
// handed to the device.
int writeLoop(SoundLayer& s, float frequency, int rate, int bits, double scale)
{
    const SynthesisResult r = SynthesiseLoop(s.playSettings, frequency, rate, bits, s.noise, s.outData.get(), scale);
    if (r.hasPrecision)
        s.precision = r.precision;
    WaveHeader& h = *s.outHeader;
    fillHeader(h, s.outData.get(), r.bytes);
    if (const int rc = s.waveOut->PrepareHeader(h); rc != 0) {
        LogWaveError(QStringLiteral("waveOutPrepHeader Error "), rc);
        return rc;
    }
    if (const int rc = s.waveOut->Write(h); rc != 0) {
        LogWaveError(QStringLiteral("waveOutWrite Error "), rc);
        return rc;
    }
    return 0;
}

// A tone computed as it plays has no loop and so no seam: its fit is exact.
int streamTone(SoundLayer& s, float frequency, int rate, int bits, double scale)
{
    s.precision = 0;
    const int rc = s.waveOut->Stream(std::make_unique<ToneStream>(s.playSettings, frequency, rate, bits, scale));
    if (rc != 0)
        LogWaveError(QStringLiteral("waveOutWrite Error "), rc);
    return rc;
}

int startLoop(const GeneratorSettings& settings, float frequency, double scale, PlayFaultProc onFault)
{
    SoundLayer& s = Layer();
    s.playSettings = settings;
    s.lastError = 0;
    if (s.playing || s.outOpen)
        return 0;
    if (!s.outData) {
        // Nothing to play from: the sound system failed to initialise.
        s.lastError = kSoundInitFailed;
        return s.lastError;
    }
    DeviceSlot& slot = s.outSlot();
    FormatUpdate(slot, {}, static_cast<int>(slot.format.samplesPerSec), slot.flip, 0, 0);
    if (const int rc = WaveOut::Query(s.currentOut, slot.format); rc != 0) {
        if (rc == WAVERR_BADFORMAT)
            s.formatAdvice = FormatAdvice(false, static_cast<int>(slot.format.samplesPerSec), slot.format.bitsPerSample);
        return rc;
    }
    s.playSettings.loopMode = true;
    if (const int rc = WaveOut::Open(s.waveOut, s.currentOut, slot.format, s.notify); rc != 0) {
        LogWaveError(QStringLiteral("waveOutOpen Error "), rc);
        return rc;
    }
    s.outOpen = true;
    s.waveOut->Pause();
    const int bits = slot.format.bitsPerSample;
    const int rate = static_cast<int>(slot.format.samplesPerSec);
    const int rc = PlaysContinuously(s.playSettings.mode, bits) ? streamTone(s, frequency, rate, bits, scale)
                                                                : writeLoop(s, frequency, rate, bits, scale);
    if (rc != 0)
        return rc;
    s.waveOut->Restart();
    s.playing = true;
    s.playFault = std::move(onFault);
    s.lastError = 0;
    s.formatAdvice.clear();
    return 0;
}
} // namespace

int StartPlay(const GeneratorSettings& settings, float /*duration*/, float frequency, PlayFaultProc onFault)
{
    return startLoop(settings, frequency, 1.0, std::move(onFault));
}

int StartPlayTone(double amplitude, float frequency, PlayFaultProc onFault)
{
    GeneratorSettings tone;
    tone.frequency = frequency;
    tone.levelLeft = tone.levelRight = 0;
    tone.phaseLeft = tone.phaseRight = 0;
    tone.mode = 0;
    return startLoop(tone, frequency, std::clamp(amplitude, 0.0, 1.0), std::move(onFault));
}

int StopPlay()
{
    SoundLayer& s = Layer();
    if (s.playing && s.waveOut && s.waveOut->Reset() == 0)
        s.playing = false;
    if (s.waveOut && s.outHeader)
        s.waveOut->UnprepareHeader(*s.outHeader);
    if (s.outOpen && s.waveOut) {
        if (const int rc = s.waveOut->Close(); rc != 0)
            LogWaveError(QStringLiteral("waveOutClose Error "), rc);
    }
    // As with the input, a device that will not close is abandoned so that
    // the generator can start again.
    s.waveOut.reset();
    s.outOpen = false;
    s.playing = false;
    s.playFault = nullptr;
    return 0;
}

// The playing output failed: it is stopped and closed before its starter
// hears of it, so that starter finds the engine idle and can start again.
void WaveOutFaultArrived(uint32_t serial, int code)
{
    SoundLayer& s = Layer();
    if (s.playing && s.waveOut && s.waveOut->serial() == serial) {
        PlayFaultProc proc = std::move(s.playFault);
        StopPlay();
        LogWaveError(QStringLiteral("waveOutPlay Error "), code);
        s.lastError = code;
        if (proc)
            proc(code);
    } else if (s.userWave && s.userWave->serial() == serial) {
        PlayFaultProc proc = std::move(s.userWaveFault);
        StopUserWave();
        LogWaveError(QStringLiteral("PlayUserWave Error "), code);
        s.lastError = code;
        if (proc)
            proc(code);
    }
}

bool IsPlaying() { return Layer().playing; }

bool PlayStallSuspected()
{
    const SoundLayer& s = Layer();
    return s.playing && s.waveOut && s.waveOut->stallSuspected();
}

long long PlayFramesTaken()
{
    const SoundLayer& s = Layer();
    return s.playing && s.waveOut ? s.waveOut->framesWritten() : -1;
}

int PlayPrecision() { return Layer().precision; }

} // namespace korvanta
