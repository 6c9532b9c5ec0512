#pragma once
// The impulse response as a WAV file of 32-bit floats at the rate it was
// measured at, one channel, for other programs (a convolver, a room
// acoustics tool) to take it up.
//
// The file holds the whole response in time order, what lies before the
// first played frame first: the deconvolution is circular, and beyond the
// recorded tail its samples are the times before the first played frame,
// where the harmonics' own responses lie. So the file begins N - T samples
// before the first played frame (N the response's length, T the tail's
// frames) and ends where the tail ends; the first played frame is sample
// N - T of the file, and the system's peak lies the latency after it. The
// file's comment says so, with that sample's number. Nothing is gated or
// scaled: the samples are h as measured (a plain cable peaks near 1).

#include "ir/IrDeconvolve.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace korvanta {

// The samples in the file's order, and the index of the first played frame.
struct IrTimeOrder {
    std::vector<float> samples;
    long long zeroSample = 0;
};
IrTimeOrder TimeOrdered(const ImpulseResponse& ir);

// The file's bytes, made by libsndfile in memory. Empty, with `error` set,
// when there is no response or libsndfile refuses.
QByteArray ImpulseWaveBytes(const ImpulseResponse& ir, QString& error);

// Writes the file in one atomic step, so a reader never sees half of it and
// a failed write leaves the old file as it was. False with `error` set.
bool WriteImpulseWave(const ImpulseResponse& ir, const QString& path, QString& error);

} // namespace korvanta
