// The KORVANTA_DUT parser on hostile text: whatever it is given, every value
// it takes lies in the range the simulated device under test is built for
// (a gain of 1e300 dB or a delay of a billion samples would make the card
// produce garbage or allocate without end), and every rejected item is
// described.

#include "platform/audio/virtual/DutConfig.h"
#include "fuzz/FuzzSupport.h"

#include <cmath>

using namespace korvanta;

namespace {

void inRange(double v, double lo, double hi, const char* what)
{
    if (!std::isfinite(v) || v < lo || v > hi)
        fuzz::Fail(what);
}

void inRangeOrOff(double v, double lo, double hi, const char* what)
{
    if (v != kOffDb)
        inRange(v, lo, hi, what);
}

void checkSpec(const DutSpec& spec)
{
    const DutConfig& d = spec.dut;
    for (int ch = 0; ch < 2; ++ch) {
        inRange(d.gainDb[ch], -200, 60, "gain");
        inRange(d.dc[ch], -2, 2, "dc");
    }
    if (d.lowPassHz != 0.0)
        inRange(d.lowPassHz, 1, 1e6, "low-pass");
    if (d.highPassHz != 0.0)
        inRange(d.highPassHz, 0.1, 1e6, "high-pass");
    inRange(d.delaySamples, 0, 65536, "delay");
    for (int ch = 0; ch < 2; ++ch)
        if (d.delayOne[ch] != -1.0)
            inRange(d.delayOne[ch], 0, 65536, "one channel's delay");
    inRange(d.echoMs, 0, 1000, "echo time");
    inRangeOrOff(d.echoDb, -300, 0, "echo level");
    inRange(d.driftPpm, -1000, 1000, "drift");
    inRange(d.k2, -100, 100, "k2");
    inRange(d.k3, -100, 100, "k3");
    inRangeOrOff(d.noiseDb, -300, 20, "noise");
    inRangeOrOff(d.xtalkLeftToRightDb, -300, 0, "crosstalk left to right");
    inRangeOrOff(d.xtalkRightToLeftDb, -300, 0, "crosstalk right to left");
    inRange(d.extFreq, 0.01, 1e6, "external frequency");
    inRange(d.extLevelDb, -300, 20, "external level");
    if (d.harmonicsDb.size() > 8)
        fuzz::Fail("more harmonics than h2 ... h9");
    for (double h : d.harmonicsDb)
        inRangeOrOff(h, -300, 0, "harmonic");
    if (spec.inputVolume)
        inRange(*spec.inputVolume, 0, 100, "volume");
    inRange(spec.faultCode, 0, 999, "fault code");
    if (static_cast<int>(spec.fault) < 0 || spec.fault > VirtualFault::DeviceGone)
        fuzz::Fail("fault");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    checkSpec(ParseDutSpec(QString::fromUtf8(bytes)));
    checkSpec(ParseDutSpec(QString::fromLatin1(bytes)));
    return 0;
}
