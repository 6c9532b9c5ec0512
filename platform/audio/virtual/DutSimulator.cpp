#include "platform/audio/virtual/DutSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace korvanta {

namespace {
double fromDb(double db) { return db <= -300.0 ? 0.0 : std::pow(10.0, db / 20.0); }
}

double DutSimulator::Biquad::step(double x)
{
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

// Bilinear-transformed 2nd-order Butterworth section.
DutSimulator::Biquad DutSimulator::butterworth(bool highPass, double freq, int rate)
{
    const double w = 2.0 * std::numbers::pi * freq / rate;
    const double alpha = std::sin(w) / std::numbers::sqrt2; // sin(w) / (2Q), Q = 1/sqrt(2)
    const double cosw = std::cos(w);
    const double a0 = 1.0 + alpha;
    Biquad b;
    if (highPass) {
        b.b0 = (1.0 + cosw) / 2.0 / a0;
        b.b1 = -(1.0 + cosw) / a0;
    } else {
        b.b0 = (1.0 - cosw) / 2.0 / a0;
        b.b1 = (1.0 - cosw) / a0;
    }
    b.b2 = b.b0;
    b.a1 = -2.0 * cosw / a0;
    b.a2 = (1.0 - alpha) / a0;
    return b;
}

DutSimulator::DutSimulator(const DutConfig& config, int sampleRate)
    : config_(config), rate_(std::max(1, sampleRate)), rng_(0x4b525654u)
{
    if (config.echoMs > 0.0 && config.echoDb > -300.0) {
        // Whole samples: a reflection's comb is what a test looks for, and
        // a whole-sample echo makes it exact.
        echoSamples_ = std::max(1, static_cast<int>(std::lround(config.echoMs * rate_ / 1000.0)));
        echoGain_ = fromDb(config.echoDb);
    }
    if (config.driftPpm != 0.0) {
        // The clocks' difference piles up as delay; every tenth of a second
        // of it the input slips back by that much, as a card whose buffer
        // runs over or under, so the delay line stays bounded however long
        // the card runs. A slow input starts with the whole span.
        drift_ = config.driftPpm * 1e-6;
        driftSpan_ = rate_ / 10.0;
        driftOffset_ = drift_ < 0.0 ? driftSpan_ : 0.0;
    }
    const double longest = std::max(config.delayFor(0), config.delayFor(1)) + echoSamples_ + driftSpan_ + 1.0;
    for (int c = 0; c < 2; ++c) {
        gain_[c] = fromDb(config.gainDb[c]);
        delay_[c] = DelayLine(longest);
        taps_[c] = MakeFractionalTaps(config.delayFor(c));
    }
    extAmp_ = fromDb(config.extLevelDb);
    for (double h : config.harmonicsDb)
        harmonicAmp_.push_back(extAmp_ * fromDb(h));
    noiseRms_ = fromDb(config.noiseDb);
    xtalk_[0] = fromDb(config.xtalkRightToLeftDb);
    xtalk_[1] = fromDb(config.xtalkLeftToRightDb);
    const double nyquist = rate_ / 2.0;
    auto addFilter = [&](int channel, bool highPass, double freq) {
        if (freq <= 0.0)
            return;
        if (freq >= 0.49 * rate_) {
            const QString line = QStringLiteral("virtual card: %1 at %2 Hz is not below half the rate (%3 Hz), left out")
                                     .arg(highPass ? "high-pass" : "low-pass").arg(freq).arg(nyquist);
            if (!warnings_.contains(line))
                warnings_ << line;
            return;
        }
        filters_[channel].push_back(butterworth(highPass, freq, rate_));
    };
    for (int c = 0; c < 2; ++c) {
        addFilter(c, true, config.highPassFor(c));
        addFilter(c, false, config.lowPassFor(c));
    }
}

double DutSimulator::gaussian(double rms) { return rms * normal_(rng_); }

double DutSimulator::external()
{
    if (config_.ext == ExternalKind::Off || externalPaused_)
        return 0.0;
    if (config_.ext == ExternalKind::Noise)
        return gaussian(extAmp_);
    const double twoPi = 2.0 * std::numbers::pi;
    double v = 0.0;
    if (config_.ext == ExternalKind::Sine)
        v = extAmp_ * std::sin(twoPi * phase_);
    else
        v = phase_ < 0.5 ? extAmp_ : -extAmp_;
    for (size_t i = 0; i < harmonicAmp_.size(); ++i)
        v += harmonicAmp_[i] * std::sin(twoPi * std::fmod(phase_ * static_cast<double>(i + 2), 1.0));
    phase_ += config_.extFreq / rate_;
    phase_ -= std::floor(phase_);
    return v;
}

void DutSimulator::process(const double played[2], double out[2])
{
    const double ext = external();
    double shaped[2];
    for (int c = 0; c < 2; ++c) {
        double x = (played[c] + ext) * gain_[c];
        for (Biquad& f : filters_[c])
            x = f.step(x);
        shaped[c] = x + config_.k2 * x * x + config_.k3 * x * x * x;
    }
    // Crosstalk couples the two shaped channels before each has its own
    // delay and noise, as leakage between a card's two converter paths does.
    const double coupled[2] = {shaped[0] + xtalk_[0] * shaped[1], shaped[1] + xtalk_[1] * shaped[0]};
    double v[2];
    for (int c = 0; c < 2; ++c) {
        delay_[c].push(coupled[c]);
        double x = delayed(c);
        if (noiseRms_ > 0.0)
            x += gaussian(noiseRms_);
        x += config_.dc[c];
        v[c] = config_.invert[c] ? -x : x;
    }
    if (drift_ != 0.0) {
        driftOffset_ += drift_;
        if (driftOffset_ >= driftSpan_)
            driftOffset_ -= driftSpan_;
        else if (driftOffset_ < 0.0)
            driftOffset_ += driftSpan_;
    }
    out[0] = config_.swap ? v[1] : v[0];
    out[1] = config_.swap ? v[0] : v[1];
}

// The channel's delayed signal with its reflection. While the clocks agree
// the taps are fixed (one tap for a whole-sample delay, exactly as a plain
// ring buffer); with drift they follow the growing delay frame by frame.
double DutSimulator::delayed(int channel)
{
    const FractionalTaps taps =
        drift_ != 0.0 ? MakeFractionalTaps(config_.delayFor(channel) + driftOffset_) : taps_[channel];
    double x = delay_[channel].read(taps);
    if (echoSamples_ > 0)
        x += echoGain_ * delay_[channel].read(taps, echoSamples_);
    return x;
}

void QuantiseSamples(const double* values, int count, int bits, double volume, uint8_t* dst)
{
    for (int i = 0; i < count; ++i) {
        const double x = values[i] * volume;
        if (bits == 8) {
            dst[i] = static_cast<uint8_t>(std::clamp(std::nearbyint(x * 128.0) + 128.0, 0.0, 255.0));
        } else if (bits == 16) {
            const auto s = static_cast<int16_t>(std::clamp(std::nearbyint(x * 32768.0), -32768.0, 32767.0));
            std::memcpy(dst + 2 * i, &s, 2);
        } else {
            const auto s = static_cast<int32_t>(std::clamp(std::nearbyint(x * 2147483648.0), -2147483648.0, 2147483647.0));
            std::memcpy(dst + 4 * i, &s, 4);
        }
    }
}

double DecodeOutputSample(const uint8_t* src, int bits)
{
    if (bits == 8)
        return (static_cast<int>(src[0]) - 128) / 127.0;
    if (bits == 16) {
        int16_t s;
        std::memcpy(&s, src, 2);
        return s / 32767.0;
    }
    int32_t s;
    std::memcpy(&s, src, 4);
    return s / 2147483392.0;
}

} // namespace korvanta
