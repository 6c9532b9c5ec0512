#pragma once
// Conventions every measurement shares.

// A level of exactly -192 dB stands for "no signal" (a magnitude of 0): it is
// what a silent bin reads and what a computation without a result returns.
inline constexpr double kNoSignalDb = -192.0;
