#include "scope/OscilloscopeSettings.h"

namespace korvanta {

OscilloscopeSettings& Oscilloscope()
{
    static OscilloscopeSettings settings;
    return settings;
}

} // namespace korvanta
