#include "platform/audio/virtual/Resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace korvanta {

namespace {
constexpr int kZeroCrossings = 32;  // on each side of the centre
constexpr int kTablePerCrossing = 512;
constexpr double kBeta = 10.0;      // Kaiser window: side lobes near -100 dB
constexpr double kRollOff = 0.9;    // cut-off at 0.45 of the lower rate

// Modified Bessel function of the first kind, order 0 (power series).
double besselI0(double x)
{
    double sum = 1.0, term = 1.0;
    const double q = x * x / 4.0;
    for (int k = 1; k < 60 && term > 1e-17 * sum; ++k) {
        term *= q / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}
} // namespace

Resampler::Resampler(int fromRate, int toRate) : from_(std::max(1, fromRate)), to_(std::max(1, toRate))
{
    const int64_t g = std::gcd(static_cast<int64_t>(from_), static_cast<int64_t>(to_));
    step_ = from_ / g;
    den_ = to_ / g;
    cutoff_ = 0.5 * kRollOff * std::min(from_, to_) / from_;
    reach_ = static_cast<int>(std::ceil(kZeroCrossings / (2.0 * cutoff_)));
    table_.resize(kZeroCrossings * kTablePerCrossing + 2);
    const double i0Beta = besselI0(kBeta);
    for (size_t i = 0; i < table_.size(); ++i) {
        const double u = static_cast<double>(i) / kTablePerCrossing; // in zero crossings
        const double t = u / kZeroCrossings;
        if (t >= 1.0) {
            table_[i] = 0.0;
            continue;
        }
        const double sinc = u == 0.0 ? 1.0 : std::sin(std::numbers::pi * u) / (std::numbers::pi * u);
        table_[i] = sinc * besselI0(kBeta * std::sqrt(1.0 - t * t)) / i0Beta;
    }
    // Silence before the stream starts fills the first output frames' reach.
    start_ = -reach_;
    history_.assign(2 * static_cast<size_t>(reach_), 0.0);
}

double Resampler::kernel(double distance) const
{
    const double u = std::abs(distance) * 2.0 * cutoff_ * kTablePerCrossing;
    const auto i = static_cast<size_t>(u);
    if (i + 1 >= table_.size())
        return 0.0;
    const double f = u - static_cast<double>(i);
    return table_[i] + f * (table_[i + 1] - table_[i]);
}

int Resampler::needed() const
{
    const int64_t have = start_ + static_cast<int64_t>(history_.size() / 2);
    const int64_t last = pos_ + reach_; // the newest source frame the next output frame uses
    return static_cast<int>(std::max<int64_t>(0, last + 1 - have));
}

void Resampler::push(const double* stereo, int frames)
{
    history_.insert(history_.end(), stereo, stereo + 2 * static_cast<size_t>(frames));
}

// The output frame at the current position: weights normalised to a sum of
// one, so a constant passes exactly whatever the fractional position.
void Resampler::makeFrame(double* out) const
{
    const double position = static_cast<double>(pos_) + static_cast<double>(frac_) / static_cast<double>(den_);
    double sum = 0.0, l = 0.0, r = 0.0;
    for (int64_t k = pos_ - reach_ + 1; k <= pos_ + reach_; ++k) {
        const double w = kernel(position - static_cast<double>(k));
        const size_t at = 2 * static_cast<size_t>(k - start_);
        l += w * history_[at];
        r += w * history_[at + 1];
        sum += w;
    }
    out[0] = l / sum;
    out[1] = r / sum;
}

void Resampler::advance()
{
    frac_ += step_;
    pos_ += frac_ / den_;
    frac_ %= den_;
    // Drop what no later frame reaches, a block at a time.
    const int64_t unused = pos_ - reach_ + 1 - start_;
    if (unused > 4096) {
        history_.erase(history_.begin(), history_.begin() + 2 * unused);
        start_ += unused;
    }
}

int Resampler::pull(double* stereo, int frames)
{
    int made = 0;
    while (made < frames && needed() == 0) {
        makeFrame(stereo + 2 * static_cast<size_t>(made));
        advance();
        ++made;
    }
    return made;
}

} // namespace korvanta
