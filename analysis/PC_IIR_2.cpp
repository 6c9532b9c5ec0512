#include "analysis/PC_IIR_2.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace korvanta {

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
const double kSqrt2 = std::sqrt(2.0);

// Analog frequency whose bilinear image lands exactly at x Hz.
double prewarp(double x, double fs)
{
    return std::tan(std::numbers::pi * x / fs) * fs / std::numbers::pi;
}

void swapNumeratorDenominator(AnalogPrototype& p)
{
    std::swap(p.nu0, p.de0);
    std::swap(p.nu1, p.de1);
    std::swap(p.nu2, p.de2);
}

AnalogPrototype prototype(FilterKind kind, double gainDb, double q, double f, double fs)
{
    const double V = std::pow(10.0, std::fabs(gainDb) / 20.0);
    const double V2 = std::pow(10.0, std::fabs(gainDb) / (20.0 * kSqrt2));
    const double w = kTwoPi * prewarp(f, fs);
    const double w2 = w * w;
    const double e = f / (2 * q);
    const double fl = std::sqrt(e * e + f * f) - e;
    const double pl = prewarp(fl, fs);
    const double pc = prewarp(f, fs);
    const double bw = (pc * pc / pl - pl) / pc;

    AnalogPrototype p;
    switch (kind) {
    case FilterKind::LowShelf:
        p = {V * w2, 2 * std::sqrt(V) * w, 1, w2, (V + 1) * w / V2, 1};
        if (gainDb < 0)
            swapNumeratorDenominator(p);
        break;
    case FilterKind::HighShelf:
        p = {w2, 2 * std::sqrt(V) * w, V, w2, (V + 1) * w / V2, 1};
        if (gainDb < 0)
            swapNumeratorDenominator(p);
        break;
    case FilterKind::Peaking: {
        const double c = gainDb != 0 ? std::sqrt((V2 * V2 - 1) / (V * V - V2 * V2)) : kSqrt2;
        p.nu2 = p.de2 = 1;
        p.nu0 = p.de0 = w2;
        if (gainDb > 0) {
            p.nu1 = w * bw * V * c;
            p.de1 = c * bw * w;
        } else {
            p.nu1 = c * bw * w;
            p.de1 = w * bw * V * c;
        }
        break;
    }
    case FilterKind::LowPass: p = {w2, 0, 0, w2, kSqrt2 * w, 1}; break;
    case FilterKind::HighPass: p = {0, 0, 1, w2, kSqrt2 * w, 1}; break;
    case FilterKind::BandPass: p = {0, bw * w, 0, w2, bw * w, 1}; break;
    case FilterKind::Notch: p = {w2, 0, 1, w2, bw * w, 1}; break;
    case FilterKind::AllPass: p = {w2, -2 * w, 1, w2, 2 * w, 1}; break;
    case FilterKind::PassThrough: break;
    }
    return p;
}

Biquad bilinear(const AnalogPrototype& p, double fs)
{
    const double T = 1.0 / fs;
    const double T2 = T * T;
    const double D = T2 * p.de0 + 2 * T * p.de1 + 4 * p.de2;
    Biquad s;
    s.b0 = (T2 * p.nu0 + 2 * T * p.nu1 + 4 * p.nu2) / D;
    s.b1 = (2 * T2 * p.nu0 - 8 * p.nu2) / D;
    s.b2 = (T2 * p.nu0 - 2 * T * p.nu1 + 4 * p.nu2) / D;
    s.a1 = -(2 * T2 * p.de0 - 8 * p.de2) / D;
    s.a2 = -(T2 * p.de0 - 2 * T * p.de1 + 4 * p.de2) / D;
    return s;
}

double step(const Biquad& s, BiquadState& h, double in)
{
    h.x2 = h.x1;
    h.y2 = h.y1;
    h.x1 = h.x0;
    h.y1 = h.y0;
    h.x0 = in;
    h.y0 = s.b0 * h.x0 + s.b1 * h.x1 + s.b2 * h.x2 + s.a1 * h.y1 + s.a2 * h.y2;
    return h.y0;
}
} // namespace

int DesignSection(int kind, Biquad& section, double gainDb, double q, double freqHz, int fs)
{
    if (kind < 0 || kind > 8)
        return 0;
    const auto k = static_cast<FilterKind>(kind);
    if (k == FilterKind::PassThrough) {
        section = Biquad{1, 0, 0, 0, 0};
        return 0;
    }
    section = bilinear(prototype(k, gainDb, q, freqHz, fs), fs);
    return 0;
}

void DesignPinkCascade(PinkCascade& cascade, int fs)
{
    const int nyquist = fs / 2;
    int n = 0;
    for (int i = 0; i <= 12; ++i) {
        const double f = 20.0 * std::pow(2.0, i);
        if (f >= nyquist)
            break;
        DesignSection(static_cast<int>(FilterKind::Peaking), cascade.sections[n++], 2.0 - i, 1.0, f, fs);
    }
    DesignSection(static_cast<int>(FilterKind::HighShelf), cascade.sections[n++], -30.0, 1.0,
                  std::round(fs / 2.4), fs);
    cascade.count = n;
    ResetCascade(cascade);
}

void ResetCascade(PinkCascade& cascade)
{
    for (BiquadState& s : cascade.states)
        s = BiquadState{};
}

double ProcessCascade(PinkCascade& cascade, double in)
{
    double v = in;
    for (int i = 0; i < cascade.count; ++i)
        v = step(cascade.sections[i], cascade.states[i], v);
    return v;
}

void FilterStereoBlock(const Biquad& section, int frames, float* interleaved)
{
    for (int ch = 0; ch < 2; ++ch) {
        BiquadState h;
        for (int i = 0; i < frames; ++i) {
            float& x = interleaved[2 * i + ch];
            x = static_cast<float>(step(section, h, x));
        }
    }
}

double SectionMagnitude(const Biquad& s, double freqHz, int fs)
{
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * freqHz / fs);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> num = s.b0 + s.b1 * z1 + s.b2 * z2;
    const std::complex<double> den = 1.0 - s.a1 * z1 - s.a2 * z2;
    return std::abs(num / den);
}

} // namespace korvanta
