#pragma once
// The oscilloscope's fixed steps (volts per division, time per division) and
// the choice of capture rate and length for a timebase. Plain functions, no
// device: the caller says which rates its input takes.

#include <QString>
#include <functional>

namespace korvanta {

inline constexpr int kVoltsSteps = 14;     // volts/div indices 1 .. 14
inline constexpr int kTimebaseSteps = 17;  // timebase indices 1 .. 17
inline constexpr int kTimebaseSpinMax = 9; // the spin button stops at "10ms"
inline constexpr int kXYTimebase = 1;      // index of "X-Y"
inline constexpr int kDefaultTimebase = 5; // "500µs"
inline constexpr double kXYSeconds = -1.0; // its seconds per division
inline constexpr int kDivisionsX = 10;
inline constexpr int kDivisionsY = 8;

// Table label and volts of a volts/div index; indices outside 1 .. 14 are
// taken as the nearest end, so a bad number never reads past the table.
QString VoltsLabel(int index);
double VoltsPerDiv(int index);

// Table label and seconds per division (-1 for X-Y) of a timebase index.
QString TimebaseLabel(int index);
double SecondsPerDiv(int index);

struct CapturePlan {
    int rate = 0;         // Hz
    int frameLength = 0;  // frames per block
    bool operator==(const CapturePlan&) const = default;
};

// The capture engine converts at most this many frames a block.
inline constexpr int kMaxCaptureFrames = 32768;

// Whether the input takes a rate (2 channels, 16 bits).
using RateAccepted = std::function<bool(int rate)>;

// The plan of a timebase of `seconds` per division on an input that takes
// every rate. Y-t: 8000 Hz and 2448 frames for the slowest timebases;
// faster ones take 11025 Hz and 2448 or 1300 frames, 22050 Hz and 1024,
// 44100 Hz and 1024. X-Y: 44100 Hz and 1024 frames.
CapturePlan WantedCapture(double seconds);

// `plan` recorded at `rate` instead: the frames scaled by the rate ratio,
// rounded up to an even number so the trace (half the block) never covers
// less time than the plan's, and capped at
// kMaxCaptureFrames. Capped, not decimated: one block is all a frame is
// made of, and thinning it out would not make it cover more time. Only
// 176.4 and 192 kHz reach the cap, for timebases of 10 ms and slower.
CapturePlan ScaledCapture(const CapturePlan& plan, int rate);

// Rate and block length for a timebase on the actual input:
// - the wanted plan where the input takes its rate;
// - else the lowest common rate above it that the input takes (many USB
//   interfaces take 48 kHz only), scaled;
// - else, for Y-t, the slower plans whose rates the input takes, the last
//   that applies winning;
// - else `previous`, so the loop never asks for a rate the input refuses.
CapturePlan PlanCapture(double seconds, const CapturePlan& previous, const RateAccepted& accepted);

// Spin-button steps: the timebase goes up only below 9 and down only above 2
// ("50µs"; X-Y has its own switch);
// the volts index stays within 1 .. 14.
int TimebaseUp(int index);
int TimebaseDown(int index);
int VoltsUp(int index);
int VoltsDown(int index);

// Scroll bar positions and the values they stand for.
float PositionFromBar(int bar);       // -400 .. 400 -> 12 .. -4 divisions
int BarFromPosition(float position);  // the inverse, rounded
float TriggerLevelFromBar(int bar);   // -200 .. 200 -> 2 .. -2 divisions
// X-Y: a position bar moves its channel's zero from the screen's centre,
// as far as it moves the Y-t zero line from the middle row.
float XYOffsetFromBar(int bar);       // -400 .. 400 -> 8 .. -8 divisions
int BarFromXYOffset(float offset);

} // namespace korvanta
