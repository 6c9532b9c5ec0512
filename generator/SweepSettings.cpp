#include "generator/SweepSettings.h"

namespace korvanta {

SweepSettings& Sweep()
{
    static SweepSettings settings;
    return settings;
}

} // namespace korvanta
