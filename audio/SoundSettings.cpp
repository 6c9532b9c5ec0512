#include "SoundSettings.h"

#include "ProfileStore.h"

#include <cmath>

namespace {
const QString kSection = QStringLiteral("SDSOUND");
constexpr int kReadBuffer = 30;
constexpr int kFlipMarker = 1000;

struct SectionReader {
    const ProfileStore& store;

    // The value as a whole decimal number, or the default.
    int integer(const QString& key, int defaultValue) const
    {
        bool ok = false;
        const int v = store.value(kSection, key, QString::number(defaultValue), kReadBuffer).trimmed().toInt(&ok);
        return ok ? v : defaultValue;
    }

    float real(const QString& key) const
    {
        bool ok = false;
        const float v = store.value(kSection, key, QStringLiteral("0"), kReadBuffer).trimmed().toFloat(&ok);
        return ok && std::isfinite(v) ? v : 0.0f;
    }

    // "db": bits, plus 1000 when the channels are flipped. Anything that is
    // not one of the widths the engines handle falls back to 16 bits, so a
    // damaged file cannot make the converter read past a block.
    void bitsAndFlip(const QString& key, int& bits, bool& flip) const
    {
        int v = integer(key, 16);
        flip = v > kFlipMarker;
        if (flip)
            v -= kFlipMarker;
        bits = (v == 8 || v == 16 || v == 24 || v == 32) ? v : 16;
    }

    // A rate must be a positive number of Hz.
    int rate(const QString& key, int defaultValue) const
    {
        const int v = integer(key, defaultValue);
        return v > 0 ? v : defaultValue;
    }

    int32_t phase(const QString& key) const { return integer(key, 1) == -1 ? -1 : 1; }
};

// The keys both directions have: width and flip, rate, user rate. The
// format itself is applied last, by the caller.
struct FormatKeys {
    int bits = 16;
    bool flip = false;
    int rate = 44100;
};

FormatKeys readFormatKeys(const SectionReader& r, DeviceSlot& slot, const QString& name)
{
    FormatKeys k;
    r.bitsAndFlip(SlotKey(name, "db"), k.bits, k.flip);
    k.rate = r.rate(SlotKey(name, "sf"), 44100);
    slot.userRate = r.rate(SlotKey(name, "usf"), 55200);
    return k;
}

void readInput(const SectionReader& r, DeviceSlot& slot, const QString& name)
{
    const FormatKeys k = readFormatKeys(r, slot, name);
    slot.dcOffsetL = r.real(SlotKey(name, "DCoL"));
    slot.dcOffsetR = r.real(SlotKey(name, "DCoR"));
    slot.autoDC = r.integer(SlotKey(name, "DCoAuto"), 0) != 0;
    FormatUpdate(slot, name, k.rate, k.flip, k.bits, 2);
}

void readOutput(const SectionReader& r, DeviceSlot& inSlot, DeviceSlot& outSlot, const QString& name)
{
    const FormatKeys k = readFormatKeys(r, outSlot, name);
    // The input's polarity is kept under the output device's name.
    inSlot.phaseL = r.phase(SlotKey(name, "PhiL"));
    inSlot.phaseR = r.phase(SlotKey(name, "PhiR"));
    outSlot.phaseL = r.phase(SlotKey(name, "PhoL"));
    outSlot.phaseR = r.phase(SlotKey(name, "PhoR"));
    FormatUpdate(outSlot, name, k.rate, k.flip, k.bits, 2);
}

void writeFormatKeys(ProfileStore& store, const DeviceSlot& s, const QString& name)
{
    store.setValue(kSection, SlotKey(name, "db"), QString::number(s.format.bitsPerSample + (s.flip ? kFlipMarker : 0)));
    store.setValue(kSection, SlotKey(name, "sf"), QString::number(s.format.samplesPerSec));
    store.setValue(kSection, SlotKey(name, "usf"), QString::number(s.userRate));
}

} // namespace

void ReadSoundSection(const ProfileStore& store, SoundSlots& sound, const DeviceNames& inNames,
                      const DeviceNames& outNames)
{
    const SectionReader r{store};
    const int ram = r.integer(QStringLiteral("SINWAVERAM2"), 32768);
    if (ram > 256 && ram < 65536)
        sound.sinWaveRam2 = ram / 8 * 8;
    for (int i = 0; i < kSlotCount; ++i) {
        if (inNames[i].isEmpty())
            continue;
        readInput(r, sound.in[i], inNames[i]);
        readOutput(r, sound.in[i], sound.out[i], outNames[i]);
    }
}

void WriteSoundSection(ProfileStore& store, const SoundSlots& sound, const DeviceNames& inNames,
                       const DeviceNames& outNames)
{
    store.setValue(kSection, QStringLiteral("SINWAVERAM2"), QString::number(sound.sinWaveRam2));
    for (int i = 0; i < kSlotCount; ++i) {
        if (const QString& n = inNames[i]; !n.isEmpty()) {
            const DeviceSlot& s = sound.in[i];
            writeFormatKeys(store, s, n);
            store.setValue(kSection, SlotKey(n, "DCoL"), QString::number(s.dcOffsetL, 'f', 6));
            store.setValue(kSection, SlotKey(n, "DCoR"), QString::number(s.dcOffsetR, 'f', 6));
            store.setValue(kSection, SlotKey(n, "DCoAuto"), s.autoDC ? "1" : "0");
        }
        if (const QString& n = outNames[i]; !n.isEmpty()) {
            const DeviceSlot& s = sound.out[i];
            writeFormatKeys(store, s, n);
            store.setValue(kSection, SlotKey(n, "PhiL"), QString::number(sound.in[i].phaseL));
            store.setValue(kSection, SlotKey(n, "PhiR"), QString::number(sound.in[i].phaseR));
            store.setValue(kSection, SlotKey(n, "PhoL"), QString::number(s.phaseL));
            store.setValue(kSection, SlotKey(n, "PhoR"), QString::number(s.phaseR));
        }
    }
}
