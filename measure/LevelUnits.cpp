#include "measure/LevelUnits.h"

#include "measure/samplemem.h"

#include <cmath>

namespace korvanta {

float UnitOffset(uint8_t unit, float calInMv)
{
    switch (unit) {
    case kUnitDbV: return static_cast<float>(20.0 * std::log10(calInMv / kDbVReferenceMv));
    case kUnitDbu:
    case kUnitDbm: return static_cast<float>(20.0 * std::log10(calInMv / kDbuReferenceMv));
    default: return 0.0f;
    }
}

QString UnitLabel(uint8_t unit)
{
    switch (unit) {
    case kUnitDbV: return QStringLiteral("dbV");
    case kUnitDbu: return QStringLiteral("dbu");
    case kUnitDbm: return QStringLiteral("dbm");
    default: return QStringLiteral("dbFS");
    }
}

LevelParameters GetLevelParameters(const AnalyzerState& s)
{
    LevelParameters p;
    p.factor = s.PegFak;
    p.unitOffset = UnitOffset(s.LevelUnit, s.CalInMv);
    p.offset = s.PegOfs + p.unitOffset;
    p.label = UnitLabel(s.LevelUnit);
    return p;
}

QString LevelAxisCaption(uint8_t unit)
{
    switch (unit) {
    case kUnitDbV: return QStringLiteral("Level [dBV]");
    case kUnitDbu: return QStringLiteral("Level [dBu]");
    case kUnitDbm: return QStringLiteral("Level [dBm]");
    default: return QStringLiteral("Level [dB FS]");
    }
}

float BinLevel(float magnitude, const LevelParameters& p)
{
    if (magnitude == 0.0f)
        return static_cast<float>(kNoSignalDb);
    return static_cast<float>(p.factor * std::log(static_cast<double>(magnitude)) + p.offset);
}

QString CalibrationStatus(uint8_t unit, int inputVolume, int inLev4Cal, const QString& calibratedText,
                          const QString& uncalibratedText)
{
    if (unit == kUnitDbFs)
        return QString(18, QLatin1Char(' '));
    return inputVolume == inLev4Cal ? calibratedText : uncalibratedText;
}

} // namespace korvanta
