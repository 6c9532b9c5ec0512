#include "scope/OscilloscopeSettings.h"

OscilloscopeSettings& Oscilloscope()
{
    static OscilloscopeSettings settings;
    return settings;
}
