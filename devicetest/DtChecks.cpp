#include "devicetest/DtChecks.h"

#include "devicetest/DtBandNoise.h"
#include "devicetest/DtInputLevel.h"
#include "devicetest/DtSignals.h"
#include "devicetest/DtSineFit.h"
#include "platform/LanguageTexts.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

constexpr Words kNothing{"Am Eingang kommt nichts an: den Ausgang mit dem Eingang verbinden",
                         "Nothing arrives at the input: connect the output to the input"};
constexpr Words kClips{"Der Eingang übersteuert: den Ausgangs- oder den Eingangspegel senken",
                       "The input clips: lower the output or the input level"};
constexpr Words kIdleClips{"Der Eingang übersteuert, während der Ausgang nichts spielt: den Prüfling auf Schwingen "
                           "oder Gleichspannung prüfen oder den Eingangspegel senken",
                           "The input clips while the output plays nothing: check the device under test for "
                           "oscillation or DC, or lower the input level"};
constexpr Words kSwapped{"Links und rechts sind vertauscht: die Kabel oder Kanäle tauschen",
                         "Left and right are swapped: exchange the cables or the channels"};
constexpr Words kLeftMissing{"Der linke Kanal fehlt am Eingang: das Kabel prüfen",
                             "The left channel is missing at the input: check the cable"};
constexpr Words kRightMissing{"Der rechte Kanal fehlt am Eingang: das Kabel prüfen",
                              "The right channel is missing at the input: check the cable"};
constexpr Words kTooLow{"Der Testton liegt am Eingang unter -40 dBFS: den Ausgangs- oder den Eingangspegel erhöhen",
                        "The test tone is below -40 dBFS at the input: raise the output or the input level"};
constexpr Words kNearNoise{"Der Testton liegt weniger als 40 dB über dem Ruhegeräusch: den Pegel erhöhen oder die Störquelle beseitigen",
                           "The test tone is less than 40 dB above the idle noise: raise the level or remove the source of the noise"};

constexpr Words kUnsteady{"Der Testton am Eingang hielt in Pegel oder Phase nicht still: den Prüfling auf eine Regelung "
                          "(Begrenzer, automatische Verstärkung) und den Eingang auf verlorene Samples prüfen oder den "
                          "Test wiederholen",
                          "The test tone at the input did not hold still in level or phase: check the device under test "
                          "for a control that moves its gain (a limiter, an automatic gain) and the input for lost "
                          "samples, or run the test again"};

// Each recorded channel's level of each played tone, dBFS.
struct Levels {
    double leftOwn, leftOther, rightOwn, rightOther;
};

double ToneDbfs(std::span<const float> x, int rate, double hz)
{
    const double one[] = {hz};
    const double a = FitSines(x, rate, one).sines[0].amplitude;
    return a > 0.0 ? AmplitudeDbfs(a) : -HUGE_VAL;
}

Levels Measure(const DtStereoBlock& b, int rate)
{
    return {ToneDbfs(b.left, rate, kDtCheckLeftHz), ToneDbfs(b.left, rate, kDtCheckRightHz),
            ToneDbfs(b.right, rate, kDtCheckRightHz), ToneDbfs(b.right, rate, kDtCheckLeftHz)};
}

bool Clips(std::span<const float> x) { return DtClips(x); }

bool Present(double dbfs) { return dbfs > kDtAbsentDbfs; }

DtCheck Channels(const Levels& l)
{
    const bool leftOwn = Present(l.leftOwn), rightOwn = Present(l.rightOwn);
    const bool leftOther = Present(l.leftOther), rightOther = Present(l.rightOther);
    if (!leftOwn && !rightOwn && !leftOther && !rightOther)
        return DtCheck::NothingAtInput;
    // Each played tone arrives in the other channel, stronger than in its own.
    if (leftOther && rightOther && l.leftOther > l.leftOwn && l.rightOther > l.rightOwn)
        return DtCheck::Swapped;
    if (!leftOwn)
        return DtCheck::LeftMissing;
    if (!rightOwn)
        return DtCheck::RightMissing;
    return DtCheck::Passed;
}

// Clipping first, then who hears what, then how far the weakest tone lies
// above the floor: a clipping input says nothing about levels, a missing
// channel nothing about a swap.
DtCheck Judge(bool clips, const Levels& l, const DtStereoBlock& idle, int rate)
{
    if (clips)
        return DtCheck::InputClips;
    if (const DtCheck c = Channels(l); c != DtCheck::Passed)
        return c;
    const double weakest = std::min(l.leftOwn, l.rightOwn);
    if (weakest < kDtToneMinimumDbfs)
        return DtCheck::ToneTooLow;
    const double idleNoise = std::max(BandNoise(idle.left, rate).dbfs, BandNoise(idle.right, rate).dbfs);
    if (weakest - idleNoise < kDtToneAboveIdleDb)
        return DtCheck::ToneNearNoise;
    return DtCheck::Passed;
}

} // namespace

DtCheck PreRunCheck(const DtStereoBlock& tone, const DtStereoBlock& idle, int rate)
{
    const bool clips = Clips(tone.left) || Clips(tone.right);
    return Judge(clips, clips ? Levels{} : Measure(tone, rate), idle, rate);
}

DtCheck LevelStepsCheck(const DtLevelSteps& s, const DtStereoBlock& idle, int rate)
{
    // An input that clips with nothing played clips for a reason of its own
    // (a large DC, an oscillation), whatever the tones do.
    if (s.idleClipped || Clips(idle.left) || Clips(idle.right))
        return DtCheck::IdleClips;
    const bool clips = s.toneClipped || Clips(s.leftOnly.left) || Clips(s.leftOnly.right) ||
                       Clips(s.rightOnly.left) || Clips(s.rightOnly.right);
    if (clips)
        return DtCheck::InputClips;
    // Each input's own tone from the step that played its channel, the
    // other from the step that played the other channel.
    const Levels l{ToneDbfs(s.leftOnly.left, rate, s.toneHz), ToneDbfs(s.rightOnly.left, rate, s.toneHz),
                   ToneDbfs(s.rightOnly.right, rate, s.toneHz), ToneDbfs(s.leftOnly.right, rate, s.toneHz)};
    const DtCheck judged = Judge(false, l, idle, rate);
    // A tone that is there, and far enough above the floor, but moved.
    return judged == DtCheck::Passed && s.toneUnsteady ? DtCheck::ToneUnsteady : judged;
}

QString CheckMessage(DtCheck check, char letter)
{
    switch (check) {
    case DtCheck::Passed:
        return {};
    case DtCheck::NothingAtInput:
        return Pick(letter, kNothing);
    case DtCheck::InputClips:
        return Pick(letter, kClips);
    case DtCheck::IdleClips:
        return Pick(letter, kIdleClips);
    case DtCheck::Swapped:
        return Pick(letter, kSwapped);
    case DtCheck::LeftMissing:
        return Pick(letter, kLeftMissing);
    case DtCheck::RightMissing:
        return Pick(letter, kRightMissing);
    case DtCheck::ToneTooLow:
        return Pick(letter, kTooLow);
    case DtCheck::ToneNearNoise:
        return Pick(letter, kNearNoise);
    case DtCheck::ToneUnsteady:
        return Pick(letter, kUnsteady);
    }
    return {};
}

std::vector<float> CheckToneSignal(int rate, int channel)
{
    return ToneSignal(rate, channel == 0 ? kDtCheckLeftHz : kDtCheckRightHz, kDtCheckLevelDbfs);
}

} // namespace korvanta
