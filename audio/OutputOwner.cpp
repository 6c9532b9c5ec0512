#include "audio/OutputOwner.h"

#include "audio/Soundd3.h"

namespace korvanta {

OutputOwner& OutputOwner::Instance()
{
    static OutputOwner owner;
    return owner;
}

void OutputOwner::Take(const void* measurement)
{
    if (!measurement || owner_ == measurement)
        return;
    const bool hadOne = owner_ != nullptr;
    // A tone and a file of the generator share the output with nothing:
    // both end before the measurement plays its first tone.
    StopPlay();
    StopUserWave();
    owner_ = measurement;
    if (!hadOne)
        emit measurementChanged(true);
}

void OutputOwner::Release(const void* measurement)
{
    if (!measurement || owner_ != measurement)
        return;
    owner_ = nullptr;
    emit measurementChanged(false);
}

} // namespace korvanta
