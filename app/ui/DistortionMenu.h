#pragma once
// The main window's side of the distortion window: its item in the
// "&Werkzeuge" menu, the input calibration it converts volts with, and the
// rest every window of the program's own shares (ToolMenu.h).

#include "app/ui/ToolMenu.h"

namespace korvanta {

class TDistortionWindow;

class TDistortionMenu : public TToolMenu {
    Q_OBJECT
public:
    // `runStarts` stops every other loop and lends the run the input.
    explicit TDistortionMenu(RunStarts runStarts, QObject* parent = nullptr);

    // The item "&Verzerrung...".
    void AttachMenus(TMainMenu& menu) override;
    void AttachWindows(const AppWindows& windows) override;
    void SetWindow(TDistortionWindow* window);

    QAction* Distortion1 = nullptr;

protected:
    void BeforeOpen() override;

private:
    void takeCalibration();

    TDistortionWindow* window_ = nullptr;
};

} // namespace korvanta
