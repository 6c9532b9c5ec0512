#pragma once
// The device test's signals as sample buffers the engine loops. Each holds
// exactly one second: every whole-hertz tone then fits whole cycles and the
// loop has no seam. All tones start as cosines, so their peaks meet at the
// first sample and the buffer's peak is exactly the sum of the amplitudes.

#include <vector>

namespace korvanta {

// One tone, peak at `peakDbfs`.
std::vector<float> ToneSignal(int rate, double hz, double peakDbfs);

// 60 Hz and 7 kHz at 4:1, the sum's peak at `peakDbfs`.
std::vector<float> SmpteSignal(int rate, double peakDbfs);

// 18 kHz and 19 kHz at 1:1, the sum's peak at `peakDbfs`.
std::vector<float> CcifSignal(int rate, double peakDbfs);

// Two tones with amplitudes in the ratio `ratio` (first over second), the
// sum's peak at `peakDbfs`.
std::vector<float> TwoToneSignal(int rate, double hz1, double hz2, double ratio, double peakDbfs);

} // namespace korvanta
