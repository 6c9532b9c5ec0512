#include "audio/MeasuringEngine.h"

#include "audio/Soundd3.h"

namespace korvanta {

EngineFailure MakeEngineFailure(int kind, int code)
{
    return EngineFailure{kind, code, SoundErrorText(code)};
}

void MeasuringEngine::reportFailure(int kind, int code)
{
    emit failed(MakeEngineFailure(kind, code));
    emit stopped();
}

} // namespace korvanta
