#pragma once
// The power spectrum of a recorded channel, scaled so that the sum over any
// set of bins is the power in them: a Blackman-Harris window (its side lobes
// lie below -92 dB, so a tone or hum does not leak into the noise band) with
// its equivalent noise bandwidth divided out, averaged over half-overlapping
// segments. Both white noise and a sine read their true power when summed
// over their bins, which a magnitude spectrum scaled for sines does not.

#include <span>
#include <vector>

namespace korvanta {

struct DtSpectrum {
    double binHz = 0.0;        // bin k lies at k·binHz
    std::vector<double> power; // full-scale units squared per bin; bins 0 … N/2
};

// The longest segment used; shorter blocks use the longest power of two
// that fits.
inline constexpr int kDtMaxSegment = 65536;
inline constexpr int kDtMinSegment = 256;

// Empty where the block is shorter than kDtMinSegment.
DtSpectrum PowerSpectrum(std::span<const float> x, int rate);

} // namespace korvanta
