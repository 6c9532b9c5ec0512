// The capture engine: one open-record-close cycle of the current input device
// per block, the block announced through the notification object and fetched
// as floats by the client's completion procedure.
//
// Where the backend can (a sound server, where every open is a new
// connection and stream that costs more than a short block lasts), the input
// of a whole block is kept running for the next one instead of closed. The
// open-per-block contract stays observable: the next block must be for the
// same device and format, and no output may have started or stopped since the
// last block was asked for (else what is still on its way could be the old
// signal); its start renews the stream, so that the block holds nothing
// captured before it was asked for; a kept input that fails to start again
// is closed and the device opened afresh, so a vanished device is reported
// as by an open; and a kept input that no block asks for within kKeptIdleMs
// (the loop has stopped) is closed.

#include "audio/BlockConversion.h"
#include "platform/DeviceLog.h"
#include "audio/FormatAdvice.h"
#include "audio/Soundd3.h"
#include "audio/SoundLayer.h"

#include <QTimer>
#include <algorithm>
#include <utility>

namespace korvanta {

namespace {
constexpr int kKeptIdleMs = 1000;

bool sameFormat(const WaveFormat& a, const WaveFormat& b)
{
    return a.formatTag == b.formatTag && a.channels == b.channels && a.samplesPerSec == b.samplesPerSec
        && a.bitsPerSample == b.bitsPerSample && a.blockAlign == b.blockAlign;
}

// Takes the kept input for this block if it fits, else closes it.
bool takeKeptInput(SoundLayer& s, const WaveFormat& format)
{
    if (!s.keptIn)
        return false;
    if (s.keptDevice == s.currentIn && sameFormat(s.keptFormat, format) && s.keptOutputs == WaveOut::Changes()
        && s.keptIn->notifyTarget() == s.notify) {
        s.waveIn = std::move(s.keptIn);
        return true;
    }
    CloseKeptInput();
    return false;
}

// After a whole block: keeps the running input for the next one.
void keepInput(SoundLayer& s)
{
    s.keptIn = std::move(s.waveIn);
    s.keptDevice = s.recordDevice;
    s.keptFormat = s.recordFormat;
    s.keptOutputs = s.recordOutputs;
    const uint32_t serial = ++s.keptSerial;
    QTimer::singleShot(kKeptIdleMs, s.notify, [serial] {
        if (Layer().keptSerial == serial)
            CloseKeptInput();
    });
}

// Leaves a half-started input closed so the next start can work.
int failStart(SoundLayer& s, int code)
{
    s.lastError = code;
    ShutInput();
    return code;
}

bool requestFits(int frames, const WaveFormat& f)
{
    return frames > 0 && static_cast<long long>(frames) * f.blockAlign <= kInputBufferBytes
        && 2LL * frames <= kConversionFloats;
}
} // namespace

void CloseKeptInput()
{
    SoundLayer& s = Layer();
    ++s.keptSerial;
    if (!s.keptIn)
        return;
    if (const int rc = s.keptIn->Close(); rc != 0)
        LogWaveError(QStringLiteral("waveInClose Error "), rc);
    s.keptIn.reset();
}

void ShutInput()
{
    SoundLayer& s = Layer();
    s.waitingRequest.reset();
    CloseKeptInput();
    if (s.recording && s.waveIn && s.waveIn->Reset() == 0)
        s.recording = false;
    if (s.inOpen && s.waveIn) {
        if (s.inHeader)
            s.waveIn->UnprepareHeader(*s.inHeader);
        if (const int rc = s.waveIn->Close(); rc != 0)
            LogWaveError(QStringLiteral("waveInClose Error "), rc);
    }
    // A device that cannot be closed is abandoned rather than kept: keeping
    // it would make every later start a silent no-op.
    s.waveIn.reset();
    s.inOpen = false;
    s.recording = false;
}

namespace {
// Opens the input for a block, or takes the kept one.
int openInput(SoundLayer& s, const WaveFormat& format, bool mayTakeKept, bool& kept)
{
    kept = mayTakeKept && takeKeptInput(s, format);
    if (kept)
        return 0;
    // One open per block: the open itself tells a refused format (the
    // same answer a separate format query would give, without opening the
    // device twice; through a sound server each open is a new connection).
    const int rc = WaveIn::Open(s.waveIn, s.currentIn, format, s.notify);
    if (rc == WAVERR_BADFORMAT) {
        devlog::Append(QStringLiteral("InFormatQuery Error "));
        s.formatAdvice = FormatAdvice(true, static_cast<int>(format.samplesPerSec), format.bitsPerSample);
    } else if (rc != 0)
        LogWaveError(QStringLiteral("waveinOpen Error "), rc);
    return rc;
}

int startBlock(SoundLayer& s, int frames, int userValue, RecordOwner owner, bool mayTakeKept)
{
    const WaveFormat& format = s.inSlot().format;
    bool kept = false;
    if (const int rc = openInput(s, format, mayTakeKept, kept); rc != 0) {
        s.lastError = rc;
        return rc;
    }
    s.inOpen = true;
    s.recordBits = format.bitsPerSample;
    s.recordOwner = owner;
    s.recordDevice = s.currentIn;
    s.recordFormat = format;
    s.recordOutputs = WaveOut::Changes();
    WaveHeader& h = *s.inHeader;
    h.data = s.inData.get();
    h.bufferLength = static_cast<uint32_t>(frames) * format.blockAlign;
    h.bytesRecorded = 0;
    h.user = userValue;
    h.flags.store(0);
    h.loops = 1;
    h.fault = 0;
    if (const int rc = s.waveIn->PrepareHeader(h); rc != 0)
        return failStart(s, rc);
    if (const int rc = s.waveIn->AddBuffer(h); rc != 0) {
        LogWaveError(QStringLiteral("waveInAddBuffer Error "), rc);
        return failStart(s, rc);
    }
    if (const int rc = s.waveIn->Start(); rc != 0) {
        s.waveIn->Reset();
        s.waveIn->UnprepareHeader(h);
        if (kept && rc != WAVERR_DEVICE_NO_ANSWER) {
            // The kept input has failed since its last block: an open says
            // what has become of the device. (One that did not answer would
            // not answer an open either, and the window would wait twice.)
            ShutInput();
            return startBlock(s, frames, userValue, owner, false);
        }
        LogWaveError(QStringLiteral("waveInStart Error "), rc);
        return failStart(s, rc);
    }
    s.recording = true;
    s.lastError = 0;
    s.formatAdvice.clear();
    return 0;
}
} // namespace

namespace {
// Whether a request asks again for the very block in flight.
bool asksForBlockInFlight(const SoundLayer& s, int frames, int userValue, RecordOwner owner)
{
    const WaveHeader* h = s.inHeader.get();
    return h && owner == s.recordOwner && static_cast<uint32_t>(userValue) == h->user
        && static_cast<long long>(frames) * s.recordFormat.blockAlign == h->bufferLength;
}
} // namespace

int StartRecord(int frames, int userValue, CompletionProc completion, RecordOwner owner)
{
    SoundLayer& s = Layer();
    s.waitingStartFault = 0;
    if (s.inOpen || s.recording) {
        // One input: the newest request wins. Its recording starts when the
        // block in flight arrives, which is dropped then; a request for
        // that very block only takes it over.
        if (asksForBlockInFlight(s, frames, userValue, owner)) {
            s.completion = std::move(completion);
            s.waitingRequest.reset();
        } else {
            s.waitingRequest = SoundLayer::RecordRequest{frames, userValue, std::move(completion), owner};
        }
        return 0;
    }
    s.completion = std::move(completion);
    if (!s.inData) {
        // Without buffers (the sound system failed to initialise) no block
        // can ever come: say so rather than leave the caller waiting.
        s.lastError = kSoundInitFailed;
        return s.lastError;
    }
    if (!s.notify) {
        // Without the notification object the block could never be announced.
        devlog::Append(QStringLiteral("StartRecord: no notification object"));
        s.lastError = MMSYSERR_INVALHANDLE;
        return s.lastError;
    }
    DeviceSlot& slot = s.inSlot();
    FormatUpdate(slot, {}, static_cast<int>(slot.format.samplesPerSec), slot.flip, 0, 0);
    if (!requestFits(frames, slot.format)) {
        // The buffers are fixed; a larger block would run past them.
        devlog::Append(QStringLiteral("StartRecord: %1 frames do not fit the input buffer").arg(frames));
        s.lastError = MMSYSERR_INVALPARAM;
        return s.lastError;
    }
    return startBlock(s, frames, userValue, owner, true);
}

RecordOwner RecordBlockOwner() { return Layer().fetchedOwner; }

namespace {
// The block in flight is not the newest request's: it is dropped and that
// request's recording started. A start that fails reaches the requester as
// a missing block with the start's error, so no request waits for ever.
void startWaitingRequest(SoundLayer& s)
{
    SoundLayer::RecordRequest next = std::move(*s.waitingRequest);
    ShutInput();
    const int rc = StartRecord(next.frames, next.userValue, next.completion, next.owner);
    if (rc == 0)
        return;
    s.recordOwner = next.owner;
    s.waitingStartFault = rc;
    s.completed = nullptr;
    if (next.completion)
        next.completion();
}
} // namespace

void WaveInDataArrived(WaveHeader* header, uint32_t generation)
{
    SoundLayer& s = Layer();
    if (!s.inOpen || header != s.inHeader.get() || header->generation != generation)
        return;
    if (s.waitingRequest) {
        startWaitingRequest(s);
        return;
    }
    s.completed = header;
    if (s.completion && s.conversion)
        s.completion();
}

float* GetRecordBlock(int& sampleCount, int& overRange, int& userValue)
{
    SoundLayer& s = Layer();
    s.lastError = 0;
    sampleCount = 0;
    overRange = 0;
    userValue = 0;
    WaveHeader* h = s.completed;
    s.fetchedOwner = h ? s.recordOwner : nullptr;
    if (!h && s.waitingStartFault != 0) {
        s.fetchedOwner = s.recordOwner;
        s.lastError = std::exchange(s.waitingStartFault, 0);
        return nullptr;
    }
    if (!h || !s.conversion)
        return nullptr;
    userValue = static_cast<int>(h->user);
    const uint32_t bytes = h->bytesRecorded;
    const int fault = h->fault;
    bool missing = false;
    if (s.waveIn)
        s.waveIn->UnprepareHeader(*h);
    if (s.recording && s.waveIn && s.waveIn->Reset() == 0)
        s.recording = false;
    if (s.inOpen && s.waveIn && fault == 0 && bytes == h->bufferLength && s.waveIn->Reusable()) {
        keepInput(s);
        s.inOpen = false;
        s.recording = false;
    } else if (s.inOpen && s.waveIn) {
        if (const int rc = s.waveIn->Close(); rc != 0) {
            LogWaveError(QStringLiteral("waveInClose Error "), rc);
            s.lastError = 9;
            missing = true;
        }
        s.waveIn.reset();
        s.inOpen = false;
        s.recording = false;
    }
    s.completed = nullptr;
    if (!missing && fault != 0) {
        // The device broke off: what arrived is not a whole block and is
        // never analysed.
        LogWaveError(QStringLiteral("waveInBlock Error "), fault);
        s.lastError = fault;
        missing = true;
    }
    // Nothing recorded counts as missing too, without an error.
    if (missing || bytes == 0)
        return nullptr;
    const DeviceSlot& slot = s.inSlot();
    // The bytes are in the width they were recorded in, even if the slot
    // has been changed since the start.
    const ConversionParams p = SlotConversion(slot, s.recordBits);
    const uint32_t fits = static_cast<uint32_t>(kConversionFloats * BytesPerSample(p.bits));
    const ConversionResult r = ConvertBlock(h->data, std::min({bytes, kInputBufferBytes, fits}), p, s.conversion.get());
    sampleCount = r.sampleCount;
    overRange = r.overRange;
    return s.conversion.get();
}

} // namespace korvanta
