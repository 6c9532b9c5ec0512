#include "generator/SweepDialogRules.h"

#include "generator/SweepPlan.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanta {

namespace {
constexpr int32_t kFromStep = 10;
constexpr int32_t kToStep = 100;
constexpr float kLevelStep = 0.1f;
constexpr float kPhaseLimit = 180.0f;
constexpr float kPhaseTypingLimit = 360.0f;

// Level steps of 0.1 dB would drift in float; keep them on the tenth.
float onTenth(double v) { return static_cast<float>(RoundEven(v * 10.0) / 10.0); }

void spinFrom(SweepSettings& s, bool up)
{
    if (!up) {
        s.fromFrequency = std::max(1, s.fromFrequency - kFromStep);
        return;
    }
    if (s.fromFrequency < s.toFrequency)
        s.fromFrequency += kFromStep;
    s.fromFrequency -= s.fromFrequency % kFromStep;
}

void spinTo(SweepSettings& s, bool up)
{
    if (!up && s.fromFrequency + kToStep < s.toFrequency)
        s.toFrequency -= kToStep;
    else if (up && s.toFrequency < kMaxSweepFrequency)
        s.toFrequency += kToStep;
}

void spinLevel(SweepSettings& s, bool up)
{
    if (!up && s.digitalLevel > kLevelOffDb)
        s.digitalLevel = std::max(kLevelOffDb, onTenth(s.digitalLevel - kLevelStep));
    else if (up && s.digitalLevel < 0.0f)
        s.digitalLevel = std::min(0.0f, onTenth(s.digitalLevel + kLevelStep));
}
} // namespace

std::optional<int32_t> WholeNumber(const QString& text)
{
    bool ok = false;
    const int v = QLocale::c().toInt(text.trimmed(), &ok);
    return ok ? std::optional<int32_t>(v) : std::nullopt;
}

std::optional<double> AnyNumber(const QString& text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

void SpinSweepField(SweepSettings& s, SweepSpin field, bool up)
{
    switch (field) {
    case SweepSpin::From: spinFrom(s, up); break;
    case SweepSpin::To: spinTo(s, up); break;
    case SweepSpin::Steps:
        if (!up && s.steps > 1)
            --s.steps;
        else if (up && s.steps < kMaxSweepSteps)
            ++s.steps;
        break;
    case SweepSpin::PhaseMin:
        if (!up && s.phaseMin > -kPhaseLimit)
            s.phaseMin -= 1.0f;
        else if (up && s.phaseMin < 0.0f)
            s.phaseMin += 1.0f;
        break;
    case SweepSpin::PhaseMax:
        if (!up && s.phaseMax > 0.0f)
            s.phaseMax -= 1.0f;
        else if (up && s.phaseMax < kPhaseLimit)
            s.phaseMax += 1.0f;
        break;
    case SweepSpin::Level: spinLevel(s, up); break;
    case SweepSpin::Settle:
        if (!up && s.settleMs > 0)
            --s.settleMs;
        else if (up && s.settleMs < kMaxSettleMs)
            ++s.settleMs;
        break;
    }
}

bool TypeSweepField(SweepSettings& s, SweepEdit field, const QString& text)
{
    if (field == SweepEdit::Level) {
        const auto v = AnyNumber(text);
        if (v)
            s.digitalLevel = static_cast<float>(*v);
        return v.has_value();
    }
    const auto v = WholeNumber(text);
    if (!v)
        return false;
    const int32_t n = *v;
    switch (field) {
    case SweepEdit::From:
        if (n <= 0 || n >= s.toFrequency)
            return false;
        s.fromFrequency = n;
        return true;
    case SweepEdit::To:
        if (n <= s.fromFrequency)
            return false;
        s.toFrequency = n;
        return true;
    case SweepEdit::Steps:
        if (n < 1 || n > kMaxSweepSteps)
            return false;
        s.steps = n;
        return true;
    case SweepEdit::PhaseMin:
        if (n < -kPhaseTypingLimit || n >= s.phaseMax)
            return false;
        s.phaseMin = static_cast<float>(n);
        return true;
    case SweepEdit::PhaseMax:
        if (n > kPhaseTypingLimit || n <= s.phaseMin)
            return false;
        s.phaseMax = static_cast<float>(n);
        return true;
    case SweepEdit::Settle: s.settleMs = n; return true;
    case SweepEdit::Level: break;
    }
    return false;
}

void ApplySweepDefaults(SweepSettings& s)
{
    s.fromFrequency = 10;
    s.toFrequency = 20000;
    s.steps = kDefaultSweepSteps;
    s.captureFrames = kInitialCaptureFrames;
    s.phaseOn = false;
    s.phaseMin = -90.0f;
    s.phaseMax = 90.0f;
    s.digitalLevel = 0.0f;
    s.settleMs = kDefaultSettleMs;
    s.mode = 0;
}

void StoreSweepDialog(SweepSettings& s, const SweepDialogTexts& t)
{
    s.linear = t.linear;
    s.phaseOn = t.phaseOn;
    if (const auto v = AnyNumber(t.phaseMin))
        s.phaseMin = static_cast<float>(*v);
    if (const auto v = AnyNumber(t.phaseMax))
        s.phaseMax = static_cast<float>(*v);
    s.phaseMin = std::max(s.phaseMin, -kPhaseLimit);
    s.phaseMax = std::min(s.phaseMax, kPhaseLimit);
    if (s.phaseMin >= s.phaseMax)
        s.phaseMin = s.phaseMax - 1.0f;
    if (s.phaseMax <= s.phaseMin)
        s.phaseMax = s.phaseMin + 1.0f;
    if (const auto v = AnyNumber(t.level))
        s.digitalLevel = static_cast<float>(*v);
    s.digitalLevel = std::clamp(s.digitalLevel, kLowestLevelDb, 0.0f);
    if (const auto v = WholeNumber(t.settle))
        s.settleMs = *v;
    s.settleMs = std::clamp(s.settleMs, 0, kMaxSettleMs);
    if (const auto v = WholeNumber(t.from))
        s.fromFrequency = *v;
    if (const auto v = WholeNumber(t.to))
        s.toFrequency = *v;
    if (s.fromFrequency <= 0)
        s.fromFrequency = 1;
    // The last frequency must stay within the plan's limit: the step tag
    // holds frequencies only up to 83886 Hz.
    s.fromFrequency = std::min(s.fromFrequency, kMaxSweepFrequency - 100);
    if (s.toFrequency > kMaxSweepFrequency)
        s.toFrequency = kMaxSweepFrequency;
    if (s.fromFrequency >= s.toFrequency)
        s.toFrequency = s.fromFrequency + 100;
    if (const auto v = WholeNumber(t.steps))
        s.steps = *v;
    s.steps = std::clamp(s.steps, 1, kMaxSweepSteps);
    if (s.mode == 2)
        s.phaseOn = false;
}

QString SweepLevelText(float level)
{
    if (level == kLevelOffDb)
        return QStringLiteral("OFF");
    return QString::number(level, 'f', 1);
}

QString WholeText(double value) { return QString::number(RoundEven(value)); }

} // namespace korvanta
