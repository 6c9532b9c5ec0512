#include "DistortionText.h"

#include <algorithm>

QStringList DistortionColumnHeads()
{
    return {QStringLiteral("dBFS"),    QStringLiteral("Hz"),       QStringLiteral("V rms"), QStringLiteral("W"),
            QStringLiteral("Gain dB"), QStringLiteral("THD+N %"),  QStringLiteral("THD+N dB"), QStringLiteral("THD dB"),
            QStringLiteral("H2 dB"),   QStringLiteral("H3 dB"),    QStringLiteral("H4 dB"), QStringLiteral("H5 dB"),
            QStringLiteral("H6 dB"),   QStringLiteral("H7 dB"),    QStringLiteral("H8 dB"), QStringLiteral("H9 dB")};
}

QStringList DistortionCells(const DistortionPoint& p)
{
    QStringList c = {QString::number(p.levelDb, 'f', 2),  QString::number(p.frequency, 'f', 1),
                     QString::number(p.rmsVolts, 'g', 5), QString::number(p.watts, 'g', 5),
                     QString::number(p.gainDb, 'f', 2),   QString::number(p.m.thdnPercent, 'g', 4),
                     QString::number(p.m.thdnDb, 'f', 2), QString::number(p.m.thdDb, 'f', 2)};
    for (int h = 0; h < kHarmonicCount; ++h)
        c << (p.m.present[h] ? QString::number(p.m.harmonicDb[h], 'f', 2) : QStringLiteral("-"));
    return c;
}

std::optional<double> ClipPointWatts(std::vector<DistortionPoint> points, double percent)
{
    // Fine steps are measured after the coarse step that passed a
    // threshold: the crossing is read in order of level.
    std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.levelDb < b.levelDb; });
    std::vector<ThdnPoint> byWatts;
    for (const DistortionPoint& p : points)
        byWatts.push_back({p.watts, p.m.thdnPercent});
    return CrossingAt(byWatts, percent);
}
