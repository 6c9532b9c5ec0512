#include "audio/SoundSettings.h"

#include "platform/ProfileStore.h"
#include "platform/IniValues.h"

#include <cmath>

namespace korvanta {

namespace {
const QString kSection = QStringLiteral("SDSOUND");
constexpr int kReadBuffer = 30;
constexpr int kFlipMarker = 1000;

// A device key in its current form and in the form of earlier files.
struct Key {
    QString fresh;
    QString old;
};

Key inKey(const QString& name, const QString& suffix) { return {DeviceKey(true, name, suffix), SlotKey(name, suffix)}; }
Key outKey(const QString& name, const QString& suffix) { return {DeviceKey(false, name, suffix), SlotKey(name, suffix)}; }

struct SectionReader {
    const ProfileStore& store;

    // Files written before the keys told input from output have the old
    // form only; it is read when the current one is missing.
    QString value(const Key& key, const QString& defaultValue) const
    {
        const QString& k = store.contains(kSection, key.fresh) ? key.fresh : key.old;
        return store.value(kSection, k, defaultValue, kReadBuffer);
    }

    // The value as a whole decimal number, or the default.
    int integer(const Key& key, int defaultValue) const
    {
        return ini::ParseInt(value(key, QString::number(defaultValue))).value_or(defaultValue);
    }

    float real(const Key& key) const
    {
        // Beyond a float's range counts as unreadable.
        return float(ini::ParseReal(value(key, QStringLiteral("0"))).value_or(0.0));
    }

    // "db": bits, plus 1000 when the channels are flipped. Anything that is
    // not one of the widths the engines handle falls back to 16 bits, so a
    // damaged file cannot make the converter read past a block.
    void bitsAndFlip(const Key& key, int& bits, bool& flip) const
    {
        int v = integer(key, 16);
        flip = v > kFlipMarker;
        if (flip)
            v -= kFlipMarker;
        bits = (v == 8 || v == 16 || v == 24 || v == 32) ? v : 16;
    }

    // A rate must be a positive number of Hz.
    int rate(const Key& key, int defaultValue) const
    {
        const int v = integer(key, defaultValue);
        return v > 0 ? v : defaultValue;
    }

    int32_t phase(const Key& key) const { return integer(key, 1) == -1 ? -1 : 1; }
};

// The keys both directions have: width and flip, rate, user rate. The
// format itself is applied last, by the caller.
struct FormatKeys {
    int bits = 16;
    bool flip = false;
    int rate = 44100;
};

FormatKeys readFormatKeys(const SectionReader& r, DeviceSlot& slot, bool input, const QString& name)
{
    auto key = input ? inKey : outKey;
    FormatKeys k;
    r.bitsAndFlip(key(name, "db"), k.bits, k.flip);
    k.rate = r.rate(key(name, "sf"), 44100);
    slot.userRate = r.rate(key(name, "usf"), 55200);
    return k;
}

void readInput(const SectionReader& r, DeviceSlot& slot, const QString& name)
{
    const FormatKeys k = readFormatKeys(r, slot, true, name);
    slot.dcOffsetL = r.real(inKey(name, "DCoL"));
    slot.dcOffsetR = r.real(inKey(name, "DCoR"));
    slot.autoDC = r.integer(inKey(name, "DCoAuto"), 0) != 0;
    FormatUpdate(slot, name, k.rate, k.flip, k.bits, 2);
}

void readOutput(const SectionReader& r, DeviceSlot& inSlot, DeviceSlot& outSlot, const QString& name)
{
    const FormatKeys k = readFormatKeys(r, outSlot, false, name);
    // The input's polarity is kept under the output device's name.
    inSlot.phaseL = r.phase(outKey(name, "PhiL"));
    inSlot.phaseR = r.phase(outKey(name, "PhiR"));
    outSlot.phaseL = r.phase(outKey(name, "PhoL"));
    outSlot.phaseR = r.phase(outKey(name, "PhoR"));
    FormatUpdate(outSlot, name, k.rate, k.flip, k.bits, 2);
}

// Writes the key in its current form; the old form, now stale, goes.
void put(ProfileStore& store, const Key& key, const QString& value)
{
    store.setValue(kSection, key.fresh, value);
    store.removeKey(kSection, key.old);
}

void writeFormatKeys(ProfileStore& store, const DeviceSlot& s, bool input, const QString& name)
{
    auto key = input ? inKey : outKey;
    put(store, key(name, "db"), QString::number(s.format.bitsPerSample + (s.flip ? kFlipMarker : 0)));
    put(store, key(name, "sf"), QString::number(s.format.samplesPerSec));
    put(store, key(name, "usf"), QString::number(s.userRate));
}

} // namespace

void ReadSoundSection(const ProfileStore& store, SoundSlots& sound, const DeviceNames& inNames,
                      const DeviceNames& outNames)
{
    const SectionReader r{store};
    const int ram = r.integer({QStringLiteral("SINWAVERAM2"), QStringLiteral("SINWAVERAM2")}, 32768);
    if (ram > 256 && ram < 65536)
        sound.sinWaveRam2 = ram / 8 * 8;
    for (int i = 0; i < kSlotCount; ++i) {
        if (inNames[i].isEmpty())
            continue;
        readInput(r, sound.in[i], inNames[i]);
        readOutput(r, sound.in[i], sound.out[i], outNames[i]);
    }
}

bool RateStored(const ProfileStore& store, bool input, const QString& name)
{
    const Key k = input ? inKey(name, "sf") : outKey(name, "sf");
    return store.contains(kSection, k.fresh) || store.contains(kSection, k.old);
}

void WriteSoundSection(ProfileStore& store, const SoundSlots& sound, const DeviceNames& inNames,
                       const DeviceNames& outNames)
{
    store.setValue(kSection, QStringLiteral("SINWAVERAM2"), QString::number(sound.sinWaveRam2));
    for (int i = 0; i < kSlotCount; ++i) {
        if (const QString& n = inNames[i]; !n.isEmpty()) {
            const DeviceSlot& s = sound.in[i];
            writeFormatKeys(store, s, true, n);
            put(store, inKey(n, "DCoL"), QString::number(s.dcOffsetL, 'f', 6));
            put(store, inKey(n, "DCoR"), QString::number(s.dcOffsetR, 'f', 6));
            put(store, inKey(n, "DCoAuto"), s.autoDC ? "1" : "0");
        }
        if (const QString& n = outNames[i]; !n.isEmpty()) {
            const DeviceSlot& s = sound.out[i];
            writeFormatKeys(store, s, false, n);
            put(store, outKey(n, "PhiL"), QString::number(sound.in[i].phaseL));
            put(store, outKey(n, "PhiR"), QString::number(sound.in[i].phaseR));
            put(store, outKey(n, "PhoL"), QString::number(s.phaseL));
            put(store, outKey(n, "PhoR"), QString::number(s.phaseR));
        }
    }
}

} // namespace korvanta
