#include "app/CorrectionTest.h"

#include "correction/CorrectionTable.h"
#include "platform/SharedRoutines.h"

namespace korvanta {

namespace {
constexpr int kTopFrequency = 28000;
}

CorrectionTestPoint CorrectionTestValue(const CorrectionTable& input, const CorrectionTable& output, int i)
{
    CorrectionTestPoint p;
    p.frequency = LogStep(1, kTopFrequency, kCorrectionTestPoints, i);
    // Correcting 0 dB with sign -1 yields the curve's own value.
    p.input = Correct(input, -1, p.frequency, 0.0);
    p.output = Correct(output, -1, p.frequency, 0.0);
    return p;
}

QString CorrectionTestInfoLine(const QString& heading, const CorrectionTable& input, const CorrectionTable& output)
{
    QString line = heading;
    if (input.active)
        line += input.fileName;
    if (output.active)
        line += QStringLiteral(" & ") + output.fileName;
    return line;
}

} // namespace korvanta
