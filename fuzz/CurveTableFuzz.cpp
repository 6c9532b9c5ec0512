// The curve table reader on hostile files: a table is either refused with a
// line number and nothing in it, or it holds between one and the diagram's
// largest number of points, ascending finite frequencies and finite levels
// in one to three columns of the same length.

#include "diagram/CurveTable.h"
#include "diagram/DiaPointStore.h"
#include "fuzz/FuzzSupport.h"

#include <QBuffer>
#include <cmath>

using namespace korvanta;

namespace {

void checkLoaded(const CurveTable& t)
{
    if (t.x.empty() || t.x.size() > size_t(DiaPointStore::MaxPoints))
        fuzz::Fail("a loaded table has between one and the most points");
    if (t.levels.empty() || t.levels.size() > size_t(CurveTableMaxLevelColumns))
        fuzz::Fail("a loaded table has one to three level columns");
    for (size_t i = 0; i < t.x.size(); ++i) {
        if (!std::isfinite(t.x[i]) || t.x[i] < 0 || (i > 0 && t.x[i] < t.x[i - 1]))
            fuzz::Fail("frequencies are finite, not negative and ascending");
    }
    for (const std::vector<float>& column : t.levels) {
        if (column.size() != t.x.size())
            fuzz::Fail("every level column is as long as the frequencies");
        for (float v : column)
            if (!std::isfinite(v))
                fuzz::Fail("levels are finite");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = fuzz::Bytes(data, size);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const CurveTableResult r = ParseCurveTable(buffer);
    if (r.ok()) {
        checkLoaded(r.table);
    } else {
        if (!r.table.x.empty() || !r.table.levels.empty())
            fuzz::Fail("a refused table holds nothing");
        if (r.fault != CurveTableFault::NoPoints && r.line <= 0)
            fuzz::Fail("a refused table names its line");
        if (CurveTableMessage(r, QStringLiteral("f"), QLatin1Char('E')).isEmpty())
            fuzz::Fail("a refused table has a message");
    }
    return 0;
}
