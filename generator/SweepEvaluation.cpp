#include "generator/SweepEvaluation.h"

#include "correction/CorrectionTable.h"
#include "platform/LevelConventions.h"
#include "analysis/PC_IIR_2.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {
constexpr double kBandPassQ = 16.0;
constexpr int kReadoutWidth = 8;
const QString kNoSignalText = QStringLiteral("no signal");

QString peakText(double mean)
{
    return QString::number(mean * kMeanToPeak, 'f', 2).left(kReadoutWidth);
}

// The reference where the measured channel crosses zero, between samples j
// and j + 1. Taken at sample j alone, a lead of less than one sample (a few
// degrees at high frequencies) would be read as a lag about half the time.
double referenceAtCrossing(double m0, double m1, double f0, double f1)
{
    const double t = m1 != m0 ? -m0 / (m1 - m0) : 0.0;
    return f0 + (f1 - f0) * t;
}

double levelDb(double mean) { return 20.0 * std::log10(mean * kMeanToPeak); }
} // namespace

MeanMagnitudes MeanOfMagnitudes(const float* block, int frames)
{
    MeanMagnitudes m;
    if (frames <= 0)
        return m;
    double sumR = 0.0, sumL = 0.0;
    for (int i = frames / 5; i < frames; ++i) {
        sumR += std::fabs(block[2 * i]);
        sumL += std::fabs(block[2 * i + 1]);
    }
    const double divisor = frames * 4.0 / 5.0;
    m.right = sumR / divisor;
    m.left = sumL / divisor;
    return m;
}

double NoSignalMean(int inputBits) { return HalfInputStep(inputBits); }

SweepSilence SilentChannels(const MeanMagnitudes& m, double noSignalMean)
{
    return {m.right < noSignalMean, m.left < noSignalMean};
}

LevelReadout SweepLevelReadout(const MeanMagnitudes& m, int overRange, double noSignalMean)
{
    if (overRange > 0)
        return {QStringLiteral("Over ") + QString::number(overRange), true};
    const SweepSilence silent = SilentChannels(m, noSignalMean);
    if (silent.right && silent.left)
        return {kNoSignalText, false};
    auto channel = [](double mean, bool silent) { return silent ? kNoSignalText : peakText(mean) + QStringLiteral("FS"); };
    return {channel(m.left, silent.left) + QLatin1Char(' ') + channel(m.right, silent.right), false};
}

SweepValues LevelValues(int32_t mode, const MeanMagnitudes& m, double freq, const CorrectionTable& inputCorrection,
                        double noSignalMean)
{
    SweepValues v;
    const SweepSilence silent = SilentChannels(m, noSignalMean);
    if (mode != kNoReference && silent.any())
        return {kNoSignalValue, kNoSignalValue};
    switch (mode) {
    case kLeftReference: v.value1 = float(20.0 * std::log10(m.right / m.left)); break;
    case kRightReference: v.value1 = float(20.0 * std::log10(m.left / m.right)); break;
    default:
        v.value1 = silent.right ? kNoSignalValue : float(Correct(inputCorrection, 1, freq, levelDb(m.right)));
        v.value2 = silent.left ? kNoSignalValue : float(Correct(inputCorrection, 1, freq, levelDb(m.left)));
        break;
    }
    return v;
}

float BandPassPhase(float* block, int frames, int sampleRate, double freq, int32_t mode)
{
    Biquad section;
    DesignSection(static_cast<int>(FilterKind::BandPass), section, 0.0, kBandPassQ, freq, sampleRate);
    FilterStereoBlock(section, frames, block);
    const int measured = mode == kRightReference ? 1 : 0;
    const int reference = 1 - measured;
    auto M = [&](int j) { return block[2 * j + measured]; };
    auto F = [&](int j) { return block[2 * j + reference]; };
    long total = 0, same = 0, lead = 0;
    for (int j = frames / 8; j <= frames - 8; ++j) {
        ++total;
        if ((M(j) > 0) == (F(j) > 0))
            ++same;
        if (M(j) < 0 && M(j + 1) >= 0)
            lead += referenceAtCrossing(M(j), M(j + 1), F(j), F(j + 1)) > 0 ? 1 : -1;
    }
    if (total <= 0)
        return 0.0f;
    const double fraction = 180.0 * double(same) / double(total);
    return float(lead > 0 ? fraction - 180.0 : 180.0 - fraction);
}

SweepCurveFlags CurveFlags(int32_t mode, bool phaseOn)
{
    if (phaseOn)
        return {true, true};
    if (mode == kNoReference)
        return {true, false};
    return {false, false};
}

} // namespace korvanta
