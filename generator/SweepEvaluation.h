#pragma once
// What the sweep makes of one recorded block: the mean magnitudes of the two
// channels, the level read-out, the two values drawn for the point and the
// phase between the channels behind a narrow band-pass. Plain functions on
// interleaved stereo floats (first of each pair the right channel).

#include <QString>
#include <cstdint>
#include <limits>

namespace korvanta {

struct CorrectionTable;

// Turns a sine's mean magnitude into its peak (full scale = 1).
inline constexpr double kMeanToPeak = 1.569858713;

enum SweepMode : int32_t { kLeftReference = 0, kRightReference = 1, kNoReference = 2 };

struct MeanMagnitudes {
    double right = 0.0;
    double left = 0.0;
};

// Means of |sample| per channel over the last four fifths of the block (the
// first fifth still carries the device under test's transient).
MeanMagnitudes MeanOfMagnitudes(const float* block, int frames);

// The mean magnitude below which a channel carries no signal: half a step
// of the input's quantisation (a 32-bit input holds 24 bits, as converters
// deliver them). A tone of that mean has a peak of about one step, so most
// of its samples are rounded to zero and any level or phase read from it is
// the rounding's, not the device's; the rounding error of a signal itself
// has a mean magnitude of a quarter step. At 16 bits this is -92.4 dBFS on
// the read-out's scale. A silent channel would otherwise give a level of
// minus infinity, or with both silent a "perfect" 0 dB gain.
double NoSignalMean(int inputBits);

// Which channels carry no signal.
struct SweepSilence {
    bool right = false;
    bool left = false;
    bool any() const { return right || left; }
};
SweepSilence SilentChannels(const MeanMagnitudes& m, double noSignalMean);

// A curve value that does not exist: the diagram leaves a gap there.
inline constexpr float kNoSignalValue = std::numeric_limits<float>::quiet_NaN();

struct LevelReadout {
    QString text;
    bool over = false;   // shown in red
};

// "Over n" when samples were clipped, else the peak levels "0.71FS 0.50FS"
// (left first), "no signal" in place of a silent channel's (alone when
// both are).
LevelReadout SweepLevelReadout(const MeanMagnitudes& m, int overRange, double noSignalMean);

struct SweepValues {
    float value1 = 0.0f;
    float value2 = 0.0f;
};

// Curve values: in modes 0 and 1 the gain of the measured channel over the
// reference in dB (value2 is left for the phase); in mode 2 the
// input-corrected levels of the right and the left channel in dBFS. A value
// that needs a silent channel is kNoSignalValue: in modes 0 and 1 both,
// when either channel is silent; in mode 2 that channel's level.
SweepValues LevelValues(int32_t mode, const MeanMagnitudes& m, double freq, const CorrectionTable& inputCorrection,
                        double noSignalMean);

// Phase of the measured channel (right in mode 0, left in mode 1) against
// the other, in degrees -180 .. 180, negative when it lags. `block` is
// band-passed at `freq` in place (Q 16, each channel from a silent history)
// before the zero crossings and signs are compared.
float BandPassPhase(float* block, int frames, int sampleRate, double freq, int32_t mode);

// Curves and scales the diagram shows for the mode and the phase switch.
struct SweepCurveFlags {
    bool show2 = false;
    bool rightScale = false;
};
SweepCurveFlags CurveFlags(int32_t mode, bool phaseOn);

} // namespace korvanta
