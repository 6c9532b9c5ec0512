#pragma once
// A sweep played through the virtual card's analog path offline (the same
// DUT simulator and quantiser as the device, tests/devicetest/DtRecording.h),
// and what the measurement makes of it.

#include "ir/IrChecks.h"
#include "ir/IrDeconvolve.h"
#include "ir/IrPeak.h"
#include "ir/IrSweep.h"
#include "tests/devicetest/DtRecording.h"

#include <QString>
#include <gtest/gtest.h>

namespace korvanta::irtest {

inline DutConfig Dut(const QString& text)
{
    const DutSpec spec = ParseDutSpec(text);
    EXPECT_TRUE(spec.errors.isEmpty()) << spec.errors.join('\n').toStdString();
    return spec.dut;
}

inline IrSweep Sweep(double seconds, int rate = 48000, double levelDbfs = -6.0)
{
    IrSweep s = DefaultSweep(rate);
    s.seconds = seconds;
    s.levelDbfs = levelDbfs;
    return s;
}

// Both channels record `count` periods of the sweep played in both.
inline dttest::Stereo Play(const QString& dut, const IrSweep& sweep, int count = 1)
{
    const std::vector<double> x = SweepSamples(sweep);
    const size_t period = x.size();
    const auto source = [&x, period, count](size_t n, int) {
        return n < period * static_cast<size_t>(count) ? x[n % period] : 0.0;
    };
    return dttest::Record(Dut(dut), sweep.rate, 32, 24, source, period * static_cast<size_t>(count));
}

struct Measured {
    ImpulseResponse ir;
    IrPeak peak;
};

inline Measured Measure(std::span<const float> recording, const IrSweep& sweep)
{
    Measured m;
    m.ir = Deconvolve(recording, SweepSamples(sweep), sweep);
    m.peak = FindPeak(m.ir);
    return m;
}

inline Measured MeasureDut(const QString& dut, const IrSweep& sweep)
{
    return Measure(Play(dut, sweep).left, sweep);
}

} // namespace korvanta::irtest
