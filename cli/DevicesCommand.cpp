// devices: every input and output the program offers, with the rates and
// widths each takes exactly.

#include "Commands.h"

#include "AudioBackend.h"
#include "MeasureReport.h"
#include "WaveTypes.h"

namespace {

const int kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000};
const int kWidths[] = {8, 16, 24};
constexpr int kWidthForRates = 16;
constexpr int kRateForWidths = 44100;
constexpr int kSlots = 3; // the program's device slots per direction

bool takes(AudioBackend& b, bool input, int device, int rate, int bits)
{
    const int container = bits == 24 ? 32 : bits;
    WaveFormat f = MakeWaveFormat(rate, container);
    return input ? b.queryInput(device, f) == 0 : b.queryOutput(device, f) == 0;
}

DeviceEntry describe(AudioBackend& b, bool input, int device)
{
    DeviceEntry d;
    d.index = device;
    d.input = input;
    d.name = b.deviceName(input, device);
    d.id = b.deviceId(input, device);
    for (int rate : kRates)
        if (takes(b, input, device, rate, kWidthForRates))
            d.rates.push_back(rate);
    const int rate = d.rates.empty() || takes(b, input, device, kRateForWidths, kWidthForRates) ? kRateForWidths
                                                                                              : d.rates.front();
    for (int bits : kWidths)
        if (takes(b, input, device, rate, bits))
            d.widths.push_back(bits);
    return d;
}

} // namespace

CommandResult RunDevices(const MeasureOptions& o)
{
    AudioBackend& b = CurrentAudioBackend();
    std::vector<DeviceEntry> devices;
    for (int i = 0; i < std::min(kSlots, b.inputCount()); ++i)
        devices.push_back(describe(b, true, i));
    for (int i = 0; i < std::min(kSlots, b.outputCount()); ++i)
        devices.push_back(describe(b, false, i));
    CommandResult result;
    result.report = ReportDevices(devices, b.name(), o.format);
    return result;
}
