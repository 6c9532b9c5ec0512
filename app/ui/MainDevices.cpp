// The main window's restart of the sound system ("&Reset Soundsystem"): the
// device list is read again, so a device plugged in or out since the start
// shows in the device menus, and the chosen input and output are found again
// by what names them, wherever the new list puts them.

#include "app/ui/ProgramRecords.h"
#include "measure/ui/AnalyzerPage.h"
#include "app/ui/Main.h"
#include "audio/Soundd3.h"
#include "measure/samplemem.h"

#include <algorithm>

namespace korvanta {

void TMainForm::restartSoundSystem()
{
    const QString inId = DeviceId('I', GetInDevice());
    const QString outId = DeviceId('O', GetOutDevice());
    int rateBefore = 0, outRate = 0;
    GetSampleRates(rateBefore, outRate);
    SoundDone();
    DeviceReport(inCount_, outCount_, Analyzer().InFormats);
    // A failure here shows later, when a measurement cannot start.
    SoundInit();
    fillDeviceMenus();
    // A device that is gone leaves the first one (on ALSA "default") chosen.
    InDeviceClick(std::max(FindDevice('I', inId), 0));
    OutDeviceClick(std::max(FindDevice('O', outId), 0));
    int rate = 0;
    GetSampleRates(rate, outRate);
    if (rate != rateBefore)
        AnalyzerPage->FollowInputRate();
}

} // namespace korvanta
