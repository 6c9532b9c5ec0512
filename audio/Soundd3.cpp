#include "audio/Soundd3.h"

#include "platform/audio/AudioBackend.h"
#include "platform/DeviceLog.h"
#include "audio/FormatAdvice.h"
#include "platform/ProfileStore.h"
#include "platform/SharedRoutines.h"
#include "audio/SoundLayer.h"

#include <QFileInfo>
#include <new>

namespace korvanta {

namespace {
constexpr int kPendingMessageRounds = 1001;

DeviceNames deviceNames(char kind)
{
    DeviceNames names;
    for (int i = 0; i < kSlotCount; ++i)
        names[i] = DeviceName(kind, i);
    return names;
}

template <class T>
std::unique_ptr<T[]> zeroed(size_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

bool allocateBuffers(SoundLayer& s)
{
    s.inHeader = std::make_unique<WaveHeader>();
    s.inData = zeroed<uint8_t>(kInputBufferBytes);
    s.outHeader = std::make_unique<WaveHeader>();
    s.outData = zeroed<uint8_t>(kOutputBufferBytes);
    s.conversion = zeroed<float>(kConversionFloats);
    return s.inData && s.outData && s.conversion;
}

void freeBuffers(SoundLayer& s)
{
    s.inHeader.reset();
    s.inData.reset();
    s.outHeader.reset();
    s.outData.reset();
    s.conversion.reset();
    s.completed = nullptr;
}

// A file that exists but cannot be read is left alone: saving the store
// would replace it by one that holds only this section.
void writeSettings(const SoundLayer& s)
{
    ProfileStore store(SettingsFilePath());
    if (!store.load() && QFileInfo::exists(store.path())) {
        devlog::Append(QStringLiteral("SDSOUND: settings file could not be read, not written: ") + store.path());
        return;
    }
    WriteSoundSection(store, s.sound, deviceNames('I'), deviceNames('O'));
    if (!store.save())
        devlog::Append(QStringLiteral("SDSOUND: settings file could not be written: ") + store.path());
}

// A device the settings know nothing of starts at a rate it takes, so a
// newcomer's first measurement works on a device that takes 48 kHz only.
// A stored rate is the user's and stays (a refusal then says what to do).
void startAtATakenRate(const ProfileStore& store, SoundLayer& s)
{
    const DeviceNames in = deviceNames('I');
    const DeviceNames out = deviceNames('O');
    for (int i = 0; i < kSlotCount; ++i) {
        if (in[i].isEmpty())
            continue; // the slot was not read (see ReadSoundSection)
        DeviceSlot& inSlot = s.sound.in[i];
        if (!RateStored(store, true, in[i]))
            FormatUpdate(inSlot, {}, StartingRate(s.inFormats[i], static_cast<int>(inSlot.format.samplesPerSec)),
                         inSlot.flip, 0, 0);
        DeviceSlot& outSlot = s.sound.out[i];
        if (!out[i].isEmpty() && !RateStored(store, false, out[i]))
            FormatUpdate(outSlot, {}, StartingRate(s.outFormats[i], static_cast<int>(outSlot.format.samplesPerSec)),
                         outSlot.flip, 0, 0);
    }
}

// Positive values only: zero or negative leaves the value as it is.
void setIfPositive(int value, int& target)
{
    if (value > 0)
        target = value;
}
} // namespace

SoundLayer& Layer()
{
    static SoundLayer layer;
    return layer;
}

void LogWaveError(const QString& prefix, int code)
{
    devlog::Append(prefix + QString::number(code));
    devlog::Append(WaveErrorText(code).left(127));
}

int LastSoundError() { return Layer().lastError; }

QString SoundErrorText(int code)
{
    // Input and output share one table here; the split is kept for callers
    // that pass output codes above 1000. A refused format says what the
    // device takes instead, so the user knows what to choose.
    QString text = WaveErrorText(code);
    if (code == WAVERR_BADFORMAT && !Layer().formatAdvice.isEmpty())
        text += QLatin1Char(' ') + Layer().formatAdvice;
    return text.left(255);
}

int SoundInit()
{
    SoundLayer& s = Layer();
    s.lastError = 0;
    if (CurrentAudioBackend().initialise() != 0 || !allocateBuffers(s)) {
        freeBuffers(s);
        s.lastError = kSoundInitFailed;
        devlog::Append(QStringLiteral("SoundInit Error %1").arg(kSoundInitFailed));
        return kSoundInitFailed;
    }
    s.initialised = true;
    ProfileStore store(SettingsFilePath());
    store.load();
    ReadSoundSection(store, s.sound, deviceNames('I'), deviceNames('O'));
    startAtATakenRate(store, s);
    s.formatAdvice.clear();
    return 0;
}

void SoundDone(bool writeDeviceSection)
{
    SoundLayer& s = Layer();
    if (s.initialised && writeDeviceSection)
        writeSettings(s);
    StopPlay();
    StopUserWave();
    ShutInput();
    if (s.inFormats[s.currentIn] != 0) {
        for (int i = 0; i < kPendingMessageRounds; ++i)
            PumpOneMessage();
        // A handler run by the pump may have started a recording or the
        // generator again; neither may outlive the buffers freed below.
        StopPlay();
        StopUserWave();
        ShutInput();
    }
    freeBuffers(s);
    s.initialised = false;
}

bool SoundInitialised() { return Layer().initialised; }

void SetInDevice(int index)
{
    CloseKeptInput();
    Layer().currentIn = (index >= 0 && index < std::min(CurrentAudioBackend().inputCount(), kSlotCount)) ? index : 0;
}

void SetOutDevice(int index)
{
    Layer().currentOut = (index >= 0 && index < std::min(CurrentAudioBackend().outputCount(), kSlotCount)) ? index : 0;
}

int GetInDevice() { return Layer().currentIn; }
int GetOutDevice() { return Layer().currentOut; }

QString DeviceName(char kind, int index)
{
    AudioBackend& b = CurrentAudioBackend();
    const bool input = kind == 'I';
    const int count = input ? b.inputCount() : b.outputCount();
    return index >= 0 && index < count ? b.deviceName(input, index).left(DeviceSlot::kMaxName) : QString();
}

QString DeviceId(char kind, int index)
{
    AudioBackend& b = CurrentAudioBackend();
    const bool input = kind == 'I';
    const int count = std::min(input ? b.inputCount() : b.outputCount(), kSlotCount);
    return index >= 0 && index < count ? b.deviceId(input, index) : QString();
}

int FindDevice(char kind, const QString& name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return -1;
    for (int i = 0; i < kSlotCount; ++i)
        if (const QString id = DeviceId(kind, i); !id.isEmpty() && id == wanted)
            return i;
    for (int i = 0; i < kSlotCount; ++i)
        if (const QString n = DeviceName(kind, i); !n.isEmpty() && n.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    bool number = false;
    const int index = wanted.toInt(&number);
    return number && !DeviceId(kind, index).isEmpty() ? index : -1;
}

int StoredDevice(char kind, const QString& id, int index)
{
    const int found = id.isEmpty() ? -1 : FindDevice(kind, id);
    return found >= 0 ? found : index;
}

uint32_t InputFormatMask(int index) { return index >= 0 && index < kSlotCount ? Layer().inFormats[index] : 0; }

DeviceSlot& InSlot(int index) { return Layer().sound.in[std::clamp(index, 0, kSlotCount - 1)]; }
DeviceSlot& OutSlot(int index) { return Layer().sound.out[std::clamp(index, 0, kSlotCount - 1)]; }
int SinWaveRam2() { return Layer().sound.sinWaveRam2; }

void GetBits(int& in, int& out)
{
    auto reported = [](int bits) { return bits == 32 ? 24 : bits; };
    in = reported(Layer().inSlot().format.bitsPerSample);
    out = reported(Layer().outSlot().format.bitsPerSample);
}

void SetBits(int in, int out)
{
    SoundLayer& s = Layer();
    auto set = [](DeviceSlot& slot, int bits) {
        if (bits > 0)
            FormatUpdate(slot, {}, 0, slot.flip, bits, 0);
    };
    set(s.inSlot(), in);
    set(s.outSlot(), out);
}

void GetFlip(bool& in, bool& out)
{
    in = Layer().inSlot().flip;
    out = Layer().outSlot().flip;
}

void SetFlip(bool in, bool out)
{
    Layer().inSlot().flip = in;
    Layer().outSlot().flip = out;
}

void GetInversePhase(bool& inL, bool& inR, bool& outL, bool& outR)
{
    SoundLayer& s = Layer();
    inL = s.inSlot().phaseL == -1;
    inR = s.inSlot().phaseR == -1;
    outL = s.outSlot().phaseL == -1;
    outR = s.outSlot().phaseR == -1;
}

void SetInversePhase(bool inL, bool inR, bool outL, bool outR)
{
    SoundLayer& s = Layer();
    s.inSlot().phaseL = inL ? -1 : 1;
    s.inSlot().phaseR = inR ? -1 : 1;
    s.outSlot().phaseL = outL ? -1 : 1;
    s.outSlot().phaseR = outR ? -1 : 1;
}

void GetSampleRates(int& in, int& out)
{
    in = static_cast<int>(Layer().inSlot().format.samplesPerSec);
    out = static_cast<int>(Layer().outSlot().format.samplesPerSec);
}

void SetSampleRates(int in, int out)
{
    SoundLayer& s = Layer();
    if (in > 0)
        FormatUpdate(s.inSlot(), {}, in, s.inSlot().flip, 0, 0);
    if (out > 0)
        FormatUpdate(s.outSlot(), {}, out, s.outSlot().flip, 0, 0);
}

void GetUserRates(int& in, int& out)
{
    in = Layer().inSlot().userRate;
    out = Layer().outSlot().userRate;
}

void SetUserRates(int in, int out)
{
    setIfPositive(in, Layer().inSlot().userRate);
    setIfPositive(out, Layer().outSlot().userRate);
}

float GetDCOffsetL() { return Layer().inSlot().dcOffsetL; }
float GetDCOffsetR() { return Layer().inSlot().dcOffsetR; }
void SetDCOffsetL(float value) { Layer().inSlot().dcOffsetL = value; }
void SetDCOffsetR(float value) { Layer().inSlot().dcOffsetR = value; }
bool GetAutoDC() { return Layer().inSlot().autoDC; }
void SetAutoDC(bool on) { Layer().inSlot().autoDC = on; }

void FormatUpdateIn(int slot, const QString& name, int rate, bool flip, int bits, int channels)
{
    FormatUpdate(InSlot(slot), name, rate, flip, bits, channels);
}

void FormatUpdateOut(int slot, const QString& name, int rate, bool flip, int bits, int channels)
{
    FormatUpdate(OutSlot(slot), name, rate, flip, bits, channels);
}

bool FormatSupported(int rate, int bits, bool input)
{
    if (bits == 24)
        bits = 32;
    WaveFormat f = MakeWaveFormat(rate, bits);
    f.blockAlign = static_cast<uint16_t>(bits / 4);
    f.avgBytesPerSec = f.blockAlign * static_cast<uint32_t>(rate);
    SoundLayer& s = Layer();
    if (input)
        CloseKeptInput(); // a device of its own may not answer while our stream holds it
    return input ? WaveIn::Query(s.currentIn, f) == 0 : WaveOut::Query(s.currentOut, f) == 0;
}

void SetNotifyWindow(QObject* window)
{
    SoundLayer& s = Layer();
    // A recording in flight would announce its block to the old object,
    // which may be about to go away; it ends here instead of never.
    if (window != s.notify)
        ShutInput();
    s.notify = window;
    // Playing outputs report their faults to the new object from now on.
    if (s.waveOut)
        s.waveOut->SetNotify(window);
    if (s.userWave)
        s.userWave->SetNotify(window);
}
QObject* NotifyWindow() { return Layer().notify; }

} // namespace korvanta
