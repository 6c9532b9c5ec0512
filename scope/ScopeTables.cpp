#include "scope/ScopeTables.h"

#include "audio/FormatAdvice.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvanta {

namespace {
struct Step {
    const char* label;
    double value;
};

// UTF-8 source: the µ sign is the program's own text.
constexpr Step kVolts[kVoltsSteps] = {
    {"100µV", 0.0001}, {"200µV", 0.0002}, {"500µV", 0.0005}, {"1mV", 0.001}, {"2mV", 0.002},
    {"5mV", 0.005},    {"10mV", 0.01},    {"20mV", 0.02},    {"50mV", 0.05}, {"100mV", 0.1},
    {"200mV", 0.2},    {"500mV", 0.5},    {"1V", 1.0},       {"2V", 2.0},
};

constexpr Step kTimebase[kTimebaseSteps] = {
    {"X-Y", kXYSeconds}, {"50µs", 0.00005}, {"100µs", 0.0001}, {"200µs", 0.0002}, {"500µs", 0.0005},
    {"1ms", 0.001},      {"2ms", 0.002},    {"5ms", 0.005},    {"10ms", 0.01},    {"20ms", 0.02},
    {"50ms", 0.05},      {"100ms", 0.1},    {"200ms", 0.2},    {"500ms", 0.5},    {"1s", 1.0},
    {"2s", 2.0},         {"5s", 5.0},
};

const Step& voltsStep(int index) { return kVolts[std::clamp(index, 1, kVoltsSteps) - 1]; }
const Step& timebaseStep(int index) { return kTimebase[std::clamp(index, 1, kTimebaseSteps) - 1]; }

// The Y-t plans from the slowest up; each later one that applies replaces
// the one before.
struct Rule {
    double below;  // seconds per division under which the plan applies
    CapturePlan plan;
};
constexpr CapturePlan kSlowestPlan{8000, 2448};
constexpr Rule kRules[] = {
    {0.0198, {11025, 2448}},
    {0.0098, {11025, 1300}},
    {0.0048, {22050, 1024}},
    {0.00198, {44100, 1024}},
};
constexpr CapturePlan kXYPlan{44100, 1024};
} // namespace

QString VoltsLabel(int index) { return QString::fromUtf8(voltsStep(index).label); }
double VoltsPerDiv(int index) { return voltsStep(index).value; }
QString TimebaseLabel(int index) { return QString::fromUtf8(timebaseStep(index).label); }
double SecondsPerDiv(int index) { return timebaseStep(index).value; }

CapturePlan WantedCapture(double seconds)
{
    if (seconds == kXYSeconds)
        return kXYPlan;
    CapturePlan plan = kSlowestPlan;
    for (const Rule& r : kRules)
        if (seconds < r.below)
            plan = r.plan;
    return plan;
}

CapturePlan ScaledCapture(const CapturePlan& plan, int rate)
{
    // A frame shows half its block; the points are what must cover the time.
    const int64_t points = (int64_t(plan.frameLength / 2) * rate + plan.rate - 1) / plan.rate;
    return {rate, int(std::min<int64_t>(2 * points, kMaxCaptureFrames))};
}

CapturePlan PlanCapture(double seconds, const CapturePlan& previous, const RateAccepted& accepted)
{
    const CapturePlan wanted = WantedCapture(seconds);
    if (accepted(wanted.rate))
        return wanted;
    for (int rate : kAdviceRates)
        if (rate > wanted.rate && accepted(rate))
            return ScaledCapture(wanted, rate);
    if (seconds == kXYSeconds)
        return previous;
    // Nothing faster: the slower plans, as far as the input takes them.
    CapturePlan plan = kSlowestPlan;
    for (const Rule& r : kRules)
        if (seconds < r.below && accepted(r.plan.rate))
            plan = r.plan;
    return accepted(plan.rate) ? plan : previous;
}

int TimebaseUp(int index) { return index < kTimebaseSpinMax ? index + 1 : index; }
// X-Y is a switch of its own, not the step below the fastest timebase.
int TimebaseDown(int index) { return index > kXYTimebase + 1 ? index - 1 : index; }
int VoltsUp(int index) { return std::min(index + 1, kVoltsSteps); }
int VoltsDown(int index) { return std::max(index - 1, 1); }

float PositionFromBar(int bar) { return -float(bar) / 50.0f + 4.0f; }
float XYOffsetFromBar(int bar) { return PositionFromBar(bar) - PositionFromBar(0); }
int BarFromXYOffset(float offset) { return BarFromPosition(offset + PositionFromBar(0)); }
int BarFromPosition(float position) { return int(std::lround(-(double(position) - 4.0) * 50.0)); }
float TriggerLevelFromBar(int bar) { return -float(bar) / 100.0f; }

} // namespace korvanta
