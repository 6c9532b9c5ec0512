#include "audio/FormatAdvice.h"

#include "platform/audio/WaveIn.h"
#include "platform/audio/WaveOut.h"
#include "audio/Soundd3.h"

#include <QStringList>
#include <algorithm>

namespace korvanta {

namespace {
constexpr int kPreferredRates[] = {48000, 44100, 96000, 22050, 11025};

int query(bool input, int rate, int bits)
{
    const WaveFormat f = MakeWaveFormat(rate, bits);
    return input ? WaveIn::Query(GetInDevice(), f) : WaveOut::Query(GetOutDevice(), f);
}

QString where(bool input)
{
    return input ? QStringLiteral("Audio-In-Parameter (In-Para)") : QStringLiteral("Audio-Out-Parameter (Out-Para)");
}

// 32-bit containers are what the user knows as 24 bit.
int shownBits(int bits) { return bits == 32 ? 24 : bits; }
} // namespace

QString FormatAdvice(bool input, int rate, int bits)
{
    QStringList rates;
    for (int r : kAdviceRates)
        if (query(input, r, bits) == 0)
            rates << QString::number(r);
    if (!rates.isEmpty())
        return QStringLiteral("The device takes %1 Hz at %2 bit: choose a rate under %3.")
            .arg(rates.join(QStringLiteral(", ")))
            .arg(shownBits(bits))
            .arg(where(input));
    QStringList widths;
    for (int b : {8, 16, 32})
        if (query(input, rate, b) == 0)
            widths << QString::number(shownBits(b));
    if (!widths.isEmpty())
        return QStringLiteral("The device takes %1 bit at %2 Hz: choose a width under %3.")
            .arg(widths.join(QStringLiteral(", ")))
            .arg(rate)
            .arg(where(input));
    return {};
}

std::vector<int> RatesInMask(uint32_t mask)
{
    std::vector<int> rates;
    for (int i = 0; i < 5; ++i) {
        // Four bits per rate: mono 8, stereo 8, mono 16, stereo 16.
        const uint32_t stereo = (WAVE_FORMAT_1S08 | WAVE_FORMAT_1S16) << (4 * i);
        if (mask & stereo)
            rates.push_back(kClassicRates[i]);
    }
    return rates;
}

int StartingRate(uint32_t mask, int rate)
{
    const std::vector<int> taken = RatesInMask(mask);
    if (taken.empty() || std::find(taken.begin(), taken.end(), rate) != taken.end())
        return rate;
    for (int r : kPreferredRates)
        if (std::find(taken.begin(), taken.end(), r) != taken.end())
            return r;
    return rate;
}

} // namespace korvanta
