// devices: every input and output the program offers, with the rates and
// widths each takes exactly.

#include "cli/Commands.h"

#include "platform/audio/AudioBackend.h"
#include "cli/CommandLanguage.h"
#include "cli/MeasureReport.h"
#include "cli/MeasureSession.h"
#include "platform/audio/WaveTypes.h"

namespace korvanta {

namespace {

constexpr Words kSilent{"%1 %2 „%3“ (%4) hat nicht geantwortet: seine Formate sind unbekannt",
                        "%1 %2 \"%3\" (%4) did not answer: its formats are unknown"};
constexpr Words kInput{"Eingang", "input"};
constexpr Words kOutput{"Ausgang", "output"};
constexpr Words kNoDevice{"kein Soundgerät gefunden (--virtual listet die virtuelle Karte)",
                          "no sound device found (--virtual lists the virtual card)"};
constexpr Words kNoneAnswered{"kein Gerät hat geantwortet", "no device answered"};

const int kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000};
const int kWidths[] = {8, 16, 24};
constexpr int kWidthForRates = 16;
constexpr int kRateForWidths = 44100;
constexpr int kSlots = 3; // the program's device slots per direction

// Whether the device takes the format, or no answer (a stopped sound server
// keeps every open waiting until it gives up).
enum class Takes { Yes, No, NoAnswer };

Takes takes(AudioBackend& b, bool input, int device, int rate, int bits)
{
    const int container = bits == 24 ? 32 : bits;
    WaveFormat f = MakeWaveFormat(rate, container);
    const int rc = input ? b.queryInput(device, f) : b.queryOutput(device, f);
    return rc == 0 ? Takes::Yes : rc == WAVERR_DEVICE_NO_ANSWER ? Takes::NoAnswer : Takes::No;
}

// A device that does not answer is asked nothing more: each question would
// wait as long again, and empty lists would read as a device that takes
// nothing.
DeviceEntry describe(AudioBackend& b, bool input, int device)
{
    DeviceEntry d;
    d.index = device;
    d.input = input;
    d.name = b.deviceName(input, device);
    d.id = b.deviceId(input, device);
    auto ask = [&](int rate, int bits) {
        const Takes t = d.answered ? takes(b, input, device, rate, bits) : Takes::NoAnswer;
        d.answered = t != Takes::NoAnswer;
        return t == Takes::Yes;
    };
    for (int rate : kRates)
        if (ask(rate, kWidthForRates))
            d.rates.push_back(rate);
    const int rate = d.rates.empty() || ask(kRateForWidths, kWidthForRates) ? kRateForWidths : d.rates.front();
    for (int bits : kWidths)
        if (ask(rate, bits))
            d.widths.push_back(bits);
    if (!d.answered) {
        d.rates.clear();
        d.widths.clear();
    }
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
    int silent = 0;
    for (const DeviceEntry& d : devices)
        if (!d.answered) {
            ++silent;
            result.reasons << Say(kSilent)
                                  .arg(Say(d.input ? kInput : kOutput))
                                  .arg(d.index)
                                  .arg(d.name, d.id);
        }
    if (devices.empty()) {
        result.exitCode = kExitDevice;
        result.reasons << Say(kNoDevice);
    } else if (silent == int(devices.size())) {
        result.exitCode = kExitDevice;
        result.reasons << Say(kNoneAnswered);
    }
    return result;
}

} // namespace korvanta
