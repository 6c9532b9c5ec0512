#pragma once
// The conventions every figure of the device test shares, in one place so
// the plan, the analysis and the report cannot drift apart: the fixed
// measurement band, the test tone, the dynamic range's level, and where the
// rate leaves no room for CCIF's tones. Plain values, no device, no widget.

#include <algorithm>

namespace korvanta {

struct DtBand {
    double lowHz = 0.0;
    double highHz = 0.0;
};

inline constexpr double kDtBandLowHz = 20.0;
inline constexpr double kDtBandHighHz = 20000.0;
// The band ends here below 44.4 kHz, where 20 kHz would lie too close to
// half the rate and a card's anti-alias filter.
inline constexpr double kDtBandRateShare = 0.45;
// AES17's tone: not a divisor of common rates, so its harmonics fall
// between bins.
inline constexpr double kDtToneHz = 997.0;
// AES17's dynamic range: the tone 60 dB below full scale.
inline constexpr double kDtDynamicRangeDb = -60.0;
// CCIF is left out where 19 kHz lies above this fraction of the rate: a
// card's anti-alias filter would take the tone (19 kHz over 0.4535 is just
// under 41.9 kHz, so 44.1 kHz passes and 32 kHz does not).
inline constexpr double kDtCcifRateShare = 0.4535;

// The fixed band at `rate`: 20 Hz to min(20 kHz, 0.45·rate).
inline DtBand MeasurementBand(int rate) { return {kDtBandLowHz, std::min(kDtBandHighHz, kDtBandRateShare * rate)}; }

// The upper end of the band at `rate`.
inline double DtBandHighHz(int rate) { return MeasurementBand(rate).highHz; }

} // namespace korvanta
