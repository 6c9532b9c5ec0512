#include "devicetest/DtHeaderSource.h"

#include "audio/Soundd3.h"
#include "devicetest/DtPlan.h"


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
