#include "generator/SweepSettings.h"

SweepSettings& Sweep()
{
    static SweepSettings settings;
    return settings;
}
