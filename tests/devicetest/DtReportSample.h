#pragma once
// A device test's result with every kind of row the reports must carry:
// both channels and the cross channels, a figure not measured, volts and a
// card's reference on some rows only, a flagged row, umlauts, and a curve
// for each plot.

#include "devicetest/DeviceTestResult.h"

#include <cmath>

namespace korvanta {

inline DtCurve SampleCurve(const char* id, DtChannel channel, double floorDb)
{
    DtCurve c;
    c.id = QString::fromLatin1(id);
    c.channel = channel;
    for (double f = 20.0; f <= 20000.0; f *= 1.1) {
        c.x.push_back(f);
        c.y.push_back(floorDb + 10.0 * std::sin(f / 1000.0));
    }
    return c;
}

inline DeviceTestResult SampleResult()
{
    DeviceTestResult r;
    r.complete = true;
    DtHeader& h = r.header;
    h.inputDevice = QStringLiteral("hw:CARD=Übung,DEV=0");
    h.outputDevice = QStringLiteral("hw:CARD=Übung,DEV=0");
    h.rate = 48000;
    h.inputBits = 24;
    h.outputBits = 16;
    h.inputVolumePercent = 0;
    h.outputVolumePercent = 75;
    h.calibration = QStringLiteral("none");
    h.date = QStringLiteral("2026-12-09T13:00:00Z");
    h.programVersion = QStringLiteral("1.4.0");
    h.note = QStringLiteral("Verstärker „Größe 3“, Eingang über Dämpfungsglied");
    h.bandHighHz = 20000.0;
    h.referenceLevelDbfs = -1.0;
    r.figures = {
        {QString::fromLatin1(dtid::Noise), DtChannel::Left, -97.25, QStringLiteral("dBFS"), 1.234e-5, -100.0, true, {}, {}},
        {QString::fromLatin1(dtid::Noise), DtChannel::Right, -96.5, QStringLiteral("dBFS"), std::nullopt, std::nullopt, false, {}, {}},
        {QString::fromLatin1(dtid::ThdnPercent), DtChannel::Left, 0.00123, QStringLiteral("%"), {}, {}, false, {}, {}},
        {QStringLiteral("h3"), DtChannel::Left, -74.05, QStringLiteral("dB"), {}, {}, false, {}, {}},
        {QString::fromLatin1(dtid::ImdCcifD2), DtChannel::Left, NAN, QStringLiteral("dB"), {}, {},
         false, QStringLiteral("19 kHz liegt über 0,4535·fs"), QStringLiteral("ccif_rate_too_low")},
        {QStringLiteral("crosstalk_db_100"), DtChannel::LeftToRight, -88.0, QStringLiteral("dB"), {}, -90.0, true,
         QStringLiteral("within 6 dB of the tone-off reading (mains hum?)"), QStringLiteral("near_idle_reading")},
        {QStringLiteral("match_phase_deg_10000"), DtChannel::Both, 0.35, QStringLiteral("°"), {}, {}, false, {}, {}},
    };
    r.curves = {SampleCurve("response", DtChannel::Left, 0.0),   SampleCurve("response", DtChannel::Right, -0.5),
                SampleCurve("noise", DtChannel::Left, -130.0),   SampleCurve("thd", DtChannel::Left, -110.0),
                SampleCurve("imd", DtChannel::Left, -120.0),     SampleCurve("crosstalk", DtChannel::LeftToRight, -95.0)};
    r.curves[2].y[3] = NAN;   // a bin without a value
    return r;
}

} // namespace korvanta
