#include "measure/EmptyBlockWatch.h"

#include "platform/audio/WaveIn.h"

#include <algorithm>

namespace korvanta {

int64_t EmptyBlockLimitMs(int frames, int sampleRate)
{
    return 1000LL * frames / std::max(1, sampleRate) + WaveIn::kStallMarginMs;
}

} // namespace korvanta
