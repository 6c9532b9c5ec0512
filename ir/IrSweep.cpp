#include "ir/IrSweep.h"

#include "ir/IrTransformSize.h"
#include "platform/LanguageTexts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvanta {

namespace {

constexpr double kFadeInOctaves = 0.5;
constexpr double kFadeOutOctaves = 1.0 / 24.0;

double RaisedCosine(double share) { return 0.5 - 0.5 * std::cos(std::numbers::pi * std::clamp(share, 0.0, 1.0)); }

} // namespace

double IrSweep::RateConstant() const { return seconds / std::log(f2 / f1); }
int IrSweep::SweepFrames() const { return static_cast<int>(std::lround(seconds * rate)); }
int IrSweep::PeriodFrames() const { return SweepFrames() + static_cast<int>(std::lround(tailSeconds * rate)); }

IrSweep DefaultSweep(int rate)
{
    IrSweep s;
    s.rate = rate;
    s.f2 = std::min(20000.0, kIrTopShare * rate);
    return s;
}

IrSweepFit CheckSweep(const IrSweep& s)
{
    if (s.rate < 1000 || s.rate > 384000)
        return IrSweepFit::BadRate;
    if (!(s.seconds >= kIrMinSeconds && s.seconds <= kIrMaxSeconds) || !(s.tailSeconds >= 0.0 && s.tailSeconds <= 10.0))
        return IrSweepFit::BadLength;
    if (!(s.f1 >= 1.0 && s.f2 >= 2.0 * s.f1))
        return IrSweepFit::BadBand;
    if (s.f2 > kIrTopShare * s.rate + 1e-9)
        return IrSweepFit::TooHigh;
    if (IrTransformSize(s.PeriodFrames()) == 0)
        return IrSweepFit::TooLong;
    if (s.count < 1 || s.count > kIrMaxCount)
        return IrSweepFit::BadCount;
    return IrSweepFit::Fits;
}

QString SweepFitText(IrSweepFit fit, const IrSweep& s, char letter)
{
    static constexpr Words kRate{"Die Abtastrate %1 Hz liegt nicht zwischen 1000 und 384000 Hz",
                                 "The sample rate %1 Hz is not between 1000 and 384000 Hz"};
    static constexpr Words kLength{"Der Sweep muss 0,5 bis 20 s lang sein und der Nachlauf 0 bis 10 s",
                                   "The sweep must last 0.5 to 20 s and its tail 0 to 10 s"};
    static constexpr Words kBand{"Die Startfrequenz muss mindestens 1 Hz betragen und die Endfrequenz mindestens das Doppelte",
                                 "The start frequency must be at least 1 Hz and the end frequency at least twice that"};
    static constexpr Words kHigh{"Die Endfrequenz %1 Hz passt nicht zur Abtastrate: höchstens %2 Hz (0,45 · Rate)",
                                 "The end frequency %1 Hz does not fit the sample rate: at most %2 Hz (0.45 · rate)"};
    static constexpr Words kLong{"Sweep und Nachlauf sind für diese Rate zu lang: zusammen höchstens %1 s",
                                 "Sweep and tail are too long for this rate: at most %1 s together"};
    static constexpr Words kCount{"Es können 1 bis 64 Sweeps gemittelt werden", "From 1 to 64 sweeps can be averaged"};
    switch (fit) {
    case IrSweepFit::Fits: return {};
    case IrSweepFit::BadRate: return Pick(letter, kRate).arg(s.rate);
    case IrSweepFit::BadLength: return Pick(letter, kLength);
    case IrSweepFit::BadBand: return Pick(letter, kBand);
    case IrSweepFit::TooHigh: return Pick(letter, kHigh).arg(s.f2).arg(kIrTopShare * s.rate);
    case IrSweepFit::TooLong:
        return Pick(letter, kLong).arg(std::floor(10.0 * kIrMaxTransform / s.rate) / 10.0);
    case IrSweepFit::BadCount: return Pick(letter, kCount);
    }
    return {};
}

double FullLevelLowHz(const IrSweep& s) { return s.f1 * std::exp2(kFadeInOctaves); }
double FullLevelHighHz(const IrSweep& s) { return s.f2 * std::exp2(-kFadeOutOctaves); }

namespace {

// The fades' product at `t` seconds into the sweep.
double Envelope(const IrSweep& s, double t)
{
    const double L = s.RateConstant();
    const double fadeIn = L * std::log(FullLevelLowHz(s) / s.f1); // seconds
    const double fadeOut = L * std::log(s.f2 / FullLevelHighHz(s));
    return RaisedCosine(t / fadeIn) * RaisedCosine((s.seconds - t) / fadeOut);
}

} // namespace

std::vector<double> SweepSamples(const IrSweep& s) { return HarmonicSweepSamples(s, 1); }

std::vector<double> HarmonicSweepSamples(const IrSweep& s, int k)
{
    if (CheckSweep(s) != IrSweepFit::Fits || k < 1)
        return {};
    const double L = s.RateConstant();
    const double amplitude = std::pow(10.0, s.levelDbfs / 20.0);
    const int n = s.SweepFrames();
    std::vector<double> x(static_cast<size_t>(s.PeriodFrames()), 0.0);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / s.rate;
        // The phase in cycles, reduced before the sine so that it keeps its
        // precision over a long sweep.
        const double cycles = k * s.f1 * L * std::expm1(t / L);
        x[static_cast<size_t>(i)] =
            amplitude * std::pow(Envelope(s, t), k) * std::sin(2.0 * std::numbers::pi * (cycles - std::floor(cycles)));
    }
    return x;
}

} // namespace korvanta
