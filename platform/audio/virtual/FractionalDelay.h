#pragma once
// The virtual card's delay line: whole-sample delays read one stored sample,
// as a card's buffer does; a fraction of a sample is interpolated by a
// Kaiser-windowed sinc of up to 64 taps, flat within 0.001 dB and straight
// in phase within 0.01 degrees up to 0.42 of the rate, so a measurement of
// latency to a fraction of a sample has something exact to find.
//
// The filter is causal: its taps reach from the delay's whole part minus 31
// to plus 32 samples, so a delay below 31 samples gets fewer taps (two taps
// for less than one sample) and a narrower flat band.

#include <cstddef>
#include <vector>

namespace korvanta {

inline constexpr int kFractionalHalfTaps = 32;

struct FractionalTaps {
    int first = 0;                            // the delay, whole samples, of coef[0]
    int count = 0;                            // taps in use
    double coef[2 * kFractionalHalfTaps] = {}; // coef[k] weighs the sample delayed by first + k
};

// The taps that delay by `delay` samples (>= 0): one tap of 1 for a whole
// number, else the windowed sinc centred on `delay`, normalised to unity
// gain at DC.
FractionalTaps MakeFractionalTaps(double delay);

// A ring of past samples, long enough for `longest` samples of delay plus
// the taps' reach.
class DelayLine {
public:
    explicit DelayLine(double longest = 0.0);

    // Stores the newest sample; a read of delay 0 then returns it.
    void push(double x) { buffer_[pos_ = (pos_ + 1) & mask_] = x; }

    // The signal `extra` whole samples further back than the taps say.
    double read(const FractionalTaps& taps, int extra = 0) const;

private:
    std::vector<double> buffer_;
    std::size_t mask_ = 0;
    std::size_t pos_ = 0;
};

} // namespace korvanta
