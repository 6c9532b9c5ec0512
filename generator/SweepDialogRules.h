#pragma once
// The rules of the sweep settings dialog on its working copy: the spin
// steps, what typing takes, the "default" plan, and the clamps applied when
// OK stores the dialog's texts. Plain functions on SweepSettings, so the
// form only shows and reads its controls.

#include "generator/SweepSettings.h"

#include <QString>
#include <optional>

namespace korvanta {

inline constexpr int32_t kMaxSweepFrequency = 55200;   // Hz
inline constexpr int32_t kMaxSweepSteps = 511;          // the step tag holds 9 bits
inline constexpr int32_t kMaxSettleMs = 100000;
inline constexpr float kLevelOffDb = -100.0f;           // the generator's "off"
inline constexpr float kLowestLevelDb = -200.0f;

enum class SweepSpin { From, To, Steps, PhaseMin, PhaseMax, Level, Settle };

// One click of a spin button (up or down) on the working copy.
void SpinSweepField(SweepSettings& s, SweepSpin field, bool up);

// Typing into one of the edits: true when the text was taken.
enum class SweepEdit { From, To, Steps, PhaseMin, PhaseMax, Level, Settle };
bool TypeSweepField(SweepSettings& s, SweepEdit field, const QString& text);

// The "default" button (the frequency spacing stays as it is).
void ApplySweepDefaults(SweepSettings& s);

// What OK reads from the form.
struct SweepDialogTexts {
    bool linear = false;
    bool phaseOn = false;
    QString from, to, steps, phaseMin, phaseMax, level, settle;
};

// Takes every text that is a number of the right kind and clamps the result
// (OK never refuses).
void StoreSweepDialog(SweepSettings& s, const SweepDialogTexts& t);

// Texts the controls show.
QString SweepLevelText(float level);    // one decimal, "OFF" at exactly -100 dB
QString WholeText(double value);        // rounded to whole units

// Numbers as the edits take them (C locale, surrounding blanks allowed).
std::optional<int32_t> WholeNumber(const QString& text);
std::optional<double> AnyNumber(const QString& text);

} // namespace korvanta
