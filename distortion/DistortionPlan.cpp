#include "distortion/DistortionPlan.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
double amplitudeOf(double db) { return std::pow(10.0, db / 20.0); }
double dbOf(double amplitude) { return 20.0 * std::log10(amplitude); }
} // namespace

std::vector<double> PlanLevels(const LevelPlan& plan)
{
    const int steps = std::max(plan.steps, 1);
    std::vector<double> levels;
    levels.reserve(steps + 1);
    for (int k = 0; k <= steps; ++k) {
        const double t = double(k) / steps;
        if (plan.spacing == LevelSpacing::Linear)
            levels.push_back(dbOf(amplitudeOf(plan.startDb) + t * (amplitudeOf(plan.stopDb) - amplitudeOf(plan.startDb))));
        else
            levels.push_back(plan.startDb + t * (plan.stopDb - plan.startDb));
    }
    return levels;
}

LevelStepper::LevelStepper(const LevelPlan& plan) : coarse_(PlanLevels(plan)), limit_(plan.limitPercent)
{
    for (double t : {1.0, 10.0, limit_})
        if (t > 0.0 && (limit_ <= 0.0 || t <= limit_))
            thresholds_.push_back(t);
    std::sort(thresholds_.begin(), thresholds_.end());
    thresholds_.erase(std::unique(thresholds_.begin(), thresholds_.end()), thresholds_.end());
}

std::optional<double> LevelStepper::Next() const
{
    if (done_)
        return std::nullopt;
    if (!refine_.empty())
        return refine_.front();
    if (coarseIndex_ < coarse_.size())
        return coarse_[coarseIndex_];
    return std::nullopt;
}

void LevelStepper::Record(double levelDb, double thdnPercent)
{
    const bool refining = !refine_.empty();
    if (refining)
        refine_.pop_front();
    else
        ++coarseIndex_;
    const bool pastLimit = limit_ > 0.0 && thdnPercent >= limit_;
    if (!refining) {
        bool crossed = false;
        while (!thresholds_.empty() && thdnPercent >= thresholds_.front()) {
            thresholds_.erase(thresholds_.begin());
            crossed = true;
        }
        // The crossing lies between the previous level and this one: walk
        // up to it again in fine steps.
        if (crossed && lastLevel_ && *lastLevel_ < levelDb) {
            for (double l = *lastLevel_ + kRefineStepDb; l < levelDb - kRefineStepDb / 2; l += kRefineStepDb)
                refine_.push_back(l);
            stopAfterRefining_ = pastLimit;
        }
    }
    lastLevel_ = levelDb;
    lastThdn_ = thdnPercent;
    if (pastLimit && (refining || refine_.empty()))
        done_ = stoppedAtLimit_ = true;
    else if (refine_.empty() && stopAfterRefining_)
        done_ = stoppedAtLimit_ = true;
}

std::optional<double> CrossingAt(const std::vector<ThdnPoint>& points, double percent)
{
    for (size_t i = 0; i < points.size(); ++i) {
        if (points[i].thdnPercent < percent)
            continue;
        if (i == 0)
            return std::nullopt; // already past it at the first point: no crossing seen
        const ThdnPoint& a = points[i - 1];
        const ThdnPoint& b = points[i];
        const double da = dbOf(a.thdnPercent), db = dbOf(b.thdnPercent), dt = dbOf(percent);
        if (!(db > da))
            return b.x;
        return a.x + (b.x - a.x) * (dt - da) / (db - da);
    }
    return std::nullopt;
}

double PeakVolts(double amplitude, const OutputScale& s) { return amplitude * s.voltsAtFullScale * s.divider; }

double RmsVolts(double amplitude, const OutputScale& s) { return PeakVolts(amplitude, s) / std::sqrt(2.0); }

double Watts(double amplitude, const OutputScale& s)
{
    const double v = RmsVolts(amplitude, s);
    return s.loadOhms > 0.0 ? v * v / s.loadOhms : 0.0;
}

} // namespace korvanta
