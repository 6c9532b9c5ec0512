#pragma once
// The generator window's arithmetic and texts as plain functions: the limits
// of the spin buttons, what a typed frequency or phase means, the level
// labels, the frequency display of each signal kind, the output-corrected
// level and the docking rule. No widget in sight, so each is tested directly.

#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

namespace korvanta {

struct CorrectionTable;

// Highest frequency the generator's controls accept, Hz.
inline constexpr float kMaxGeneratorFrequency = 48000.0f;
inline constexpr float kCoarseStep = 100.0f;
inline constexpr float kFineStep = 1.0f;
// Slider positions run 0 (top, 0 dB) to 100 (bottom, off).
inline constexpr int kLevelSliderMax = 100;

// The four spin-button steps. A step whose result would leave the allowed
// range leaves the frequency as it is: coarse down only above 1 Hz, fine
// down only above 0 Hz, both ups only up to 48000 Hz.
float CoarseDown(float hz);
float CoarseUp(float hz);
float FineDown(float hz);
float FineUp(float hz);

// A typed frequency: the first "Hz" is dropped, the rest read as a decimal
// number (point as separator, surrounding blanks allowed). Empty when the
// text is no number or lies outside 1 .. 48000 Hz.
std::optional<float> ParseFrequencyEntry(const QString& text);

// A typed phase in whole degrees; empty for anything else.
std::optional<int> ParsePhase(const QString& text);

// Level in dB of slider position p (0 at the top): -p; the bottom (-100)
// means off.
int LevelOfPosition(int position);
// Slider position showing a stored level; levels outside 0 .. -100 are
// shown at the nearest end.
int PositionOfLevel(int levelDb);
// "OFF" at the bottom, else the level and "dB": "0dB", "-12dB".
QString LevelLabel(int position);

// What the frequency display shows for a signal kind and its colours.
struct FrequencyDisplay {
    QString text;
    bool magenta = false;  // pink noise; otherwise white
};
// Sine and square: the frequency with two decimals and "Hz" ("1000.00Hz");
// white noise "Noise" in white, pink noise "Noise" in magenta; a user file
// its name without the directory.
FrequencyDisplay FrequencyDisplayFor(int mode, float hz, const QString& userFileName);

// The level a sine starts at under the output correction: the slider level
// minus the correction at the frequency, rounded to whole dB (ties to even).
// An "off" level stays off: a corrected -100 would otherwise play a tone
// just below the noise floor instead of silence.
int CorrectedLevel(const CorrectionTable& outputCorrection, double hz, int levelDb);

// Whether the window at `current` (size `size`) moves to `target`: always
// when forced, else only while it sits within one window width and one
// window height of the target (it has not been dragged away).
bool FollowsDock(QPoint current, QSize size, QPoint target, bool force);

// The start-error text: the language's prefix, the device text, " )".
QString StartErrorText(char language, const QString& deviceText);

// What the "User" button's file dialog offers: wave files first, then every
// kind of sound file the player reads (through libsndfile), then any file.
extern const QString kUserFileFilter;

// Whether the output can play a signal of `mode` at `hz` with `rate`
// frames a second. A sine or square needs a frequency below half the rate:
// at or above it the samples describe another, lower frequency (an alias).
// Noise and a user file do not depend on the frequency.
bool PlayableFrequency(int mode, double hz, int rate);

// The message for a sine or square at or above half the output rate, and
// for "User" with no wave file chosen; both say what to do instead.
QString AboveHalfRateText(char language, float hz, int rate);
QString NoWaveFileText(char language);

} // namespace korvanta
