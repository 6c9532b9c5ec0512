#include "app/ui/DistortionMenu.h"

#include "app/ui/AppWindows.h"
#include "app/ui/ProgramRecords.h"
#include "distortion/ui/DistortionWindow.h"
#include "scope/ScopeEngine.h"

namespace korvanta {

namespace {
constexpr Words kCaption{"&Verzerrung...", "&Distortion..."};
}

TDistortionMenu::TDistortionMenu(RunStarts runStarts, QObject* parent)
    : TToolMenu("Distortion1", kCaption, std::move(runStarts), parent)
{
}

void TDistortionMenu::AttachMenus(TMainMenu& menu)
{
    TToolMenu::AttachMenus(menu);
    Distortion1 = item_;
}

void TDistortionMenu::AttachWindows(const AppWindows& windows) { SetWindow(windows.Distortion); }

void TDistortionMenu::SetWindow(TDistortionWindow* window)
{
    window_ = window;
    if (!window_)
        return;
    SetToolWindow({window_, window_->Menus, window_->Diagram, window_->Engine(), [this] { window_->Abort(); },
                   [this](char letter) { window_->Language(letter); }});
    window_->SetStopOthers([this] {
        RunStarting();
        // Volts follow the calibration as it is when the run starts.
        takeCalibration();
    });
}

void TDistortionMenu::BeforeOpen() { takeCalibration(); }

void TDistortionMenu::takeCalibration() { window_->SetVoltsAtFullScale(Analyzer().CalInMv * kVoltsPerCalibrationUnit); }

} // namespace korvanta
