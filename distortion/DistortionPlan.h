#pragma once
// What a distortion run steps through, and what its points mean: the levels
// of a run over level (with finer steps wherever THD+N crosses 1 %, 10 % or
// the run's limit, so that an amplifier is never driven far past the limit
// and the clip points are found to 0.1 dB), the frequencies of a run over
// frequency, the clip points, and the conversion of amplitudes into volts
// and watts. Plain code, no device.

#include <deque>
#include <optional>
#include <vector>

namespace korvanta {

enum class LevelSpacing { Decibel, Linear };

struct LevelPlan {
    double startDb = -30.0;  // generator output, dB full scale
    double stopDb = 0.0;
    int steps = 30;          // intervals between start and stop
    LevelSpacing spacing = LevelSpacing::Decibel; // equal dB, or equal amplitude
    double limitPercent = 10.0; // THD+N at which the run ends; 0: run to the stop level
};

// The plan's coarse levels, start to stop, in dB full scale.
std::vector<double> PlanLevels(const LevelPlan& plan);

inline constexpr double kRefineStepDb = 0.1;

// Hands out the levels of a run over level one at a time and takes each
// step's THD+N. When a step's THD+N first passes 1 %, 10 % or the limit, the
// levels between the step before and this one are measured in 0.1 dB steps;
// once a step passes the limit, the run ends.
class LevelStepper {
public:
    explicit LevelStepper(const LevelPlan& plan);
    // The level to measure next; none when the run is over.
    std::optional<double> Next() const;
    // The result of the level Next() gave.
    void Record(double levelDb, double thdnPercent);
    bool StoppedAtLimit() const { return stoppedAtLimit_; }

private:
    std::vector<double> coarse_;
    size_t coarseIndex_ = 0;
    std::deque<double> refine_;
    std::vector<double> thresholds_; // not yet crossed, ascending
    double limit_ = 0.0;
    std::optional<double> lastLevel_;
    double lastThdn_ = 0.0;
    bool stopAfterRefining_ = false;
    bool done_ = false;
    bool stoppedAtLimit_ = false;
};

struct ThdnPoint {
    double x = 0.0;            // level (dB, volts or watts) or frequency
    double thdnPercent = 0.0;
};

// The first x at which THD+N reaches `percent`, interpolated between the
// two points around it (THD+N in dB against x); none when it never does.
// Points must be sorted by x.
std::optional<double> CrossingAt(const std::vector<ThdnPoint>& points, double percent);

// The chain from the recorded amplitude to the amplifier's output.
struct OutputScale {
    double voltsAtFullScale = 1.5; // from the input calibration
    double divider = 1.0;          // the attenuator before the input, e.g. 10 for 10:1
    double loadOhms = 8.0;
};

double PeakVolts(double amplitude, const OutputScale& scale);
double RmsVolts(double amplitude, const OutputScale& scale);
double Watts(double amplitude, const OutputScale& scale);

} // namespace korvanta
