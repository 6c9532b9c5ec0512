#pragma once
// The report header from the program's state: which devices, at what rate
// and width, the mixer volumes, the calibration, when, by which version,
// and the user's note on the device under test. The composition is plain;
// only CurrentDtDevices() reads the sound layer.

#include "devicetest/DeviceTestResult.h"
// How a report shows the calibration text written here: DtCalibrationShown.
#include "devicetest/DtReportTexts.h"

#include <QDateTime>
#include <QString>

namespace korvanta {

// The devices the run plays and records with.
struct DtDevices {
    QString input;         // ALSA names (the product name on the virtual card)
    QString output;
    int rate = 0;          // Hz, the input's
    int inputBits = 0;     // 24 for samples in 32-bit containers
    int outputBits = 0;
};

// What the header takes from elsewhere in the program.
struct DtHeaderState {
    int inputVolumePercent = -1;   // mixer, -1 where unknown
    int outputVolumePercent = -1;
    int calibratedAtVolume = -1;   // the input volume at calibration, -1: never calibrated
    double inputFullScaleMv = 0;   // RMS millivolts of a full-scale sine, when calibrated
    double referenceLevelDbfs = -1.0;
    bool selfTest = false;
    QString note;
    QDateTime when;                // the run's start
};

// The current input's and output's names, rate and widths.
DtDevices CurrentDtDevices();

// The header of a run with `devices` and `state`; the band follows the rate.
DtHeader ComposeDtHeader(const DtDevices& devices, const DtHeaderState& state);

// The calibration as the header writes it: "none", or the input's full
// scale and the volume it holds at, with a warning when the volume moved.
QString DtCalibrationText(const DtHeaderState& state);

} // namespace korvanta
