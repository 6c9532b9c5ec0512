#pragma once

namespace korvanta {

// Window functions and the magnitude spectrum of the analyzer.
//
// The unit owns one window table and one imaginary work array of 16,384
// floats each, allocated on first use and kept until the program ends, so
// no transform may exceed 16,384 points and nothing is allocated per block.
// GUI thread only.

constexpr int kMaxFftPoints = 16384;
constexpr int kWindowTypeCount = 9;

// Fills w[0 .. N-1] of the window table for type 0..8 (0 = none, a constant
// 0.5; the others cosine sums scaled so that every window's mean is close to
// 0.5). Elements beyond N keep what an earlier, larger window left there. A
// type outside 0..8 leaves the table unchanged.
void MakeWindow(int type, int N);

// Windows x[0 .. N-1] with the current table, transforms it and leaves the
// magnitudes |X[k]| / N in x[0 .. N/2-1]; x[N/2 .. N-1] hold scratch values.
// A sine of peak A on a bin under window 0 gives A/4 in that bin; the level
// conversion relies on exactly this scaling. The caller must have called
// MakeWindow with the same N.
void FftMagnitude(float* x, int N);

// In-place complex transform of N points (a power of two, at least 2), with
// the positive exponent and 1/N scaling: X[k] = (1/N) sum x[n] e^{+2 pi i nk/N}.
void Fft(float* re, float* im, int N);

// Where Fft's bit-reversal permutation moves index i for size N.
int BitReversedIndex(int i, int N);

// The window table (null before the first MakeWindow), for tests.
const float* WindowTable();

// Gain of window type 1..8 as applied: 10^(g/20) rounded to single
// precision. Type 0 has none (returns 1).
float WindowGain(int type);

} // namespace korvanta
