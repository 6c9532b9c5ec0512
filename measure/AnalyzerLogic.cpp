#include "measure/AnalyzerLogic.h"

#include "measure/samplemem.h"

#include <algorithm>

namespace korvanta {

int BlockFrames(int N) { return N + N / 8; }

RunRange RunFrequencyRange(int sampleRate, int N)
{
    RunRange r;
    r.xmax = sampleRate / 2;
    r.xmin = (r.xmax / N) / 2 * 2;
    if (r.xmin < 1)
        r.xmin = 1;
    return r;
}

double BinFrequency(int i, int N, int sampleRate)
{
    // Half the rate in floating point: at an odd rate (11025 Hz) the
    // integer half would put every bin 0.009 % low.
    return static_cast<double>(i) * sampleRate / N;
}

int CopyChannel(const float* block, int count, int channel, float* dest)
{
    const int n = count / 2 - 1;
    for (int i = 0; i < n; ++i)
        dest[i] = block[2 * i + channel];
    return n > 0 ? n : 0;
}

bool BlockFitsTransform(int count, int N) { return count / 2 - 1 >= N; }

void ClearSums(AnalyzerState& s)
{
    if (s.SumRight)
        std::fill_n(s.SumRight.get(), kWorkArraySize, 0.0f);
    if (s.SumLeft)
        std::fill_n(s.SumLeft.get(), kWorkArraySize, 0.0f);
}

bool AverageStep(AnalyzerState& s, int bins)
{
    --s.AverLeft;
    if (s.AverCount > 1) {
        float* specR = s.SpecRight.get();
        float* specL = s.SpecLeft.get();
        float* sumR = s.SumRight.get();
        float* sumL = s.SumLeft.get();
        for (int i = 0; i < bins; ++i) {
            sumR[i] += specR[i];
            sumL[i] += specL[i];
        }
        if (s.AverLeft == 0) {
            const float n = static_cast<float>(s.AverCount);
            for (int i = 0; i < bins; ++i) {
                specR[i] = sumR[i] / n;
                specL[i] = sumL[i] / n;
                sumR[i] = 0.0f;
                sumL[i] = 0.0f;
            }
        }
    }
    if (s.AverLeft != 0)
        return false;
    s.AverLeft = s.AverCount;
    return true;
}

NextStep Continuation(const ContinuationInput& in)
{
    if (in.runMode == 2 && !in.deviceError && in.running)
        return in.q >= in.t ? NextStep::StopRun : NextStep::PostNextBlock;
    if (in.runMode == 1 && !in.deviceError && in.running)
        return NextStep::PostNextBlock;
    if ((in.runMode == 0 && in.running) || in.deviceError) {
        // An averaging run that has just been shown ends a single run; one
        // still collecting goes on. A stopped run never records again.
        if (in.averLeft == in.averCount)
            return NextStep::StopRun;
        return in.running ? NextStep::PostNextBlock : NextStep::Nothing;
    }
    return NextStep::Nothing;
}

QString LevelReadout(const QString& leftLabel, double leftLevel, const QString& rightLabel, double rightLevel,
                     const QString& unitLabel, const QString& filterName)
{
    return QStringLiteral("Level: ") + leftLabel + QString::number(leftLevel, 'f', 2) + unitLabel +
           QStringLiteral(" | ") + rightLabel + QString::number(rightLevel, 'f', 2) + unitLabel +
           QStringLiteral(" | Filter: ") + filterName;
}

QString ThdPart(double fundamentalHz, double thdDb, const QString& noFundamentalText)
{
    if (fundamentalHz == 0.0)
        return noFundamentalText;
    const QString value = thdDb == 0.0 ? QStringLiteral("-192") : QString::number(thdDb, 'f', 1);
    return QString::number(fundamentalHz, 'f', 0) + QStringLiteral("Hz ") + value + QStringLiteral("dB");
}

QString ThdReadout(const QString& leftLabel, const QString& leftPart, const QString& rightLabel,
                   const QString& rightPart, const QString& filterName)
{
    return QStringLiteral("THD+N: ") + leftLabel + leftPart + QStringLiteral(" | ") + rightLabel + rightPart +
           QStringLiteral(" |   Filter: ") + filterName;
}

QString TriggerReadout(double q, double t, const QString& unitLabel)
{
    return QStringLiteral("act. level ") + QString::number(q, 'f', 2) + unitLabel +
           QStringLiteral("    trigg level ") + QString::number(t, 'f', 1) + unitLabel;
}

QString OverRangeText(int overRange)
{
    return overRange > 0 ? QStringLiteral("Over ") + QString::number(overRange) : QStringLiteral(".");
}

} // namespace korvanta
