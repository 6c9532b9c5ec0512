#include "audio/DcOffsetScale.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

int DcBarPosition(float offset)
{
    if (!std::isfinite(offset))
        return 0;
    // Clamped before the conversion: a huge offset must not overflow an int.
    const double position = std::round(-static_cast<double>(offset) * kDcStepsPerFullScale);
    return static_cast<int>(std::clamp(position, double(-kDcBarLimit), double(kDcBarLimit)));
}

float DcOffsetOfPosition(int position)
{
    if (position == 0)
        return 0.0f;
    return static_cast<float>(-position / kDcStepsPerFullScale);
}

QString DcOffsetText(float offset) { return QString::number(offset, 'f', 6) + QStringLiteral(" FS"); }

} // namespace korvanta
