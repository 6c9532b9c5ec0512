#include "platform/mixer/VolumeLaw.h"

#include "platform/mixer/MixerTypes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanta {

double VolumeToAmplitude(int32_t value)
{
    return static_cast<double>(std::clamp(value, 0, kMixerVolumeMax)) / kMixerVolumeMax;
}

int32_t AmplitudeToVolume(double amplitude)
{
    return static_cast<int32_t>(std::lround(std::clamp(amplitude, 0.0, 1.0) * kMixerVolumeMax));
}

double VolumeToDb(int32_t value)
{
    const double a = VolumeToAmplitude(value);
    return a > 0.0 ? 20.0 * std::log10(a) : -std::numeric_limits<double>::infinity();
}

long VolumeToRaw(int32_t value, long min, long max, VolumeScale scale)
{
    double fraction = VolumeToAmplitude(value);
    if (scale == VolumeScale::Cubic)
        fraction = std::cbrt(fraction);
    return min + std::lround(fraction * static_cast<double>(max - min));
}

int32_t RawToVolume(long raw, long min, long max, VolumeScale scale)
{
    if (max <= min)
        return 0;
    double fraction = std::clamp(static_cast<double>(raw - min) / static_cast<double>(max - min), 0.0, 1.0);
    if (scale == VolumeScale::Cubic)
        fraction = fraction * fraction * fraction;
    return AmplitudeToVolume(fraction);
}

long VolumeToCentiDb(int32_t value, long minDb, long maxDb)
{
    if (value <= 0)
        return minDb;
    const long target = maxDb + std::lround(100.0 * VolumeToDb(value));
    return std::max(target, minDb);
}

int32_t CentiDbToVolume(long centiDb, long minDb, long maxDb)
{
    // The bottom of a range that mutes is silence, not its nominal level.
    if (centiDb <= minDb && minDb <= -9999900)
        return 0;
    return AmplitudeToVolume(std::pow(10.0, static_cast<double>(centiDb - maxDb) / 2000.0));
}

} // namespace korvanta
