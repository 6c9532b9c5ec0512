// The tolerance band loader of korvanta-measure on hostile files: a file is
// either refused with a reason naming it, or it gives a band whose
// frequencies are positive and strictly ascend, whose limits are finite with
// min <= max, and whose interpolated limits stay finite and between their
// neighbours' wherever a sweep may look them up.

#include "fuzz/FuzzSupport.h"
#include "cli/ToleranceBand.h"

#include <algorithm>
#include <cmath>

using namespace korvanta;

namespace {

void checkBand(const ToleranceBand& band)
{
    const auto& p = band.points;
    if (p.empty() || static_cast<int>(p.size()) > kMaxBandPoints)
        fuzz::Fail("a loaded band has between 1 and the most points");
    for (size_t i = 0; i < p.size(); ++i) {
        if (!(p[i].frequency > 0.0) || !std::isfinite(p[i].frequency) || !std::isfinite(p[i].min)
            || !std::isfinite(p[i].max) || p[i].min > p[i].max)
            fuzz::Fail("a loaded point is finite, above 0 Hz, with min <= max");
        if (i > 0 && !(p[i].frequency > p[i - 1].frequency))
            fuzz::Fail("a loaded band's frequencies ascend");
    }
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        const double f = std::sqrt(p[i].frequency) * std::sqrt(p[i + 1].frequency);
        const auto l = band.at(f);
        if (!l)
            fuzz::Fail("a frequency inside the band has limits");
        const double lo = std::min(p[i].min, p[i + 1].min), hi = std::max(p[i].max, p[i + 1].max);
        if (!std::isfinite(l->min) || !std::isfinite(l->max) || l->min < lo - 1e-6 * std::abs(lo) - 1e-9
            || l->max > hi + 1e-6 * std::abs(hi) + 1e-9)
            fuzz::Fail("interpolated limits lie between their neighbours'");
    }
    if (band.at(p.front().frequency / 2) || band.at(p.back().frequency * 2))
        fuzz::Fail("outside the band nothing is checked");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString path = fuzz::WriteScratchFile(QStringLiteral("band.txt"), bytes);
    const BandParse parsed = LoadToleranceBand(path);
    if (parsed.error.isEmpty())
        checkBand(parsed.band);
    else if (!parsed.error.contains(path) || !parsed.band.points.empty())
        fuzz::Fail("a refused file names the file and gives no band");
    return 0;
}
