#pragma once
// The main window's side of the device test window: its item in the
// "&Werkzeuge" menu, the mixer volumes and the calibration its report's
// header records, and the rest every window of the program's own shares
// (ToolMenu.h).

#include "app/ui/ToolMenu.h"
#include "devicetest/DtHeaderSource.h"

#include <utility>

namespace korvanta {

class TDeviceTestWindow;

class TDeviceTestMenu : public TToolMenu {
    Q_OBJECT
public:
    // `runStarts` stops every other loop and lends the run the input;
    // `volumes` gives the input's and the output's mixer volume in percent.
    TDeviceTestMenu(RunStarts runStarts, std::function<std::pair<int, int>()> volumes, QObject* parent = nullptr);

    // The item "&Gerätetest...".
    void AttachMenus(TMainMenu& menu) override;
    void AttachWindows(const AppWindows& windows) override;
    void SetWindow(TDeviceTestWindow* window);

    // What the header records from the main window now.
    DtHeaderState HeaderState() const;

    QAction* DeviceTest1 = nullptr;

private:
    TDeviceTestWindow* window_ = nullptr;
    std::function<std::pair<int, int>()> volumes_;
};

} // namespace korvanta
