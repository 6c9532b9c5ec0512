#pragma once
// The DC offset dialog's scale without any widget: a bar position of
// -20000 .. 20000 is an offset of +0.02 .. -0.02 of full scale in steps of
// one millionth (the top of a vertical bar, its negative end, raises the
// level), and the offset is shown with six decimals.

#include <QString>

namespace korvanta {

inline constexpr int kDcBarLimit = 20000;        // bar range -kDcBarLimit .. kDcBarLimit
inline constexpr double kDcStepsPerFullScale = 1000000.0;

// Bar position for an offset: round(-offset x 1e6), kept within the bar's
// range (an offset from the settings file may lie outside it, or not be a
// number at all, which gives the middle).
int DcBarPosition(float offset);

// Offset for a bar position: -position / 1e6 (a position of 0 gives 0, not -0).
float DcOffsetOfPosition(int position);

// "0.020000 FS": the offset with six decimals and the unit.
QString DcOffsetText(float offset);

} // namespace korvanta
