#pragma once
// A plan step as it plays and as it comes back: the looped buffer of its
// signal, whole periods of every tone so the loop has no seam, or a sweep's
// buffer played once; the peaks its level asks of each output channel; and
// the recording split into its two channels, a sweep's cut where it began.
// Plain functions with no device in sight.

#include "audio/BlockConversion.h"
#include "devicetest/DtPlan.h"
#include "ir/IrSweep.h"

#include <cstdint>
#include <vector>

namespace korvanta {

struct DtLoop {
    int frames = 0;                   // the buffer's length
    std::vector<double> frequencies;  // as played: each a whole number of periods in the buffer
};

// The shortest buffer, a quarter of a second up to one second, in which the
// tones are closest to whole periods; their frequencies move to those
// periods (integral Hz stay exact). Digital zero gets a short buffer.
DtLoop DtLoopFor(const std::vector<double>& frequencies, int rate);

// The peak of the step's signal in each output channel (full-scale units),
// from its level and, for a level at the input, each channel's loop gain
// in dB (not finite: unknown, taken as 0 dB). Never above full scale.
struct DtPeaks {
    double left = 0.0;
    double right = 0.0;
    bool limited = false;  // the level asked for more than full scale
};
DtPeaks DtOutputPeaks(const DtStep& step, const double gainDb[2]);

// The loop buffer, stereo, left sample first, in `bits` (8, 16 or 32).
// A quiet tone (below kDtDitherBelowDbfs) at a width under 24 bits gets
// TPDF dither of one LSB in each channel that plays: undithered, a tone a
// few dozen LSB high is rounded the same way every period, and the
// rounding comes back as harmonics that are the converter's, not the
// device's. The dither is the same at every call, so a step replays alike.
inline constexpr double kDtDitherBelowDbfs = -40.0;
inline constexpr int kDtDitherWidthBelow = 24;
bool DtLoopDithered(const DtPeaks& peaks, int bits);
std::vector<uint8_t> DtLoopBuffer(const DtStep& step, const DtLoop& loop, const DtPeaks& peaks, int rate, int bits);

// The sweep as the impulse response's functions play and deconvolve it, at
// `rate`, of peak `peak` (full-scale units). The same continuous sweep at
// any rate: played at the output's, analysed at the input's.
IrSweep DtIrSweep(const DtSweep& sweep, int rate, double peak);

// The frames a sweep step records at `rate`: the margin, the sweep, its tail.
int DtSweepStretchFrames(const DtSweep& sweep, int rate);

// A sweep step's buffer, played once: the sweep and its silent tail, each
// output channel at its peak, stereo, left sample first, in `bits`. Empty
// when the step has no sweep or the sweep does not fit the rate.
std::vector<uint8_t> DtSweepBuffer(const DtStep& step, const DtPeaks& peaks, int rate, int bits);

// One step's recording in full-scale units of the input.
struct DtRecording {
    int rate = 0;
    std::vector<float> left;
    std::vector<float> right;
    int overRange = 0;  // samples on a limit of the input's format
    // A sweep step's recording begins at the sweep's first played frame;
    // false when that frame was never marked in the stretch or what
    // followed it is too short for the sweep and its tail (then it is empty).
    bool aligned = true;
};

// A sweep step's stretch from `firstPlayed` on (the recorder's mark, -1:
// none), at least `periodFrames` long; else empty and not aligned.
DtRecording DtFromFirstPlayed(const DtRecording& whole, long long firstPlayed, long long periodFrames);

// Splits recorded PCM with the input's order, polarity and DC settings.
DtRecording DtRecordingFromPcm(const std::vector<uint8_t>& pcm, const ConversionParams& params, int rate);

// The gain of a tone of peak `playedPeak` that came back as `recorded`
// (its RMS, noise included), in dB; -inf for silence.
double DtToneGainDb(const std::vector<float>& recorded, double playedPeak);

} // namespace korvanta
