#pragma once
// Band-limited sample-rate conversion of a stereo stream between two integer
// rates, for the virtual card's input hearing an output that plays at
// another rate. Each output frame is the source convolved with a
// Kaiser-windowed sinc (32 zero crossings each side, beta 10: stop band
// below about -100 dB) whose cut-off lies at 0.45 of the lower of the two
// rates, so nothing above the target's half rate folds back and a tone
// keeps its pitch and level. Positions advance by the exact ratio of the
// rates, so the pitch never drifts.
//
// Plain numeric class: no device, no thread of its own.

#include <cstdint>
#include <vector>

namespace korvanta {

class Resampler {
public:
    Resampler(int fromRate, int toRate);

    int fromRate() const { return from_; }
    int toRate() const { return to_; }
    // Source frames the next output frame still waits for (0: pull can make one).
    int needed() const;
    // Appends source frames (interleaved stereo).
    void push(const double* stereo, int frames);
    // Makes up to `frames` output frames from what has been pushed; returns
    // how many it made.
    int pull(double* stereo, int frames);

private:
    double kernel(double distance) const;
    void makeFrame(double* out) const;
    void advance();

    int from_;
    int to_;
    int64_t step_;       // source frames per output frame = step_ / den_
    int64_t den_;
    double cutoff_;      // cycles per source frame
    int reach_;          // source frames used on each side of a position
    std::vector<double> table_; // the kernel over |x| in zero crossings
    std::vector<double> history_; // source frames, first one at index start_
    int64_t start_;
    int64_t pos_ = 0;    // integer part of the current source position
    int64_t frac_ = 0;   // fractional part, in 1/den_
};

} // namespace korvanta
