#pragma once
// The maximum level: the output's level where THD+N first passes 1 %, and
// the input's level there. A plain state machine that says which level to
// play next and takes each step's THD+N and input level: coarse steps of
// 1 dB up from the start (or down, where the start already passes 1 %),
// then 0.1 dB steps up from the last level below 1 % until one passes it.
// The figures are the crossing interpolated between those last two 0.1 dB
// steps, or none: "no clipping up to 0 dBFS", or, where the input would
// reach its full scale first (a device with gain), below 1 % up to the
// ceiling the input sets. A step whose input clipped ends the search: it
// is never read as the device's distortion.

#include <QString>
#include <cmath>
#include <optional>

namespace korvanta {

inline constexpr double kDtMaxLevelPercent = 1.0;
inline constexpr double kDtMaxLevelStartDbfs = -12.0;
inline constexpr double kDtMaxLevelCoarseDb = 1.0;
inline constexpr double kDtMaxLevelFineDb = 0.1;
inline constexpr double kDtMaxLevelFloorDbfs = -60.0; // below this the search gives up

class DtMaxLevelStepper {
public:
    explicit DtMaxLevelStepper(double startDbfs = kDtMaxLevelStartDbfs);

    // The level to play next, dBFS; none when the search is over.
    std::optional<double> Next() const;
    // THD+N measured at the level Next() gave, and the level the input
    // reached there (dBFS, NaN: unknown).
    void Record(double levelDbfs, double thdnPercent, double inputDbfs = NAN);
    // The step at `levelDbfs` clipped at the input: the search ends there.
    void Clipped(double levelDbfs);
    // The highest output level the search plays (0 dBFS until set): where
    // the input would reach its full scale. Put on the 0.1 dB grid, down.
    void SetCeiling(double dbfs);

    bool Done() const { return done_; }
    // The 1 % crossing, dBFS; none when the search is over without one
    // (see ReachedFullScale and ClippedAt).
    std::optional<double> MaxLevelDbfs() const { return result_; }
    // The input's level at that crossing; none where it is not known.
    std::optional<double> MaxLevelInputDbfs() const { return inputResult_; }
    // Over without passing 1 % at the ceiling.
    bool ReachedFullScale() const { return reachedFullScale_; }
    // The highest level measured below 1 % when it is over that way.
    double TopDbfs() const { return below_ ? below_->level : ceiling_; }
    double Ceiling() const { return ceiling_; }
    // The level whose step clipped at the input, when one did.
    std::optional<double> ClippedAt() const { return clippedAt_; }

private:
    struct Step {
        double level;
        double thdn;
        double input;
    };
    void Finish();
    void Coarse(const Step& s, bool passes);
    void Fine(const Step& s, bool passes);

    std::optional<Step> below_; // highest level known below 1 %
    std::optional<Step> above_; // lowest level known above it
    double next_;
    double ceiling_ = 0.0;
    bool fine_ = false;
    bool done_ = false;
    bool reachedFullScale_ = false;
    std::optional<double> result_;
    std::optional<double> inputResult_;
    std::optional<double> clippedAt_;
};

// The steps of a search that never passes 1 %: from `startDbfs` up to full
// scale in coarse steps. What a good device takes, and so what a run's
// progress counts on before the search begins.
int DtMaxLevelStepsToFullScale(double startDbfs = kDtMaxLevelStartDbfs);

// "no clipping up to 0 dBFS" ('E' English, else German).
QString NoClippingText(char letter);
// Below 1 % up to `topDbfs` at the output, where the input reaches its full scale.
QString InputFullScaleText(double topDbfs, char letter);
// The input clipped at `levelDbfs` at the output before THD+N passed 1 %.
QString InputClippedText(double levelDbfs, char letter);

} // namespace korvanta
