#include "app/ui/ProgramRecords.h"

namespace korvanta {

MeasuringRecords& ProgramRecords()
{
    static MeasuringRecords records;
    return records;
}

} // namespace korvanta
