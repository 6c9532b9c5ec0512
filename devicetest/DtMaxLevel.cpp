#include "devicetest/DtMaxLevel.h"

#include "platform/LanguageTexts.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
constexpr Words kNoClipping{"keine Begrenzung bis 0 dBFS", "no clipping up to 0 dBFS"};
constexpr Words kInputFullScale{"unter 1 % bis %1 dBFS am Ausgang, wo der Eingang seine Vollaussteuerung erreicht",
                                "below 1 % up to %1 dBFS at the output, where the input reaches its full scale"};
constexpr Words kInputClipped{"der Eingang übersteuerte bei %1 dBFS am Ausgang, bevor THD+N 1 % überschritt",
                              "the input clipped at %1 dBFS at the output before THD+N passed 1 %"};
constexpr double kFullScaleDbfs = 0.0;

// Levels on the 0.1 dB grid, so steps added up never drift off it.
double OnGrid(double db) { return std::round(db / kDtMaxLevelFineDb) * kDtMaxLevelFineDb; }
// The grid's level at or below `db`.
double OnGridBelow(double db) { return std::floor(db / kDtMaxLevelFineDb + 1e-9) * kDtMaxLevelFineDb; }

QString LevelText(double db) { return QString::number(db, 'f', 1); }
} // namespace

QString NoClippingText(char letter) { return Pick(letter, kNoClipping); }
QString InputFullScaleText(double topDbfs, char letter) { return Pick(letter, kInputFullScale).arg(LevelText(topDbfs)); }
QString InputClippedText(double levelDbfs, char letter) { return Pick(letter, kInputClipped).arg(LevelText(levelDbfs)); }

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

void DtMaxLevelStepper::SetCeiling(double dbfs)
{
    ceiling_ = std::clamp(OnGridBelow(dbfs), kDtMaxLevelFloorDbfs, kFullScaleDbfs);
    if (!done_ && next_ > ceiling_)
        next_ = ceiling_;
}

void DtMaxLevelStepper::Clipped(double levelDbfs)
{
    if (done_)
        return;
    clippedAt_ = levelDbfs;
    done_ = true;
}

void DtMaxLevelStepper::Record(double levelDbfs, double thdnPercent, double inputDbfs)
{
    if (done_)
        return;
    // A step that could not be measured (NaN) is taken as passing: the
    // search must never climb on through a level it knows nothing about.
    const bool passes = !(thdnPercent <= kDtMaxLevelPercent);
    const Step s{levelDbfs, thdnPercent, inputDbfs};
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
            if (s.level >= ceiling_ - kDtMaxLevelFineDb / 2) {
                reachedFullScale_ = true;
                return Finish();
            }
            next_ = OnGrid(std::min(s.level + kDtMaxLevelCoarseDb, ceiling_));
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
    double t = 1.0; // from below to above
    if (std::isfinite(lo) && std::isfinite(hi) && hi > lo)
        t = (target - lo) / (hi - lo);
    result_ = below_->level + t * (above_->level - below_->level);
    // The input follows the output between two steps 0.1 dB apart as
    // closely as THD+N does.
    if (std::isfinite(below_->input) && std::isfinite(above_->input))
        inputResult_ = below_->input + t * (above_->input - below_->input);
}

} // namespace korvanta
