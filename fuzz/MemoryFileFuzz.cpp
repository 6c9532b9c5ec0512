// The memory file reader on hostile files: a file is read whole or refused
// with its line, and whatever it reads is written back to the same bytes'
// meaning: serialising and reading again gives the same memories.

#include "fuzz/FuzzSupport.h"
#include "diagram/MemoryFile.h"

#include <QBuffer>
#include <cmath>

using namespace korvanta;

namespace {

MemoryFileResult Parse(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ParseMemories(buffer);
}

void checkLoaded(const MemoryBank& bank)
{
    for (const MemoryCurve& m : bank) {
        if (m.x.size() > size_t(DiaPointStore::MaxPoints) || m.traces.size() > 3)
            fuzz::Fail("a memory keeps the bounds");
        for (const MemoryTrace& t : m.traces)
            if (t.values.size() != m.x.size())
                fuzz::Fail("every curve of a memory is as long as its frequencies");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const MemoryFileResult r = Parse(fuzz::Bytes(data, size));
    if (!r.ok) {
        if (r.line <= 0 || r.reason.isEmpty())
            fuzz::Fail("a refused file names its line and reason");
        return 0;
    }
    checkLoaded(r.bank);
    const MemoryFileResult again = Parse(SerializeMemories(r.bank));
    if (!again.ok || !(again.bank == r.bank))
        fuzz::Fail("what was read is written and read back the same");
    return 0;
}
