#include "analysis/AnalysisInput.h"

#include <QLocale>

#include <cmath>

namespace korvanta {

namespace {

bool parseWholeNumber(const QString& text, int& value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok, 10);
    return ok;
}

// A decimal number; a decimal comma is taken as well, since the field is
// often typed on German keyboards.
bool parseDecimal(const QString& text, double& value)
{
    QString t = text.trimmed();
    if (t.count(QLatin1Char(',')) == 1 && !t.contains(QLatin1Char('.')))
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    if (t.contains(QLatin1Char(',')))
        return false;
    bool ok = false;
    value = QLocale::c().toDouble(t, &ok);
    return ok && std::isfinite(value);
}

} // namespace

AnalysisInputError ParseAnalysisInput(const AnalysisInputText& text, AnalysisInput& input)
{
    if (!parseWholeNumber(text.bandLow, input.bandLow))
        return AnalysisInputError::BandLow;
    if (!parseWholeNumber(text.bandHigh, input.bandHigh))
        return AnalysisInputError::BandHigh;
    if (input.bandLow >= input.bandHigh)
        return AnalysisInputError::BandOrder;
    if (!parseWholeNumber(text.fundamental, input.fundamental))
        return AnalysisInputError::Fundamental;
    if (!parseDecimal(text.thresholdDb, input.thresholdDb) || input.thresholdDb > 0.0)
        return AnalysisInputError::Threshold;
    return AnalysisInputError::None;
}

QString AnalysisInputMessage(AnalysisInputError error, char language)
{
    const bool english = language == 'E' || language == 'e';
    switch (error) {
    case AnalysisInputError::None: return QString();
    case AnalysisInputError::BandLow:
        return english ? QStringLiteral("Frequency low not correct") : QStringLiteral("Frequenz low nicht korrekt");
    case AnalysisInputError::BandHigh:
        return english ? QStringLiteral("Frequency high not correct")
                       : QStringLiteral("Frequenz high nicht korrekt");
    case AnalysisInputError::BandOrder:
        return english ? QStringLiteral("Frequency high must be greater then low value")
                       : QStringLiteral("Frequenz high sollte größer low sein");
    case AnalysisInputError::Fundamental:
        return english ? QStringLiteral("Fundamental not correct") : QStringLiteral("Grundfrequenz nicht korrekt");
    case AnalysisInputError::Threshold:
        return english ? QStringLiteral("Treshhold Value not correct")
                       : QStringLiteral("Pegel Schwellwert nicht korrekt");
    }
    return QString();
}

} // namespace korvanta
