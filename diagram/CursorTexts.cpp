#include "diagram/CursorTexts.h"

#include "diagram/DiaScale.h"

#include <cmath>

namespace korvanta {

ReadoutWords ReadoutWordsFor(QChar language)
{
    ReadoutWords w;
    if (language == QLatin1Char('E')) {
        w.ratio = QStringLiteral("times");
        w.slope = QStringLiteral("dB/Oct");
    }
    return w;
}

static double Scaled(double freq, const XScaling& s) { return freq * s.factor + s.offset; }

static QString XText(double freq, const XScaling& s, int decimals)
{
    return s.prefixed ? PrefixedText(Scaled(freq, s), 4) : FixedText(Scaled(freq, s), decimals);
}

QString PointText(double freq, const XScaling& scaling, double level)
{
    return (XText(freq, scaling, 1) + scaling.unit + QLatin1Char('/') + FixedText(level, 1) +
            QStringLiteral("dB"))
        .left(CursorTextMax);
}

QString FrequencyText(double freq, const XScaling& scaling)
{
    return (XText(freq, scaling, 2) + scaling.unit).left(CursorTextMax);
}

QString LevelText(double dB, const QString& ratioWord)
{
    const double q = std::pow(10.0, dB / 20.0);
    QString ratio;
    if (dB >= 0.0) {
        ratio = FixedText(q, 1) + ratioWord;
    } else {
        const double p = 100.0 * q;
        ratio = FixedText(p, p > 1.0 ? 1 : 5) + QLatin1Char('%');
    }
    return (FixedText(dB, 1) + QStringLiteral("dB / ") + ratio).left(CursorTextMax);
}

QString SlopeText(double dB, double freqRatio, const QString& slopeUnit)
{
    const double octaves = std::log(freqRatio) / std::log(2.0);
    const double slope = std::fabs(dB / octaves);
    const QString number = std::isfinite(slope) ? FixedText(slope, 1) : FpErrorText;
    return (number + slopeUnit).left(CursorTextMax);
}

} // namespace korvanta
