#pragma once
// The checks before a device test, so that a bad set-up gives a clear
// message instead of figures. They read one stereo block recorded while the
// check signal plays (a tone of its own in each channel, see
// CheckToneSignal) and one block of the idle input.

#include <QString>
#include <span>
#include <vector>

namespace korvanta {

inline constexpr double kDtCheckLeftHz = 997.0;
inline constexpr double kDtCheckRightHz = 1499.0; // a different tone, so a swap shows
inline constexpr double kDtCheckLevelDbfs = -10.0;
inline constexpr double kDtAbsentDbfs = -70.0;     // a tone weaker than this is not there
inline constexpr double kDtToneMinimumDbfs = -40.0;
inline constexpr double kDtToneAboveIdleDb = 40.0;

enum class DtCheck {
    Passed,
    NothingAtInput,
    InputClips,
    IdleClips,
    Swapped,
    LeftMissing,
    RightMissing,
    ToneTooLow,
    ToneNearNoise,
    ToneUnsteady,
};

struct DtStereoBlock {
    std::span<const float> left;
    std::span<const float> right;
};

// The first check that fails, in the order that makes each message true:
// a clipping input says nothing about levels, a missing channel says
// nothing about a swap.
DtCheck PreRunCheck(const DtStereoBlock& tone, const DtStereoBlock& idle, int rate);

// The same checks fed from the plan's own first steps, which play one
// channel at a time: `leftOnly` recorded while only the left output played
// `toneHz`, `rightOnly` while only the right one did. A tone that arrives
// on the other input, stronger than on its own, is a swap.
struct DtLevelSteps {
    DtStereoBlock leftOnly;
    DtStereoBlock rightOnly;
    double toneHz = 0.0;
    // Clipping the blocks alone do not show: the conversion's count of
    // samples on the format's limit, read over the whole recordings.
    bool toneClipped = false;
    bool idleClipped = false;
    // A tone whose level or phase did not hold still over its recording, taken again
    // and again: no loop gain can be read from it.
    bool toneUnsteady = false;
};
DtCheck LevelStepsCheck(const DtLevelSteps& steps, const DtStereoBlock& idle, int rate);

// The message for a failed check ('E' English, else German); empty for
// Passed.
QString CheckMessage(DtCheck check, char letter);

// One second of the check signal for one output channel (0 left, 1 right).
std::vector<float> CheckToneSignal(int rate, int channel);

} // namespace korvanta
