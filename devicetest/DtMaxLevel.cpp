#include "devicetest/DtMaxLevel.h"

#include "platform/LanguageTexts.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
constexpr Words kNoClipping{"keine Begrenzung bis 0 dBFS", "no clipping up to 0 dBFS"};
constexpr double kFullScaleDbfs = 0.0;

// Levels on the 0.1 dB grid, so steps added up never drift off it.
double OnGrid(double db) { return std::round(db / kDtMaxLevelFineDb) * kDtMaxLevelFineDb; }
} // namespace

QString NoClippingText(char letter) { return Pick(letter, kNoClipping); }

int DtMaxLevelStepsToFullScale(double startDbfs)
{
    const double start = OnGrid(std::clamp(startDbfs, kDtMaxLevelFloorDbfs, kFullScaleDbfs));
    return int(std::ceil((kFullScaleDbfs - start) / kDtMaxLevelCoarseDb - kDtMaxLevelFineDb / 2)) + 1;
}

DtMaxLevelStepper::DtMaxLevelStepper(double startDbfs)
    : next_(OnGrid(std::clamp(startDbfs, kDtMaxLevelFloorDbfs, kFullScaleDbfs)))
{
}

std::optional<double> DtMaxLevelStepper::Next() const
{
    if (done_)
        return std::nullopt;
    return next_;
}

void DtMaxLevelStepper::Record(double levelDbfs, double thdnPercent)
{
    if (done_)
        return;
    // A step that could not be measured (NaN) is taken as passing: the
    // search must never climb on through a level it knows nothing about.
    const bool passes = !(thdnPercent <= kDtMaxLevelPercent);
    const Step s{levelDbfs, thdnPercent};
    if (fine_)
        Fine(s, passes);
    else
        Coarse(s, passes);
}

void DtMaxLevelStepper::Coarse(const Step& s, bool passes)
{
    if (passes) {
        above_ = s;
        if (!below_) {
            // Already past 1 % at the start: look lower.
            if (s.level <= kDtMaxLevelFloorDbfs)
                return Finish();
            next_ = OnGrid(std::max(s.level - kDtMaxLevelCoarseDb, kDtMaxLevelFloorDbfs));
            return;
        }
    } else {
        below_ = s;
        if (!above_) {
            if (s.level >= kFullScaleDbfs) {
                reachedFullScale_ = true;
                return Finish();
            }
            next_ = OnGrid(std::min(s.level + kDtMaxLevelCoarseDb, kFullScaleDbfs));
            return;
        }
    }
    fine_ = true;
    next_ = OnGrid(below_->level + kDtMaxLevelFineDb);
    if (next_ >= above_->level - kDtMaxLevelFineDb / 2)
        Finish();
}

void DtMaxLevelStepper::Fine(const Step& s, bool passes)
{
    if (passes) {
        above_ = s;
        return Finish();
    }
    below_ = s;
    next_ = OnGrid(s.level + kDtMaxLevelFineDb);
    if (next_ >= above_->level - kDtMaxLevelFineDb / 2)
        Finish();
}

void DtMaxLevelStepper::Finish()
{
    done_ = true;
    if (!below_ || !above_)
        return;
    // THD+N in dB against level in dB is nearly straight over 0.1 dB.
    const double target = 20.0 * std::log10(kDtMaxLevelPercent);
    const double lo = 20.0 * std::log10(below_->thdn), hi = 20.0 * std::log10(above_->thdn);
    if (!std::isfinite(lo) || !std::isfinite(hi) || hi <= lo) {
        result_ = above_->level;
        return;
    }
    result_ = below_->level + (target - lo) / (hi - lo) * (above_->level - below_->level);
}

} // namespace korvanta
