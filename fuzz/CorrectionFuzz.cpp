// The correction loader on hostile files: a file is either refused with a
// message and leaves no table, or it loads a table whose frequencies
// strictly ascend and whose curve is a finite number wherever the program
// looks it up (0 Hz to 96 kHz and the table's own range).

#include "correction/CorrectionFile.h"
#include "fuzz/FuzzSupport.h"

#include <cmath>

using namespace korvanta;

namespace {

void checkFinite(const CorrectionTable& t, double f)
{
    if (!std::isfinite(SplineValue(t, f)))
        fuzz::Fail("a loaded table gives a value that is not finite");
}

void checkLoaded(const CorrectionTable& t)
{
    if (t.count <= 0 || static_cast<int>(t.points.size()) != t.count + 1)
        fuzz::Fail("a loaded table has its points");
    for (int i = 1; i < t.count; ++i)
        if (!(t.points[i].x > t.points[i - 1].x))
            fuzz::Fail("a loaded table's frequencies ascend");
    constexpr int kSteps = 384;
    for (int i = 0; i <= kSteps; ++i)
        checkFinite(t, kCorrectionTopFrequency * i / kSteps);
    for (int i = 0; i < t.count; ++i) {
        checkFinite(t, t.points[i].x);
        if (i + 1 < t.count)
            checkFinite(t, t.points[i].x / 2 + t.points[i + 1].x / 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        fuzz::AnswerMessageBoxes();
        return true;
    }();
    (void)ready;
    const QByteArray bytes = fuzz::Bytes(data, size);
    CorrectionPair point;
    ParseCorrectionLine(QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), kCorrectionLineLength)), point);

    const QString path = fuzz::WriteScratchFile(QStringLiteral("curve.cor"), bytes);
    CorrectionTable table;
    const int messagesBefore = fuzz::MessageBoxCount();
    if (LoadCorrection(table, path)) {
        checkLoaded(table);
        if (fuzz::MessageBoxCount() != messagesBefore)
            fuzz::Fail("a loaded file shows no message");
    } else {
        if (table.count != 0 || !table.fileName.isEmpty())
            fuzz::Fail("a refused file leaves no table");
        if (fuzz::MessageBoxCount() == messagesBefore)
            fuzz::Fail("a refused file shows a message");
    }
    return 0;
}
