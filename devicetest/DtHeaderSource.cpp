#include "devicetest/DtHeaderSource.h"

#include "audio/Soundd3.h"
#include "devicetest/DtPlan.h"

#include <QRegularExpression>

namespace korvanta {

DtDevices CurrentDtDevices()
{
    DtDevices d;
    d.input = DeviceId('I', GetInDevice());
    d.output = DeviceId('O', GetOutDevice());
    int outRate = 0;
    GetSampleRates(d.rate, outRate);
    GetBits(d.inputBits, d.outputBits);
    return d;
}

QString DtCalibrationText(const DtHeaderState& state)
{
    if (state.calibratedAtVolume < 0 || state.inputFullScaleMv <= 0)
        return QStringLiteral("none");
    QString text = QStringLiteral("input full scale %1 mV RMS at input volume %2 %")
                       .arg(state.inputFullScaleMv, 0, 'f', 1)
                       .arg(state.calibratedAtVolume);
    // Volts are only as good as the volume the calibration was made at.
    if (state.inputVolumePercent >= 0 && state.inputVolumePercent != state.calibratedAtVolume)
        text += QStringLiteral(" (input volume now %1 %: not valid)").arg(state.inputVolumePercent);
    return text;
}

QString DtCalibrationShown(const QString& stored, char letter)
{
    if (letter == 'E')
        return stored;
    if (stored == QLatin1String("none"))
        return QStringLiteral("keine");
    static const QRegularExpression form(QStringLiteral(
        R"(^input full scale (\S+) mV RMS at input volume (\S+) %( \(input volume now (\S+) %: not valid\))?$)"));
    const QRegularExpressionMatch m = form.match(stored);
    if (!m.hasMatch())
        return stored;
    // The numbers keep the point the file wrote them with.
    QString text = QStringLiteral("Eingang Vollaussteuerung %1 mV eff. bei Eingangslautstärke %2 %")
                       .arg(m.captured(1), m.captured(2));
    if (m.capturedLength(3) > 0)
        text += QStringLiteral(" (Eingangslautstärke jetzt %1 %: nicht gültig)").arg(m.captured(4));
    return text;
}

DtHeader ComposeDtHeader(const DtDevices& devices, const DtHeaderState& state)
{
    DtHeader h;
    h.inputDevice = devices.input;
    h.outputDevice = devices.output;
    h.rate = devices.rate;
    h.inputBits = devices.inputBits;
    h.outputBits = devices.outputBits;
    h.inputVolumePercent = state.inputVolumePercent;
    h.outputVolumePercent = state.outputVolumePercent;
    h.calibration = DtCalibrationText(state);
    h.date = state.when.toOffsetFromUtc(state.when.offsetFromUtc()).toString(Qt::ISODate);
    h.programVersion = QStringLiteral(KORVANTA_VERSION);
    h.note = state.note;
    h.bandLowHz = kDtBandLowHz;
    h.bandHighHz = DtBandHighHz(devices.rate);
    h.referenceLevelDbfs = state.referenceLevelDbfs;
    h.selfTest = state.selfTest;
    return h;
}

} // namespace korvanta
