#include "distortion/DistortionText.h"

#include "diagram/DiaScale.h"
#include "platform/NumberText.h"

#include <algorithm>

namespace korvanta {

namespace {
// Digits of the volts and watts columns, on screen as in files.
constexpr int kVoltsWattsDigits = 5;
constexpr int kVoltsColumn = 2;
constexpr int kWattsColumn = 3;
} // namespace

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
                     QString::number(p.rmsVolts, 'g', kVoltsWattsDigits), QString::number(p.watts, 'g', kVoltsWattsDigits),
                     QString::number(p.gainDb, 'f', 2),   SignificantText(p.m.thdnPercent, 4),
                     QString::number(p.m.thdnDb, 'f', 2),
                     HasThd(p.m) ? QString::number(p.m.thdDb, 'f', 2) : QStringLiteral("-")};
    for (int h = 0; h < kHarmonicCount; ++h)
        c << (p.m.present[h] ? QString::number(p.m.harmonicDb[h], 'f', 2) : QStringLiteral("-"));
    return c;
}

QStringList DistortionScreenCells(const DistortionPoint& p)
{
    QStringList c = DistortionCells(p);
    c[kVoltsColumn] = PrefixedText(p.rmsVolts, kVoltsWattsDigits) + QLatin1Char('V');
    c[kWattsColumn] = WattsOnScreen(p.watts, kVoltsWattsDigits);
    return c;
}

QString WattsOnScreen(double watts, int significant) { return PrefixedText(watts, significant) + QLatin1Char('W'); }

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

} // namespace korvanta
