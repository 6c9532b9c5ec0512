#pragma once
// The oscilloscope's scales as the screen shows them: volts per division of
// each channel, time per division (or X-Y), and the trigger's channel, slope
// and level in volts, with the row of the trigger marker. Plain functions,
// so the window, the printout and the picture files show the same texts.

#include <QString>
#include <QStringList>

namespace korvanta {

struct ScopeScales {
    bool valid = false;           // false until a frame told the display
    double voltsPerDiv1 = 0.1;
    double voltsPerDiv2 = 0.1;
    double secondsPerDiv = 0.0005; // kXYSeconds for X-Y
    bool ground1 = false, ground2 = false;
    float triggerLevel = 0.0f;    // divisions above the trigger channel's zero line
    float triggerZero = 0.0f;     // that zero line, divisions from the bottom
    bool triggerOnChannel1 = true;
    bool triggerRising = true;
};

// A value with the unit prefix a scope shows it in: "500µV", "37.5mV",
// "1.2V" (three significant digits at most, no trailing zeros); "0V" for 0.
QString VoltsText(double volts);
QString SecondsText(double seconds);

// The read-out lines under the graticule, in the language `letter`:
// the two channels' volts/div (and "Gnd" where a channel is grounded), the
// time/div or "X-Y", the trigger channel, slope and level in volts.
QStringList ScopeScaleLines(const ScopeScales& scales, char letter);

// The row of the trigger marker, in divisions from the bottom: the trigger
// channel's zero line plus the level.
float TriggerMarkerDivisions(const ScopeScales& scales);

} // namespace korvanta
