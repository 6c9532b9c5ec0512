#pragma once
// What every command of korvanta-measure stands on: the sound backend (a
// sound device or the virtual card with its device under test), the audio
// layer started as the program starts it, the settings file read into the
// process records exactly as the program's windows read it (but never
// written), and the input and output devices with their rate and width.
//
// GUI thread only; one session per process.

#include "cli/DeviceLock.h"
#include "app/MainSettings.h"
#include "app/MeasuringRecords.h"

#include <QString>

namespace korvanta {

struct MeasureOptions;
class Tdummy;

// Exit status of the command.
enum ExitCode : int { kExitPass = 0, kExitFail = 1, kExitUsage = 2, kExitDevice = 3 };

class MeasureSession {
public:
    MeasureSession();
    ~MeasureSession();

    // Before anything touches the audio layer: chooses the backend (the
    // sound devices, the virtual card only when it is asked for) and the
    // settings file through the environment the program reads. Returns an
    // error text for an unusable option (a DUT that does not parse, a
    // settings file that is not there).
    static QString PrepareEnvironment(const MeasureOptions& o);

    // The program's own settings file, which the command reads where no
    // other is named.
    static QString ProgramSettingsFile();

    // Starts the audio layer, reads the settings (values outside the
    // options' ranges clamped, with a line on standard error), chooses the
    // devices and locks them against other measuring processes. Returns
    // kExitPass, or with `error` set kExitUsage (a settings file that cannot
    // be used without writing, a correction or weighting file that is
    // refused) or kExitDevice (a device in use by another measurement too).
    int Open(const MeasureOptions& o, bool records, bool plays, QString& error);

    // Stops what plays or records and shuts the audio layer down without
    // writing its settings section.
    void Close();

    const MainWindowSettings& Settings() const { return main_; }
    // The records the commands measure with, read from the settings file.
    MeasuringRecords& Records() { return records_; }
    QString SettingsPath() const { return settingsPath_; }

private:
    QString readSettings(const MeasureOptions& o);
    QString chooseDevices(const MeasureOptions& o);
    QString lockDevices(bool records, bool plays);
    QString applyFormat(const MeasureOptions& o, bool records, bool plays);

    MainWindowSettings main_;
    MeasuringRecords records_;
    QString settingsPath_;
    DeviceLocks locks_;
    Tdummy* notify_ = nullptr;
    bool open_ = false;
};

} // namespace korvanta
