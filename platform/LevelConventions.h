#pragma once

namespace korvanta {

// Conventions every measurement shares.

// A level of exactly -192 dB stands for "no signal" (a magnitude of 0): it is
// what a silent bin reads and what a computation without a result returns.
inline constexpr double kNoSignalDb = -192.0;

// Half a step of an input's quantisation, in full-scale units (a 32-bit
// input holds 24 bits, as converters deliver them). A tone whose peak stays
// below it rounds to zero in every sample: the input did not record it.
inline double HalfInputStep(int bits)
{
    constexpr int kConverterBits = 24;
    const int b = bits < 8 ? 8 : bits > kConverterBits ? kConverterBits : bits;
    return 0.5 / double(1LL << (b - 1));
}

} // namespace korvanta
