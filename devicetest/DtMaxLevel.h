#pragma once
// The maximum level: where THD+N first passes 1 %. A plain state machine
// that says which level to play next and takes each step's THD+N: coarse
// steps of 1 dB up from the start (or down, where the start already passes
// 1 %), then 0.1 dB steps up from the last level below 1 % until one passes
// it. The figure is the crossing interpolated between those last two 0.1 dB
// steps, or none: "no clipping up to 0 dBFS".

#include <QString>
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
    // THD+N measured at the level Next() gave.
    void Record(double levelDbfs, double thdnPercent);

    bool Done() const { return done_; }
    // The 1 % crossing, dBFS; none when the search is over without one
    // (see ReachedFullScale).
    std::optional<double> MaxLevelDbfs() const { return result_; }
    // Over without passing 1 % at 0 dBFS.
    bool ReachedFullScale() const { return reachedFullScale_; }

private:
    struct Step {
        double level;
        double thdn;
    };
    void Finish();
    void Coarse(const Step& s, bool passes);
    void Fine(const Step& s, bool passes);

    std::optional<Step> below_; // highest level known below 1 %
    std::optional<Step> above_; // lowest level known above it
    double next_;
    bool fine_ = false;
    bool done_ = false;
    bool reachedFullScale_ = false;
    std::optional<double> result_;
};

// The steps of a search that never passes 1 %: from `startDbfs` up to full
// scale in coarse steps. What a good device takes, and so what a run's
// progress counts on before the search begins.
int DtMaxLevelStepsToFullScale(double startDbfs = kDtMaxLevelStartDbfs);

// "no clipping up to 0 dBFS" ('E' English, else German).
QString NoClippingText(char letter);

} // namespace korvanta
