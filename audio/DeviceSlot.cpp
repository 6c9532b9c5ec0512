#include "audio/DeviceSlot.h"

namespace korvanta {

void FormatUpdate(DeviceSlot& slot, const QString& name, int rate, bool flip, int bits, int channels)
{
    if (!name.isEmpty())
        slot.name = name.left(DeviceSlot::kMaxName);
    if (bits == 24)
        bits = 32;
    WaveFormat& f = slot.format;
    f.formatTag = 1;
    if (rate != 0)
        f.samplesPerSec = static_cast<uint32_t>(rate);
    if (channels != 0)
        f.channels = static_cast<uint16_t>(channels);
    if (bits != 0) {
        f.bitsPerSample = static_cast<uint16_t>(bits);
        slot.flip = flip;
    }
    int align = f.channels * f.bitsPerSample / 8;
    if (align == 6)
        align = 8;
    f.blockAlign = static_cast<uint16_t>(align);
    f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
    f.extraSize = 0;
}

QString SlotKey(const QString& deviceName, const QString& suffix)
{
    QString key = deviceName;
    key.replace(QLatin1Char(' '), QLatin1Char('_'));
    key.replace(QLatin1Char('['), QLatin1Char('('));
    key.replace(QLatin1Char(']'), QLatin1Char(')'));
    return key + suffix;
}

QString DeviceKey(bool input, const QString& deviceName, const QString& suffix)
{
    QString key = input ? QStringLiteral("in ") : QStringLiteral("out ");
    for (qsizetype i = 0; i < deviceName.size(); ++i) {
        const QChar c = deviceName[i];
        const bool leadingComment = i == 0 && (c == QLatin1Char(';') || c == QLatin1Char('#'));
        if (c == QLatin1Char(' '))
            key += QLatin1Char('_');
        else if (leadingComment || c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('=')
                 || c == QLatin1Char('[') || c == QLatin1Char(']') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            key += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            key += c;
    }
    return key + suffix;
}

ConversionParams SlotConversion(const DeviceSlot& slot, int bits)
{
    ConversionParams p;
    p.bits = bits;
    p.flip = slot.flip;
    p.autoDC = slot.autoDC;
    p.dcOffsetL = slot.dcOffsetL;
    p.dcOffsetR = slot.dcOffsetR;
    p.phaseL = slot.phaseL;
    p.phaseR = slot.phaseR;
    return p;
}

} // namespace korvanta
