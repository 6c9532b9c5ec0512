#pragma once
// What the sweep makes of one recorded block: the mean magnitudes of the two
// channels, the level read-out, the two values drawn for the point and the
// phase between the channels behind a narrow band-pass. Plain functions on
// interleaved stereo floats (first of each pair the right channel).

#include <QString>
#include <cstdint>

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

struct LevelReadout {
    QString text;
    bool over = false;   // shown in red
};

// "Over n" when samples were clipped, else the peak levels "0.71FS 0.50FS"
// (left first).
LevelReadout SweepLevelReadout(const MeanMagnitudes& m, int overRange);

struct SweepValues {
    float value1 = 0.0f;
    float value2 = 0.0f;
};

// Curve values: in modes 0 and 1 the gain of the measured channel over the
// reference in dB (value2 is left for the phase); in mode 2 the
// input-corrected levels of the right and the left channel in dBFS. Both 0
// when either channel is silent.
SweepValues LevelValues(int32_t mode, const MeanMagnitudes& m, double freq, const CorrectionTable& inputCorrection);

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
