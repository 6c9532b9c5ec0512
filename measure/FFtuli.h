#pragma once

#include <memory>
#include <vector>

namespace korvanta {

// Window functions and the magnitude spectrum of the analyzer.
//
// Each analyzer owns an FftWorkspace: its window table and imaginary work
// array of 16,384 floats each, allocated on first use and kept as long as the
// workspace, so no transform may exceed 16,384 points and nothing is
// allocated per block. Two analyzers in one process never share a window.
// The transform's own tables (bit reversal, twiddles) are constants built
// once and shared by everybody.

constexpr int kMaxFftPoints = 16384;
constexpr int kWindowTypeCount = 9;

class FftWorkspace {
public:
    FftWorkspace();
    ~FftWorkspace();
    FftWorkspace(const FftWorkspace&) = delete;
    FftWorkspace& operator=(const FftWorkspace&) = delete;

    // Fills w[0 .. N-1] of the window table for type 0..8 (0 = none, a
    // constant 0.5; the others cosine sums scaled so that every window's
    // mean is close to 0.5). Elements beyond N keep what an earlier, larger
    // window left there. A type outside 0..8 leaves the table unchanged.
    void MakeWindow(int type, int N);

    // Windows x[0 .. N-1] with the table, transforms it and leaves the
    // magnitudes |X[k]| / N in x[0 .. N/2-1]; x[N/2 .. N-1] hold scratch
    // values. A sine of peak A on a bin under window 0 gives A/4 in that
    // bin; the level conversion relies on exactly this scaling. The caller
    // must have called MakeWindow with the same N.
    void Magnitude(float* x, int N);

    // The window table (all zero before the first MakeWindow).
    const float* Window() const { return window_.get(); }

private:
    std::unique_ptr<float[]> window_;
    std::unique_ptr<float[]> imag_;
};

// In-place complex transform of N points (a power of two, at least 2), with
// the positive exponent and 1/N scaling: X[k] = (1/N) sum x[n] e^{+2 pi i nk/N}.
void Fft(float* re, float* im, int N);

// The same transform in double precision for long records (an impulse
// response from a sweep of many seconds needs millions of points): N a power
// of two from 2 to kMaxLongFftPoints. Its twiddles come from the same
// per-stage recurrence as Fft's, built for the size at hand in `scratch`
// (resized to N), since a table for the largest size would cost 256 MB.
constexpr int kMaxLongFftPoints = 1 << 24;
void FftLong(double* re, double* im, int N, std::vector<double>& scratch);

// Where Fft's bit-reversal permutation moves index i for size N.
int BitReversedIndex(int i, int N);

// Gain of window type 1..8 as applied: 10^(g/20) rounded to single
// precision. Type 0 has none (returns 1).
float WindowGain(int type);

} // namespace korvanta
